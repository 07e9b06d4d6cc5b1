#include "scoring/scoresum.hh"

#include <cmath>

namespace {
// Above this a_j the bound terms are never met.
constexpr double boundlimit = 0.83494;
constexpr double never = 1e300;
}  // namespace

void scoresum::renew(memo& m, int size) {
  if (int(m.value.size()) < size) {
    m.value.resize(size);
    m.stamp.assign(size, 0);
    m.generation = 0;
  }
  // A fresh generation forgets every remembered value at once.
  if (++m.generation == 0) {
    std::fill(m.stamp.begin(), m.stamp.end(), 0);
    m.generation = 1;
  }
}

double scoresum::lngamma(memo& m, double count, double shift) {
  if (count < double(m.value.size())) {
    const int c = int(count);
    if (double(c) == count) {
      if (m.stamp[c] != m.generation) {
        m.value[c] = std::lgamma(count + shift);
        m.stamp[c] = m.generation;
      }
      return m.value[c];
    }
  }
  return std::lgamma(count + shift);
}

void scoresum::start(double alpha, bool aicscore, int configs, int states, int nrec) {
  bdeu = alpha > 0;
  aic = aicscore;
  q = configs;
  r = states;
  records = nrec;
  total = loglik = a = b = 0;
  seen = 0;
  if (!bdeu) {
    if (smalllogs.empty()) smalllogs.assign(size_t(smallcounts) * smallcounts, std::nan(""));
    return;
  }
  alphaj = alpha / q;
  alphajk = alphaj / r;
  lgalphaj = std::lgamma(alphaj);
  lgalphajk = std::lgamma(alphajk);
  logr = std::log(double(r));
  renew(cellmemo, records + 1);
  renew(configmemo, records + 1);
}

double scoresum::finish(double& aout, double& bout) const {
  if (bdeu) {
    aout = a;
    bout = b;
    if (alphaj > boundlimit) aout = bout = never;
    return total;
  }
  if (aic) return loglik - q * (r - 1);
  return loglik - q * (r - 1) * (0.5 * std::log(double(records)));
}

void scoresum::table(uint32_t* h, long configs, bool clear) {
  if (!bdeu) {
    double sum = loglik;
    for (long j = 0; j < configs; ++j) {
      uint32_t* row = h + size_t(j) * size_t(r);
      uint32_t nj = 0;
      for (int k = 0; k < r; ++k) nj += row[k];
      if (nj == 0) continue;
      const double dj = double(nj);
      for (int k = 0; k < r; ++k) {
        const uint32_t c = row[k];
        if (c == 0) continue;
        sum += double(c) * (nj < uint32_t(smallcounts) ? smalllog(c, nj) : std::log(double(c) / dj));
        if (clear) row[k] = 0;
      }
    }
    loglik = sum;
    return;
  }
  for (long j = 0; j < configs; ++j) {
    uint32_t* row = h + size_t(j) * size_t(r);
    uint32_t nj = 0;
    for (int k = 0; k < r; ++k) nj += row[k];
    if (nj == 0) continue;
    int cells = 0;
    for (int k = 0; k < r; ++k) {
      const uint32_t c = row[k];
      if (c == 0) continue;
      total += lngamma(cellmemo, double(c), alphajk) - lgalphajk;
      ++cells;
      if (clear) row[k] = 0;
    }
    total -= lngamma(configmemo, double(nj), alphaj) - lgalphaj;
    if (cells <= 1) a -= logr;
    else b -= cells * logr;
  }
}
