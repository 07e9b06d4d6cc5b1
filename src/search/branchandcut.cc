#include "search/branchandcut.hh"

#include <algorithm>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <cmath>
#include <cstdio>
#include <iostream>
#include <sstream>

#include "core/fail.hh"
#include "core/graph.hh"
#include "search/bcsearch.hh"
#include "search/branchandbound.hh"

namespace {

constexpr double ln2 = 0.6931471805599453;

}  // namespace

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
    line << "Branch-and-cut: " << search.nodes << " nodes, " << search.cutsfound
         << " cluster cuts found, " << search.model.columns() << " of " << d.cachesize
         << " families in the program";
    io::messaging(io::infolevel, line.str());
  }
  return report(search.nodes, search.peakmb);
}

int branchandcut::report(long nodes, double peakmb) {
  FILE* out = p.outfile;
  const int n = d.n;
  const double cachemem = double(d.cachesize) * double(n * n + 8) / 1048576.0;
  fprintf(out,
          "cachesize %d\ncachemem %lf\noriginalcachesize %le\ntotalsearchspace %le\n"
          "reducedsearchspace %le\nmaxmem %lf\niter %ld\nlocalsearch %d\n",
          d.cachesize, cachemem, n * std::exp((n - 1) * ln2), std::exp(double(n) * (n - 1) * ln2),
          std::exp(d.logsearchspace), cachemem + peakmb, nodes, 0);
  if (p.initialbest >= best) {
    if (p.verbose >= 0) io::messaging(io::warnlevel, "No solution found");
    fprintf(out, "retcode %d\n", status + 10);
    return status + 10;
  }
  fprintf(out, "retcode %d\n", status);
  const bool proved = status == 0;
  if (p.verbose >= 0) {
    std::cerr << "Total of [" << nodes << "] iterations (score=" << best << ")(bound="
              << (proved ? best : bound) << (proved ? ")(empty queue)\n" : ")\n");
  }
  fprintf(out, "ilpscore %lf\n", best);
  fprintf(out, "gap %lf\n", proved ? 0.0 : std::fabs(bound / best - 1.0) * 100.0);
  d.dooutput(p, bestE);
  std::cerr << "Best found s = [" << best << "]";
  if (status != 0) std::cerr << ", bound = [" << bound << "]";
  std::cerr << "\n";
  check(acyclic(bestE).size() == 0, "acyclic(bestE).empty()");
  return status;
}
