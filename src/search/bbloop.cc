// The main loop of the branch-and-bound search and its progress line.
#include <algorithm>
#include <climits>
#include <cstdio>
#include <ctime>
#include <new>
#include <sstream>

#include "core/resources.hh"
#include "core/status.hh"
#include "search/bbsearch.hh"
#include "search/stops.hh"

namespace {

std::string scientific(double x) {
  char text[64];
  snprintf(text, sizeof text, "%e", x);
  return text;
}

}  // namespace

// Best-first search: the greatest key is expanded next, except at the very first pop and
// while the memory estimate exceeds maxmem, when the least promising node goes first.
// The open list grows without bound unless maxmem is set; when the machine refuses it
// more memory the search stops as at its other limits, with the incumbent and the bound
// it has, instead of ending the process.
double bbsearch::search() {
  double k = makeroot();
  try {
    loop(k);
  } catch (const std::bad_alloc&) {
    if (p.verbose >= 0) io::messaging(io::warnlevel, "Out of memory. Stopping");
    status = searchstatus::memory_limit;
  }
  return k;
}

void bbsearch::loop(double& k) {
  const time_t start = time(nullptr);
  while (!queue->empty()) {
    const double m = (queue->usage() + resources::memkbs) / 1024.0;
    peakmem = std::max(peakmem, m);
    if (m > p.maxmem || streak == 0) {
      queue->begin(*work);
      streak = 0;
    } else {
      queue->end(*work);
    }
    unpack();
    k = work->getss();
    if (iter >= p.maxiter) {
      reportstop(p, io::warnlevel, iteration_limit_reached);
      status = searchstatus::iteration_limit;
      break;
    }
    if (difftime(time(nullptr), start) > double(p.maxseconds)) {
      reportstop(p, io::warnlevel, time_limit_reached);
      status = searchstatus::time_limit;
      break;
    }
    if (interrupted(p, io::warnlevel)) {
      status = searchstatus::interrupted;
      break;
    }
    if (k > best && (p.verbose > 2 || (p.verbose > 0 && iter >= lastverb))) {
      if (streak != 0) outerbound = k;
      progressline(k, m);
      lastverb = iter + 1000;
    }
    ++iter;
    streak = streak == INT_MAX ? 0 : streak + 1;
    if (expand(k)) break;
  }
}

void bbsearch::progressline(double k, double m) const {
  std::ostringstream line;
  line << "Step [" << iter << "] d=" << below.sum() << ",ic=" << comp.sum()
       << ",up=" << up.sum() << ","
       << "(plsize=[" << queue->size() << "],duplist=[" << 0  // no visited-node map is kept
       << "],s=" << scientific(streak != 0 ? k : 10000000.0) << "],best=[" << scientific(best)
       << "],prunebyval=[" << prunebyval << "],prunebyfeas=[" << prunebyfeas << "]"
       << ",mem=[" << scientific(m) << "MB"
       << "," << resources::npl << "objs]) ";
  io::messaging(io::infolevel, line.str());
}

