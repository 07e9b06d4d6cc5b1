// buildpool: runs a job per variable on several threads with the output of one.
//
// The variables are taken in the plan's order by `workers` threads. Everything a job
// writes through the log route (core/log.hh) is kept per variable and reaches standard
// error in variable order: the lowest variable not yet finished writes at once, the
// others into their buffer, which is written when all variables below are finished. A
// fatal error in a job (core/fail.hh, deferred on the workers) stops the run in the
// same order: the variables below it finish and are written, those above are abandoned
// (a job asks `abandoned` now and then), and then the error's text ends the process,
// so a run prints exactly what one thread in variable order would have printed.
//
// The calling thread coordinates: it writes the finished buffers and, when `progress`
// is set and the run has taken 10 s, one progress line every 10 s.
#pragma once

#include <atomic>
#include <functional>
#include <vector>

struct buildplan {
  int n = 0;                 // variables 0 .. n-1; those not in order count as done
  std::vector<int> order;    // the variables to run, in the order they are taken
  std::vector<double> work;  // expected work per variable (for the time-left estimate)
  int workers = 1;
  bool progress = false;
};

class buildpool {
 public:
  explicit buildpool(const buildplan& plan);
  // Runs job(worker, variable) for every variable of the plan; returns when all are
  // finished, or ends the process at the lowest variable whose job failed.
  void run(const std::function<void(int worker, int variable)>& job);
  // Whether the job of variable v is no longer needed (a lower variable failed).
  bool abandoned(int v) const { return v > stopat.load(std::memory_order_relaxed); }

 private:
  const buildplan& plan;
  // The lowest variable whose job failed, n while none did. Read by every job now and
  // then; written once per failure.
  std::atomic<int> stopat;
};
