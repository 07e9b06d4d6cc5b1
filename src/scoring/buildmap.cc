// Cache construction over the variables: the variables' lists are built by
// buildworkers on `threads` threads (scoring/buildpool.hh keeps the messages in variable
// order), then assembled here on the calling thread. The lists, the counters and the
// messages do not depend on the number of threads; the memory figures do, since they
// are those of all threads together.
#include "scoring/buildmap.hh"

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>
#include <sstream>
#include <thread>

#include "core/fail.hh"
#include "core/params.hh"
#include "core/resources.hh"
#include "io/io.hh"
#include "scoring/buildpool.hh"
#include "scoring/buildworker.hh"

namespace {

constexpr double impossible = -1e25;

// Without a parent limit, more variables than this make the construction long.
constexpr int long_run_variables = 20;

template <typename... Parts>
void info(const Parts&... parts) {
  std::ostringstream text;
  (text << ... << parts);
  io::messaging(io::infolevel, text.str());
}

// The expected work of a variable's list, for the order in which the threads take the
// variables (largest first, so that no long list starts last) and for the time left.
// Under BIC a set S survives about while its penalty q(S)(r_i - 1) ln(N)/2 stays below
// N H(X_i), the child's entropy (a subset's score then rules it out); with g the mean
// of ln r over the free parents that allows about ln(N H / ((r_i - 1) ln(N)/2)) / g
// of them, and the work is the number of sets of at most that many free parents. AIC
// has penalty factor 1; BDeu is taken like BIC. The estimate costs O(n) per variable.
double expectedwork(const io& d, const params& p, int i) {
  const int records = d.data.n, r = d.categ[i];
  if (r <= 1 || records <= 0) return 1;
  std::vector<double> freq(size_t(r), 0);
  for (int t = 0; t < records; ++t) {
    const int v = d.data(t, i);
    if (v >= 0 && v < r) freq[size_t(v)] += 1;
  }
  double entropy = 0;
  for (double f : freq)
    if (f > 0) entropy -= f / records * std::log(f / records);
  const double factor = p.aicscore ? 1.0 : 0.5 * std::log(double(records));
  double room = std::log(std::max(2.0, records * entropy / ((r - 1) * factor)));
  int mandatory = 0, free = 0;
  double logstates = 0;
  for (int k = 0; k < d.n; ++k) {
    if (k == i) continue;
    if (d.allow(i, k) == -1) ++mandatory, room -= std::log(double(d.categ[k]));
    else if (d.allow(i, k) == 0 && d.categ[k] > 1) ++free, logstates += std::log(double(d.categ[k]));
  }
  if (free == 0) return 1;
  const double fits = std::max(0.0, room) / (logstates / free);
  const int most = std::min({free, d.maxparents[i] - mandatory, int(fits) + 1});
  double work = 1, binomial = 1;
  for (int s = 1; s <= most; ++s) {
    binomial = binomial * (free - s + 1) / s;
    work += binomial;
  }
  return work;
}

// The variables to build, and the threads to build them with.
buildplan makeplan(const io& d, const params& p) {
  buildplan plan;
  plan.n = d.n;
  plan.work.assign(size_t(d.n), 1.0);
  if (p.node >= 0) {
    if (p.node < d.n) plan.order.push_back(p.node);
  } else {
    for (int i = 0; i < d.n; ++i) plan.order.push_back(i);
  }
  for (int i : plan.order) plan.work[size_t(i)] = expectedwork(d, p, i);
  int threads = p.threads;
  if (threads == 0) threads = int(std::thread::hardware_concurrency());
  plan.workers = std::max(1, std::min(threads, int(plan.order.size())));
  // One thread takes the variables in order, so that their messages come at once.
  if (plan.workers > 1)
    std::stable_sort(plan.order.begin(), plan.order.end(),
                     [&](int x, int y) { return plan.work[size_t(x)] > plan.work[size_t(y)]; });
  plan.progress = p.verbose > 0;
  return plan;
}

// A list without a parent limit on many variables can take hours: said once, with
// what bounds it.
void warnlong(const io& d, const params& p, const buildplan& plan) {
  // A node=V job builds one list: the warning is for runs that build many.
  const int built = int(plan.order.size());
  if (p.verbose < 1 || built <= long_run_variables) return;
  for (int i : plan.order)
    if (d.maxparents[i] >= d.n - 1) {
      std::ostringstream text;
      text << "No parent limit on " << built
           << " variables: building the cache may take long. Bound it with "
              "globalmaxparents=3 (or 4, 5, ...), spread it with threads=0 (all cores) or "
              "over machines with node=V jobs.";
      io::messaging(io::warnlevel, text.str());
      return;
    }
}

// True when a kept entry (all in set order, so all before e) is a strictly better
// subset of entry e. Small sets enumerate their subsets and look each up by binary
// search; large ones scan the kept entries.
bool bettersubset(const setlist& list, const std::vector<size_t>& kept, size_t e, int n,
                  std::vector<setword>& key) {
  const int words = list.words;
  const setword* set = list.key(e);
  const double value = list.values[e];
  std::vector<int> members;
  for (int v = 0; v < n; ++v)
    if (hasbit(set, v)) members.push_back(v);
  const int free = int(members.size());
  if (free >= 20 || (size_t(1) << free) > kept.size()) {
    for (size_t f : kept)
      if (list.values[f] > value && within(list.key(f), set, words)) return true;
    return false;
  }
  auto below = [&](size_t f, const std::vector<setword>& k) {
    return setless(list.key(f), k.data(), words);
  };
  for (uint32_t mask = 0; mask + 1 < (uint32_t(1) << free); ++mask) {
    std::fill(key.begin(), key.end(), 0);
    for (int m = 0; m < free; ++m)
      if (mask >> m & 1) addbit(key.data(), members[size_t(m)]);
    const auto at = std::lower_bound(kept.begin(), kept.end(), key, below);
    if (at != kept.end() && !setless(key.data(), list.key(*at), words) &&
        list.values[*at] > value)
      return true;
  }
  return false;
}

// Final assembly: per variable, in set order, the sets above the impossible score that
// no better-scoring subset in the list beats, then sorted ascending by score (ties stay
// in set order), best last. The map nodes go back to the memory counter.
std::vector<parentsetlist> assemble(buildshared& sh, double& logsearchspace, int& cachesize) {
  const int n = sh.n;
  logsearchspace = 0;
  cachesize = 0;
  std::vector<parentsetlist> result(static_cast<size_t>(n));
  std::vector<size_t> kept;
  std::vector<setword> key(size_t(sh.words));
  for (int k = 0; k < n; ++k) {
    setlist& list = sh.cache[size_t(k)];
    kept.clear();
    int most = 0;
    for (size_t e = 0; e < list.size(); ++e) {
      if (list.values[e] <= impossible || bettersubset(list, kept, e, n, key)) continue;
      kept.push_back(e);
      most = std::max(most, setsize(list.key(e), sh.words));
    }
    if (sh.p.verbose > 0)
      info("cache-node=", k, " #final-elements=", kept.size(), " #max-number-parents=", most - 1);
    cachesize += int(kept.size());
    logsearchspace += std::log(double(kept.size()));
    resources::memkbs -= double(list.size()) * sh.nodekb;
    std::stable_sort(kept.begin(), kept.end(),
                     [&](size_t x, size_t y) { return list.values[x] < list.values[y]; });
    parentsetlist& out = result[size_t(k)];
    out.reserve(kept.size());
    for (size_t e : kept) {
      matrix<char> vec(n, 1, 0);
      for (int v = 0; v < n; ++v) vec[v] = hasbit(list.key(e), v) ? 1 : 0;
      out.emplace_back(list.values[e], std::move(vec));
    }
    list.clear();
  }
  return result;
}

}  // namespace

