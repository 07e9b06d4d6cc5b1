#include "scoring/buildpool.hh"

#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <new>
#include <string>
#include <thread>

#include "core/fail.hh"
#include "core/log.hh"
#include "core/text.hh"

namespace {

using clock_type = std::chrono::steady_clock;

constexpr auto progress_period = std::chrono::seconds(10);

struct slot {
  std::string buffer;  // written text not yet on standard error
  bool live = false;   // the variable writes at once
  bool done = false;
  bool failed = false;
  deferredfatal stop{0, std::string()};
};

// The state the threads share; every field but the slots' stop texts (written by the
// failing job's thread before `done`, read by the coordinator after it) is guarded by
// `lock`.
struct board {
  std::mutex lock;
  std::condition_variable changed;
  std::vector<slot> slots;
};

struct sinkcontext {
  board* shared;
  slot* own;
};

// A job's log text: at once while its variable is the lowest unfinished one, else
// into its buffer.
void writeslot(void* context, const std::string& text) {
  const sinkcontext& c = *static_cast<sinkcontext*>(context);
  std::lock_guard<std::mutex> hold(c.shared->lock);
  if (c.own->live) logdirect(text);
  else c.own->buffer += text;
}

std::string duration(double seconds) {
  const long s = long(seconds + 0.5);
  if (s < 60) return format("%ld s", s);
  if (s < 3600) return format("%ld min %ld s", s / 60, s % 60);
  return format("%ld h %ld min", s / 3600, s % 3600 / 60);
}

}  // namespace

buildpool::buildpool(const buildplan& p) : plan(p), stopat(p.n) {}

void buildpool::run(const std::function<void(int, int)>& job) {
  board b;
  b.slots.resize(size_t(plan.n));
  for (slot& s : b.slots) s.done = true;
  for (int v : plan.order) b.slots[size_t(v)].done = false;
  std::atomic<size_t> next{0};

  auto work = [&](int w) {
    deferfatal defer;
    for (size_t k = next.fetch_add(1); k < plan.order.size(); k = next.fetch_add(1)) {
      const int v = plan.order[k];
      slot& own = b.slots[size_t(v)];
      bool failed = false;
      if (!abandoned(v)) {
        sinkcontext context{&b, &own};
        logcapture capture(logsink{writeslot, &context});
        try {
          job(w, v);
        } catch (deferredfatal& stop) {
          own.stop = std::move(stop);
          failed = true;
        }
      }
      if (failed) {
        int low = stopat.load();
        while (v < low && !stopat.compare_exchange_weak(low, v)) {
        }
      }
      {
        std::lock_guard<std::mutex> hold(b.lock);
        own.failed = failed;
        own.done = true;
      }
      b.changed.notify_one();
    }
  };

  std::vector<std::thread> threads;
  for (int w = 0; w < plan.workers; ++w) threads.emplace_back(work, w);

  // Coordination: write what is finished in variable order, let the lowest unfinished
  // variable write at once, and report progress.
  const auto start = clock_type::now();
  auto nextreport = start + progress_period;
  int head = 0, failure = -1;
  {
    std::unique_lock<std::mutex> hold(b.lock);
    while (true) {
      for (; head < plan.n && b.slots[size_t(head)].done; ++head) {
        slot& s = b.slots[size_t(head)];
        if (!s.buffer.empty()) logdirect(s.buffer);
        s.buffer.clear();
        if (s.failed) {
          failure = head;
          break;
        }
      }
      if (failure >= 0 || head == plan.n) break;
      slot& s = b.slots[size_t(head)];
      if (!s.live) {
        if (!s.buffer.empty()) logdirect(s.buffer);
        s.buffer.clear();
        s.live = true;
      }
      if (plan.progress && clock_type::now() >= nextreport) {
        int done = 0;
        double donework = 0, allwork = 0;
        for (int v : plan.order) {
          allwork += plan.work[size_t(v)];
          if (b.slots[size_t(v)].done) ++done, donework += plan.work[size_t(v)];
        }
        const double elapsed = std::chrono::duration<double>(clock_type::now() - start).count();
        const std::string left =
            donework > 0 ? "about " + duration(elapsed * (allwork - donework) / donework) + " left"
                         : "time left unknown";
        logline(loglevel::info, format("building the cache: %d of %d variables done in %s, %s",
                                       done, int(plan.order.size()), duration(elapsed).c_str(),
                                       left.c_str()));
        while (nextreport <= clock_type::now()) nextreport += progress_period;
      }
      if (plan.progress) b.changed.wait_until(hold, nextreport);
      else b.changed.wait(hold);
    }
  }
  for (std::thread& t : threads) t.join();
  if (failure >= 0) endrun(b.slots[size_t(failure)].stop);
}
