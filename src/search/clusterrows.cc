// The row side of clusterlp: the cut pool, cut rows in and out of the simplex.
#include <ClpSimplex.hpp>

#include <algorithm>

#include "search/clusterlp.hh"

namespace {

// A row counts as slack when its activity is this far inside its bound.
constexpr double slackness = 1e-6;

// Whether a family with these parents has at least k of them inside the cluster.
bool hits(const setword* parents, const setword* cut, int W, int k) {
  if (k == 1) return meet(parents, cut, W);
  int inside = 0;
  for (int w = 0; w < W; ++w) inside += bitcount64(parents[w] & cut[w]);
  return inside >= k;
}

}  // namespace

// How far x exceeds the cut's right-hand side (> 0: violated).
double clusterlp::excess(const setword* cut) const {
  const int k = int(cut[W]);
  double total = 0.0;
  forbits(cut, W, [&](int v) {
    for (int i = supportat[v]; i < supportat[v + 1]; ++i) {
      const int j = nonzero[i];
      if (hits(m.parents(j), cut, W, k)) total += xs[j];
    }
  });
  return total - (setsize(cut, W) - k);
}

// The row of a pool cut over the active columns, in its sparser form; queued for
// flushrows.
void clusterlp::appendrow(int c) {
  const setword* cut = &pool[size_t(c) * S];
  const int k = int(cut[W]);
  if (rowstarts.empty()) rowstarts.push_back(0);
  const size_t from = cols.size();
  other.clear();
  forbits(cut, W, [&](int v) {
    other.push_back(v);  // v's artificial column, an empty family
    for (int j = m.start[v]; j < m.start[v + 1]; ++j) {
      if (lpcol[j] < 0) continue;
      (hits(m.parents(j), cut, W, k) ? cols : other).push_back(lpcol[j]);
    }
  });
  const bool hitting = other.size() >= cols.size() - from;
  if (hitting) {
    lower.push_back(-COIN_DBL_MAX);
    upperrhs.push_back(double(setsize(cut, W) - k));
  } else {
    cols.resize(from);
    cols.insert(cols.end(), other.begin(), other.end());
    lower.push_back(double(k));
    upperrhs.push_back(COIN_DBL_MAX);
  }
  rowstarts.push_back(int(cols.size()));
  poolrow[c] = n + int(rowcut.size());
  rowcut.push_back(c);
  age.push_back(0);
  hitform.push_back(hitting);
}

void clusterlp::flushrows() {
  const int count = int(lower.size());
  if (count == 0) return;
  const std::vector<double> ones(cols.size(), 1.0);
  const std::vector<CoinBigIndex> starts(rowstarts.begin(), rowstarts.end());
  lp->addRows(count, lower.data(), upperrhs.data(), starts.data(), cols.data(), ones.data());
  cols.clear();
  rowstarts.clear();
  lower.clear();
  upperrhs.clear();
  rowsofstale = true;
}

// Per variable, the cut rows whose cluster holds it: pricing reads them.
void clusterlp::indexrows() {
  if (!rowsofstale) return;
  for (auto& list : rowsof) list.clear();
  for (int r = n; r < lp->numberRows(); ++r) {
    forbits(&pool[size_t(rowcut[r - n]) * S], W, [&](int v) { rowsof[v].push_back(r); });
  }
  rowsofstale = false;
}

int clusterlp::addcuts(const std::vector<setword>& cuts, double minviolation) {
  const int count = int(cuts.size()) / S;
  int added = 0;
  for (int k = 0; k < count; ++k) {
    const setword* cut = &cuts[size_t(k) * S];
    if (excess(cut) <= minviolation) continue;
    pool.insert(pool.end(), cut, cut + S);
    poolrow.push_back(-1);
    appendrow(int(poolrow.size()) - 1);
    ++added;
  }
  flushrows();
  return added;
}

int clusterlp::restorepooled(double minviolation) {
  int added = 0;
  for (int c = 0; c < int(poolrow.size()); ++c) {
    if (poolrow[c] >= 0 || excess(&pool[size_t(c) * S]) <= minviolation) continue;
    appendrow(c);
    ++added;
  }
  flushrows();
  return added;
}

int clusterlp::dropslack(int stale) {
  const double* activity = lp->primalRowSolution();
  const double* rowupper = lp->rowUpper();
  const double* rowlower = lp->rowLower();
  std::vector<int> drop;
  for (int r = n; r < lp->numberRows(); ++r) {
    const int k = r - n;
    const bool slack = activity[r] < rowupper[r] - slackness &&
                       activity[r] > rowlower[r] + slackness &&
                       lp->getRowStatus(r) == ClpSimplex::basic;
    age[k] = slack ? age[k] + 1 : 0;
    if (age[k] >= stale) drop.push_back(r);
  }
  if (drop.empty()) return 0;
  lp->deleteRows(int(drop.size()), drop.data());
  size_t kept = 0, d = 0;
  for (size_t k = 0; k < rowcut.size(); ++k) {
    if (d < drop.size() && drop[d] == int(k) + n) {
      poolrow[rowcut[k]] = -1;
      ++d;
      continue;
    }
    rowcut[kept] = rowcut[k];
    age[kept] = age[k];
    hitform[kept] = hitform[k];
    poolrow[rowcut[kept]] = int(kept) + n;
    ++kept;
  }
  rowcut.resize(kept);
  age.resize(kept);
  hitform.resize(kept);
  rowsofstale = true;
  return int(drop.size());
}
