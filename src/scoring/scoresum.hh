// scoresum: a family's local score summed over its observed cells, one configuration
// at a time in increasing cell order. Every counting method of score feeds it in that
// order, so all of them give the same bits as the plain definition:
//   BIC/AIC: LL = sum_j sum_k N_jk ln(N_jk / N_j), minus q(r-1) (AIC) or
//            q(r-1) ln(N)/2 (BIC);
//   BDeu:    sum_j [ sum_k (lnG(N_jk + a_jk) - lnG(a_jk)) - (lnG(N_j + a_j) - lnG(a_j)) ]
//            with a_j = alpha/q, a_jk = a_j/r, plus the bound terms a and b.
// lnG of a whole count plus a constant is remembered per family: counts repeat a lot
// and lgamma costs about as much as counting a hundred records.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

class scoresum {
 public:
  // For a family with q configurations and r child states over `records` records.
  void start(double alpha, bool aic, int q, int r, int records);
  // N_j must be known before its cells: the BIC term divides by it.
  void cell(double njk, double nj) {
    if (bdeu) {
      total += lngamma(cellmemo, njk, alphajk) - lgalphajk;
    } else {
      loglik += njk * logratio(njk, nj);
    }
    ++seen;
  }
  void endconfig(double nj) {
    if (bdeu) {
      total -= lngamma(configmemo, nj, alphaj) - lgalphaj;
      if (seen <= 1) a -= logr;
      else b -= seen * logr;
    }
    seen = 0;
  }
  // Every configuration of a dense table of whole counts (configs x r, cell j * r + k)
  // in order, as cell and endconfig would take them; with `clear` the table is left
  // all 0. One loop per criterion: the per-cell test of the criterion and the
  // accumulators in memory made the loop twice as slow (measured on alarm-cl_10000).
  void table(uint32_t* h, long configs, bool clear);
  // The local score; a and b get the bound terms under BDeu only.
  double finish(double& aout, double& bout) const;

 private:
  struct memo {
    std::vector<double> value;
    std::vector<uint32_t> stamp;
    uint32_t generation = 0;
  };

  bool bdeu = false;
  bool aic = false;
  int q = 1, r = 1, records = 0;
  double alphaj = 0, alphajk = 0, lgalphaj = 0, lgalphajk = 0, logr = 0;
  double total = 0, loglik = 0, a = 0, b = 0;
  int seen = 0;
  memo cellmemo, configmemo;

  static void renew(memo& m, int size);

  // ln(njk / nj) of whole counts below `smallcounts`, computed once (at the first
  // BIC/AIC start) by the same expression: most cells of large families are small, and
  // a table look-up costs a fraction of a logarithm (measured: 5% of the instructions of
  // a no-limit run).
  static constexpr int smallcounts = 64;
  std::vector<double> smalllogs;  // [nj * smallcounts + njk]
  std::vector<uint32_t> found, foundtotal;  // table's non-zero cells and their N_j
  // Weighted counts can be huge, negative or fractional: only whole counts in range are
  // converted to integers.
  double logratio(double njk, double nj) {
    if (njk >= 0 && njk <= nj && nj < smallcounts) {
      const int j = int(nj), k = int(njk);
      if (double(j) == nj && double(k) == njk) return smalllogs[size_t(j) * smallcounts + size_t(k)];
    }
    return std::log(njk / nj);
  }
  // lgamma(count + shift), remembered when count is a whole number of records.
  static double lngamma(memo& m, double count, double shift);
  // The same for a whole count of at most the records.
  static double wholelngamma(memo& m, uint32_t count, double shift);
  template <int R>
  void bdeutable(uint32_t* h, long configs, bool clear);
};