double buildshared::runpeak() const {
  double most = 0;
  for (const std::atomic<double>* peak : peaks) most = std::max(most, peak->load());
  return most;
}

std::vector<parentsetlist> buildmap(const io& d, const params& p, double& logsearchspace,
                                    int& cachesize) {
  const buildplan plan = makeplan(d, p);
  buildshared sh(d, p);
  buildpool pool(plan);
  sh.pool = &pool;
  std::vector<std::unique_ptr<buildworker>> workers;
  for (int w = 0; w < plan.workers; ++w)
    workers.push_back(std::make_unique<buildworker>(sh, 0.0));
  // The peak starts from the memory before any family is counted, as the scorers'
  // family vectors are made at the first count of a one-thread run.
  const double startpeak = resources::memkbs / 1024;
  for (auto& w : workers) {
    w->peak = startpeak;
    w->makefamily();
    sh.peaks.push_back(&w->peak);
  }
  sh.basekb = resources::memkbs;
  warnlong(d, p, plan);
  // A variable that fails leaves nothing behind: the variables below it, still to be
  // built, see the memory they would see on one thread. Refused memory is the memory
  // limit's stop.
  pool.run([&](int w, int v) {
    buildworker& worker = *workers[size_t(w)];
    try {
      worker.variable(v);
    } catch (const deferredfatal&) {
      worker.discard();
      throw;
    } catch (const std::bad_alloc&) {
      worker.discard();
      fatal("Not enough memory (%lfMB) for buildmap\n", sh.runpeak());
    }
  });
  // The nodes of the cached sets stay until the assembly: the memory counter takes them.
  resources::memkbs += double(sh.nodes.load()) * sh.nodekb;
  long candidates = 0;
  double peak = startpeak;
  for (auto& w : workers) {
    candidates += w->candidates;
    peak = std::max(peak, w->peak.load());
  }
  std::vector<parentsetlist> result = assemble(sh, logsearchspace, cachesize);
  if (p.verbose > 0)
    info("function buildmap #local-score-calls=", candidates, " memory-usage(MB)=", peak);
  return result;
}
