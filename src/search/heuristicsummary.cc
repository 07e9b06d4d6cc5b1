#include "search/heuristicsummary.hh"

#include <cmath>

#include "io/io.hh"

namespace {
constexpr double ln2 = 0.6931471805599453;
}

void write_heuristic_summary(FILE* out, const io& d, int retcode, int iter) {
  const double n = d.n;
  const double cachemem = double(d.cachesize) * (n * n + 8) / 1048576;
  fprintf(out,
          "retcode %d\ncachesize %d\ncachemem %lf\noriginalcachesize %le\ntotalsearchspace %le\n"
          "reducedsearchspace %le\nmaxmem %lf\niter %d\n",
          retcode, d.cachesize, cachemem, n * std::exp((n - 1) * ln2),
          std::exp(n * (n - 1) * ln2), std::exp(d.logsearchspace), cachemem, iter);
  fprintf(out, "gap %lf\n", -1.0);
}
