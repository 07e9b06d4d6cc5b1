// The counting methods of score beyond the plain dense table: a family with weight
// vectors, and the two private ones behind scorefamily (a dense table of whole counts
// and a radix sort of the records' cells for tables too large to touch).
#include <algorithm>

#include "core/fail.hh"
#include "scoring/score.hh"

// Records in record order, each adding its weight to N_h and N_hk as the plain
// definition does, so the double sums round exactly as there.
void score::countweighted() {
  std::vector<int> absent;
  for (int p : parents)
    absent.insert(absent.end(), columns.missing[p].begin(), columns.missing[p].end());
  absent.insert(absent.end(), columns.missing[child].begin(), columns.missing[child].end());
  std::sort(absent.begin(), absent.end());
  absent.erase(std::unique(absent.begin(), absent.end()), absent.end());
  std::vector<int> members = parents;  // the family in increasing order
  members.insert(std::upper_bound(members.begin(), members.end(), child), child);
  const uint32_t r = uint32_t(nstates);
  size_t next = 0;
  for (int t = 0; t < nrecords; ++t) {
    if (next < absent.size() && absent[next] == t) {
      ++next;
      spreadrecord(t, members);
    } else {
      counts.data[cells[t] / r] += 1.0;
      counts2.data[cells[t]] += 1.0;
    }
  }
}

// A record with absent family entries spreads the product of their weights over every
// completion of them, like an odometer whose last absent variable turns fastest.
void score::spreadrecord(int t, const std::vector<int>& members) {
  std::vector<int> value(members.size()), open;
  for (size_t m = 0; m < members.size(); ++m) {
    const int var = members[m];
    value[m] = (*data)(t, var);
    if (value[m] >= 0) continue;
    check(t < int(weights->size()) && var < int((*weights)[t].size()) &&
              (*weights)[t][var].size() >= family[var],
          "weight vector covers every state of its variable");
    value[m] = 0;
    open.push_back(int(m));
  }
  const std::vector<matrix<double>>& given = (*weights)[t];
  while (true) {
    long long h = 0;
    int k = 0;
    for (size_t m = 0; m < members.size(); ++m) {
      if (members[m] == child) k = value[m];
      else h = h * family[members[m]] + value[m];
    }
    double w = 1.0;
    for (int m : open) w *= given[members[m]][value[m]];
    counts.data[h] += w;
    counts2.data[h * nstates + k] += w;
    int o = int(open.size()) - 1;
    for (; o >= 0; --o) {
      int& v = value[open[o]];
      if (v < family[members[open[o]]] - 1) {
        ++v;
        break;
      }
      v = 0;
    }
    if (o < 0) return;
  }
}

// Whole counts in a dense table of `configs` configurations (the family's q; in
// configuration order). Consecutive
// records often hit the same cell, and each increment then waits for the previous one;
// small tables are therefore counted in four interleaved banks that are added up
// afterwards (measured on 10000 records, 3 parents: 2.3x faster increments).
template <typename C>
double score::densescore(const C* c, long configs, double& a, double& b) {
  const int r = nstates, records = nrecords;
  const size_t size = size_t(configs) * r;
  constexpr size_t bankedcells = 2048;
  if (size <= bankedcells) {
    // Banks 16 cells off a multiple of 64 apart: see the histogram of prefixcounts.cc.
    const size_t stride = (size + 63) / 64 * 64 + 16;
    hist.assign(4 * stride, 0);
    uint32_t* h0 = hist.data();
    uint32_t* h1 = h0 + stride;
    uint32_t* h2 = h1 + stride;
    uint32_t* h3 = h2 + stride;
    int t = 0;
    for (; t + 4 <= records; t += 4) {
      ++h0[c[t]];
      ++h1[c[t + 1]];
      ++h2[c[t + 2]];
      ++h3[c[t + 3]];
    }
    for (; t < records; ++t) ++h0[c[t]];
    for (size_t e = 0; e < size; ++e) h0[e] += h1[e] + h2[e] + h3[e];
  } else {
    hist.assign(size, 0);
    uint32_t* h0 = hist.data();
    for (int t = 0; t < records; ++t) ++h0[c[t]];
  }
  return scantable(hist.data(), configs, false, a, b);
}

// The score of a dense table of whole counts, configuration by configuration; with
// `clear`, every configuration read is set back to 0.
double score::scantable(uint32_t* h, long configs, bool clear, double& a, double& b) {
  sum.start(alpha, aic, nconfigs, nstates, nrecords);
  sum.table(h, configs, clear);
  return finish(a, b);
}

template double score::densescore(const uint16_t*, long, double&, double&);
template double score::densescore(const uint32_t*, long, double&, double&);

// Least-significant-digit radix sort of the cells in 11-bit digits (a 2048-entry
// histogram stays in the first-level cache), then one scan over runs of equal cells,
// which arrive in increasing cell order as the dense sum visits them. Costs a few
// passes over the records instead of touching every cell of a huge table.
double score::sparsescore(uint32_t* c, long configs, double& a, double& b) {
  const int r = nstates;
  const uint32_t top = uint32_t(configs) * uint32_t(r) - 1;
  sorted.resize(nrecords);
  uint32_t* src = c;
  uint32_t* dst = sorted.data();
  constexpr int digit = 11;
  uint32_t bucket[1 << digit];
  for (int shift = 0; shift < 32 && (top >> shift) != 0; shift += digit) {
    std::fill(bucket, bucket + (1 << digit), 0);
    for (int t = 0; t < nrecords; ++t) ++bucket[(src[t] >> shift) & ((1 << digit) - 1)];
    uint32_t at = 0;
    for (uint32_t& slot : bucket) {
      const uint32_t here = slot;
      slot = at;
      at += here;
    }
    for (int t = 0; t < nrecords; ++t) dst[bucket[(src[t] >> shift) & ((1 << digit) - 1)]++] = src[t];
    std::swap(src, dst);
  }
  sum.start(alpha, aic, nconfigs, r, nrecords);
  int p = 0;
  while (p < nrecords) {
    const uint32_t end = (src[p] / uint32_t(r) + 1) * uint32_t(r);
    int e = p;
    while (e < nrecords && src[e] < end) ++e;
    const double nj = double(e - p);
    for (int i = p; i < e;) {
      int k = i;
      while (k < e && src[k] == src[i]) ++k;
      sum.cell(double(k - i), nj);
      i = k;
    }
    sum.endconfig(nj);
    p = e;
  }
  return finish(a, b);
}

// The same over cells in increasing order that carry weights (whole numbers of records).
double score::scanruns(const uint32_t* cell, const uint32_t* weight, size_t count, double& a,
                       double& b) {
  const uint32_t r = uint32_t(nstates);
  sum.start(alpha, aic, nconfigs, int(r), nrecords);
  size_t p = 0;
  while (p < count) {
    const uint32_t end = (cell[p] / r + 1) * r;
    size_t e = p;
    uint32_t nj = 0;
    for (; e < count && cell[e] < end; ++e) nj += weight[e];
    for (size_t i = p; i < e;) {
      uint32_t njk = 0;
      size_t k = i;
      for (; k < e && cell[k] == cell[i]; ++k) njk += weight[k];
      sum.cell(double(njk), double(nj));
      i = k;
    }
    sum.endconfig(double(nj));
    p = e;
  }
  return finish(a, b);
}
