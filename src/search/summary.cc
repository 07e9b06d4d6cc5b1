#include "search/summary.hh"

#include <cmath>
#include <cstdio>

#include "scoring/familytables.hh"

namespace {

// Powers of two are formed as exp(k ln 2) so that huge ones print as numbers.
constexpr double ln2 = 0.6931471805599453;

void writefigures(FILE* out, const io& d, double searchmem, int iter) {
  const double n = d.n;
  const double cachemem = double(d.cachesize) * (n * n + 8) / 1048576;
  fprintf(out,
          "cachesize %d\ncachemem %lf\noriginalcachesize %le\ntotalsearchspace %le\n"
          "reducedsearchspace %le\nmaxmem %lf\niter %d\n",
          d.cachesize, cachemem, n * std::exp((n - 1) * ln2), std::exp(n * (n - 1) * ln2),
          std::exp(d.logsearchspace), cachemem + searchmem, iter);
}

}  // namespace

int writeresult(const params& p, const io& d, const searchresult& r, const matrix<char>& network) {
  FILE* out = p.outfile;
  if (r.treesearch) {
    writefigures(out, d, r.searchmem, r.iter);
    fprintf(out, "localsearch %d\nretcode %d\n", 0, r.retcode);
    if (!r.beaten) return r.retcode;
    fprintf(out, "%s %lf\n", r.name, r.score);
  } else {
    fprintf(out, "%s %lf\nretcode %d\n", r.name, r.score, r.retcode);
    writefigures(out, d, r.searchmem, r.iter);
  }
  fprintf(out, "gap %lf\n", r.gap);
  d.dooutput(p, network, familytables(d, p));
  return r.retcode;
}
