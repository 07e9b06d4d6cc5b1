// Test support: the counts and local scores by their plain definition (every record in
// order, missing entries spread over their completions, dense sums), and random data
// sets with weight vectors, to hold the fast scoring paths to the same bits.
#pragma once

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "io/io.hh"

namespace plain {

struct tables {
  int q = 1, r = 1;
  std::vector<double> nj, njk;
};

inline tables counts(const io& d, const std::vector<int>& fam, int child) {
  tables c;
  c.r = fam[child];
  for (int i = 0; i < d.n; ++i)
    if (i != child && fam[i] > 0) c.q *= fam[i];
  c.nj.assign(c.q, 0.0);
  c.njk.assign(size_t(c.q) * c.r, 0.0);
  for (int t = 0; t < d.data.n; ++t) {
    std::vector<int> v(d.n), missing;
    for (int j = 0; j < d.n; ++j) {
      v[j] = d.data(t, j);
      if (v[j] < 0 && (j == child || fam[j] > 0)) {
        missing.push_back(j);
        v[j] = 0;
      }
    }
    while (true) {
      long h = 0;
      for (int j = 0; j < d.n; ++j)
        if (j != child && fam[j] > 0) h = h * fam[j] + v[j];
      double w = 1.0;
      for (int j : missing) w *= d.weights[t][j][v[j]];
      c.nj[h] += w;
      c.njk[h * c.r + v[child]] += w;
      int m = int(missing.size()) - 1;
      for (; m >= 0; --m) {
        if (v[missing[m]] < fam[missing[m]] - 1) { ++v[missing[m]]; break; }
        v[missing[m]] = 0;
      }
      if (m < 0) break;
    }
  }
  return c;
}

inline double localscore(const tables& c, double alpha, bool aic, int records, double& a,
                         double& b) {
  const int q = c.q, r = c.r;
  if (alpha <= 0) {
    double ll = 0;
    for (int j = 0; j < q; ++j)
      if (c.nj[j] > 0)
        for (int k = 0; k < r; ++k)
          if (c.njk[j * r + k] > 0) ll += c.njk[j * r + k] * std::log(c.njk[j * r + k] / c.nj[j]);
    if (aic) return ll - q * (r - 1);
    return ll - q * (r - 1) * (0.5 * std::log(double(records)));
  }
  const double aj = alpha / q, ajk = aj / r;
  double s = 0;
  a = b = 0;
  for (int j = 0; j < q; ++j) {
    if (c.nj[j] <= 0) continue;
    int z = 0;
    for (int k = 0; k < r; ++k)
      if (c.njk[j * r + k] > 0) {
        s += std::lgamma(c.njk[j * r + k] + ajk) - std::lgamma(ajk);
        ++z;
      }
    s -= std::lgamma(c.nj[j] + aj) - std::lgamma(aj);
    if (z <= 1) a -= std::log(double(r));
    else b -= z * std::log(double(r));
  }
  if (aj > 0.83494) a = b = 1e300;
  return s;
}

// n variables with 1..maxstates states, `records` records; each entry is a weight
// vector with probability `missing`.
inline void randomdata(io& d, int n, int records, int maxstates, double missing, unsigned seed) {
  std::mt19937 gen(seed);
  d.init(n, records);
  for (int j = 0; j < n; ++j) d.categ[j] = 1 + int(gen() % unsigned(maxstates));
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (int t = 0; t < records; ++t)
    for (int j = 0; j < n; ++j) {
      if (unit(gen) < missing) {
        if (d.weights[t].empty()) d.weights[t].resize(n);
        d.weights[t][j] = matrix<double>(d.categ[j], 1);
        for (int k = 0; k < d.categ[j]; ++k) d.weights[t][j][k] = unit(gen);
        d.data(t, j) = -1;
      } else {
        d.data(t, j) = int(gen() % unsigned(d.categ[j]));
      }
    }
}

// Like randomdata without weight vectors, but each variable copies a mix of the two
// before it, flipped with probability `noise`, so that parent sets matter; variable 1
// copies variable 0 exactly and the last one is 0 but in every 50th record.
inline void chaindata(io& d, int n, int records, int maxstates, double noise, unsigned seed) {
  randomdata(d, n, records, maxstates, 0.0, seed);
  std::mt19937 gen(seed * 7 + 1);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (int j = 0; j < n; ++j) d.categ[j] = std::max(d.categ[j], 2);
  for (int t = 0; t < records; ++t)
    for (int j = 0; j < n; ++j) {
      int v = int(gen() % unsigned(d.categ[j]));
      if (j == n - 1) v = t % 50 == 0;
      else if (j == 1) v = d.data(t, 0) % d.categ[1];
      else if (j > 0 && unit(gen) > noise) v = (d.data(t, j - 1) + (j > 1 ? d.data(t, j - 2) : 0)) % d.categ[j];
      d.data(t, j) = v;
    }
}

}  // namespace plain
