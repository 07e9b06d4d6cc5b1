#include "search/branchandcut.hh"

#include <algorithm>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <cmath>
#include <cstdio>
#include <sstream>

#include "core/fail.hh"
#include "core/graph.hh"
#include "core/log.hh"
#include "core/status.hh"
#include "search/bcsearch.hh"
#include "search/branchandbound.hh"
#include "search/stops.hh"
#include "search/summary.hh"

branchandcut::branchandcut(const params& p, const io& d)
    : p(p), d(d), bestE(d.n, d.n, 0) {}

int branchandcut::run() {
#ifdef __GLIBC__
  // The LP engine allocates and frees its work arrays at every solve; above the default
  // threshold they are mapped and unmapped each time, and the page faults cost more
  // than the solves (alarm-cl_10000: 32 s user + 5.5 s system without this, 22 s + 0.1 s
  // with it). Keeping them on the heap makes the memory reusable.
  mallopt(M_MMAP_THRESHOLD, 256 << 20);
  mallopt(M_TRIM_THRESHOLD, 256 << 20);
#endif
  {
    branchandbound prerun(p, d, d.n, d.allow, bestE, best);
    prerun.initialincumbent();
    bestE = prerun.bestE;
    best = prerun.best;
    status = prerun.status;
  }
  bcsearch search(p, d, std::max(best, p.initialbest));
  status = search.search();
  if (search.found) {
    best = search.bestscore;
    for (int v = 0; v < d.n; ++v) {
      const matrix<char>& family = d.cache[v][search.entryof(v)].second;
      for (int k = 0; k < d.n; ++k) bestE(v, k) = family[k];
    }
  }
  bound = std::max(search.boundscore, best);
  if (p.verbose >= 1) {
    std::ostringstream line;
    line << "Branch-and-cut: tree nodes " << search.nodes << ", cluster cuts "
         << search.cutsfound << ", families in the program " << search.model.columns() << " of "
         << d.cachesize;
    logline(loglevel::info, line.str());
  }
  return report(search.nodes, search.peakmb);
}

int branchandcut::report(long nodes, double peakmb) {
  searchresult result{"ilpscore", best, status, peakmb, int(nodes), 0.0, true};
  // A stop request can come before the first searches found any network.
  if (p.initialbest >= best || best <= -1e99) {
    reportstop(p, loglevel::warn, "No solution found");
    result.retcode = status + searchstatus::not_beaten;
    result.beaten = false;
    return writeresult(p, d, result, bestE);
  }
  const bool proved = status == searchstatus::finished;
  if (p.verbose >= 0) {
    std::ostringstream line;
    line << "Total of [" << nodes << "] iterations (score=" << best << ")(bound="
         << (proved ? best : bound) << (proved ? ")(empty queue)\n" : ")\n");
    logtext(line.str());
  }
  result.gap = proved ? 0.0 : std::fabs(bound / best - 1.0) * 100.0;
  writeresult(p, d, result, bestE);
  std::ostringstream last;
  last << "Best found s = [" << best << "]";
  if (!proved) last << ", bound = [" << bound << "]";
  logtext(last.str() + "\n");
  check(acyclic(bestE).size() == 0, "acyclic(bestE).empty()");
  return status;
}
