// The simplex side of clusterlp: solving, pricing, proved bounds, column bounds, strong
// branching trials and saved bases. The rows and the cut pool are in clusterrows.cc.
#include "search/clusterlp.hh"

#include "core/wordset.hh"

#include <ClpSimplex.hpp>

#include <algorithm>
#include <cmath>

namespace {

// Each variable's cheapest families start in the simplex; pricing brings in the rest
// as the row prices ask for them.
constexpr int initialcolumns = 8;
// A column joins when its reduced cost is below this; at most `joining` per round.
constexpr double entering = -1e-7;
constexpr size_t joining = 200;

}  // namespace

clusterlp::clusterlp(const ilpmodel& m)
    : m(m), n(m.n), W(m.W), S(m.W + 1), lp(new ClpSimplex()),
      ub(size_t(m.columns()), 1.0), dead(size_t(m.columns()), 0),
      lpcol(size_t(m.columns()), -1), xs(size_t(m.columns()), 0.0),
      dj(size_t(m.columns()), 0.0), base(size_t(m.n)), reach(size_t(m.n) * m.n),
      rowsof(size_t(m.n)), priced(size_t(m.n)) {
  std::vector<double> rowbound(size_t(n), 1.0);
  lp->setLogLevel(0);
  lp->loadProblem(0, n, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, rowbound.data(),
                  rowbound.data());
  lp->setOptimizationDirection(1.0);
  // Every coefficient is 1 and every cost a loss of one scale: scaling only costs time
  // (it was redone at every solve after new rows).
  lp->scaling(0);
  // One artificial column per variable: an empty family at a prohibitive cost, which
  // keeps the simplex feasible over the active columns whatever the node fixes.
  double worst = 0.0;
  for (double l : m.loss) worst = std::max(worst, l);
  const double artificialcost = 1000.0 * (worst + 1.0);
  for (int v = 0; v < n; ++v) {
    const int row = v;
    const double one = 1.0, lo = 0.0, up = 1.0;
    const CoinBigIndex starts[2] = {0, 1};
    lp->addColumns(1, &lo, &up, &artificialcost, starts, &row, &one);
    modelcol.push_back(-1 - v);
  }
  std::vector<int> first;
  for (int v = 0; v < n; ++v)
    for (int j = m.start[v]; j < std::min(m.start[v + 1], m.start[v] + initialcolumns); ++j)
      first.push_back(j);
  activate(first);
}

clusterlp::~clusterlp() = default;

double clusterlp::value() const { return lp->objectiveValue(); }
int clusterlp::rows() const { return lp->numberRows() - n; }

// Whether model column j has a coefficient in cut row `row`.
bool clusterlp::coefficient(int j, int row) const {
  const setword* cut = &pool[size_t(rowcut[row - n]) * S];
  const int k = int(cut[W]);
  const setword* p = m.parents(j);
  bool hit;
  if (k == 1) {
    hit = meet(p, cut, W);
  } else {
    int inside = 0;
    for (int w = 0; w < W; ++w) inside += bitcount64(p[w] & cut[w]);
    hit = inside >= k;
  }
  return hit == bool(hitform[row - n]);
}

void clusterlp::activate(const std::vector<int>& columns) {
  if (columns.empty()) return;
  indexrows();
  std::vector<CoinBigIndex> starts(1, 0);
  std::vector<int> rowsin;
  std::vector<double> lo, up, obj;
  for (int j : columns) {
    const int v = m.child[j];
    rowsin.push_back(v);
    for (int r : rowsof[v])
      if (coefficient(j, r)) rowsin.push_back(r);
    starts.push_back(CoinBigIndex(rowsin.size()));
    lo.push_back(0.0);
    up.push_back(ub[j]);
    obj.push_back(m.loss[j]);
    lpcol[j] = int(modelcol.size());
    modelcol.push_back(j);
  }
  const std::vector<double> ones(rowsin.size(), 1.0);
  lp->addColumns(int(columns.size()), lo.data(), up.data(), obj.data(), starts.data(),
                 rowsin.data(), ones.data());
}

void clusterlp::setupper(int j, double u) {
  ub[j] = dead[j] ? 0.0 : u;
  if (lpcol[j] >= 0) lp->setColumnUpper(lpcol[j], ub[j]);
}

void clusterlp::fix(int j) {
  dead[j] = 1;
  setupper(j, 0.0);
}

// Drops the simplex columns fixed for good, except basic ones (the basis stays square).
void clusterlp::compact() {
  std::vector<int> drop;
  for (int c = n; c < int(modelcol.size()); ++c)
    if (dead[modelcol[c]] && lp->getColumnStatus(c) != ClpSimplex::basic) drop.push_back(c);
  if (drop.empty()) return;
  lp->deleteColumns(int(drop.size()), drop.data());
  size_t kept = size_t(n), d = 0;
  for (size_t c = size_t(n); c < modelcol.size(); ++c) {
    if (d < drop.size() && drop[d] == int(c)) {
      lpcol[modelcol[c]] = -1;
      ++d;
      continue;
    }
    modelcol[kept] = modelcol[c];
    lpcol[modelcol[kept]] = int(kept);
    ++kept;
  }
  modelcol.resize(kept);
}

void clusterlp::gather() {
  for (int j : nonzero) xs[j] = 0.0;
  nonzero.clear();
  const double* sol = lp->primalColumnSolution();
  artificial = false;
  for (int c = 0; c < n; ++c) artificial |= sol[c] > 1e-9;
  for (int c = n; c < int(modelcol.size()); ++c)
    if (sol[c] > 1e-12) {
      xs[modelcol[c]] = sol[c];
      nonzero.push_back(modelcol[c]);
    }
  indexsupport();
}

// The support by variable: model columns are grouped by variable, so sorting the
// nonzero columns groups them too.
void clusterlp::indexsupport() {
  std::sort(nonzero.begin(), nonzero.end());
  supportat.assign(size_t(n) + 1, 0);
  for (int j : nonzero) ++supportat[m.child[j] + 1];
  for (int v = 0; v < n; ++v) supportat[v + 1] += supportat[v];
}

// Over the priced rows only (a row at price 0 changes nothing), as provebound explains.
double clusterlp::reducedcost(int j) const {
  const int v = m.child[j];
  double d = m.loss[j] - base[v];
  for (int r : priced[v])
    if (coefficient(j, r) == bool(hitform[r - n])) d += std::fabs(price[r]);
  return d;
}

// y.b + sum_j min(d_j l_j, d_j u_j) with the prices of inequality rows clipped to their
// sign (a minimisation: <= rows take y <= 0, >= rows y >= 0). Lower bounds are all 0,
// so a column contributes min(0, d_j) u_j.
double clusterlp::provebound() {
  indexrows();
  const int R = lp->numberRows();
  const double* y = lp->dualRowSolution();
  const double* rowlower = lp->rowLower();
  const double* rowupper = lp->rowUpper();
  price.assign(y, y + R);
  double total = 0.0;
  for (int r = 0; r < R; ++r) {
    if (rowlower[r] == rowupper[r]) {
      total += price[r] * rowupper[r];
    } else if (rowlower[r] <= -COIN_DBL_MAX) {
      price[r] = std::min(price[r], 0.0);
      total += price[r] * rowupper[r];
    } else {
      price[r] = std::max(price[r], 0.0);
      total += price[r] * rowlower[r];
    }
  }
  // Reduced costs, rewritten: a <= row (hitting form) has y <= 0 and holds the columns
  // that hit its cluster, a >= row has y >= 0 and holds the others, so
  //   d_j = loss_j - base_v + sum over the rows r over v that j hits of |y_r|,
  // base_v being v's convexity price plus the prices of its >= rows. Every order-1 row
  // whose cluster holds one of j's parents is hit, so loss_j - base_v + max over j's
  // parents u of reach[v][u] (the |y_r| of v's order-1 rows over u) is a floor; where
  // it is not negative the column adds nothing and cannot enter, and the floor serves
  // as its reduced cost for fixing. Most columns end there (on win95pts-cl_10000 the
  // rows over v were otherwise scanned for half of its 104,318 columns at every solve).
  for (int v = 0; v < n; ++v) {
    base[v] = price[v];
    priced[v].clear();
    double* reachv = &reach[size_t(v) * n];
    std::fill(reachv, reachv + n, 0.0);
    for (int r : rowsof[v]) {
      if (price[r] == 0.0) continue;
      priced[v].push_back(r);
      if (!hitform[r - n]) base[v] += price[r];
      const setword* cut = &pool[size_t(rowcut[r - n]) * S];
      if (cut[W] == 1) forbits(cut, W, [&](int u) { reachv[u] += std::fabs(price[r]); });
    }
  }
  for (int j = 0; j < m.columns(); ++j) {
    if (ub[j] == 0.0) continue;
    const int v = m.child[j];
    const double* reachv = &reach[size_t(v) * n];
    double most = 0.0;
    forbits(m.parents(j), W, [&](int u) { most = std::max(most, reachv[u]); });
    dj[j] = m.loss[j] - base[v] + most;
    if (dj[j] < 0.0) {
      dj[j] = reducedcost(j);
      if (dj[j] < 0.0) total += dj[j];
    }
  }
  proved = total;
  return total;
}

// Brings in the inactive columns with the most negative reduced costs.
int clusterlp::pricein() {
  pending.clear();
  for (int j = 0; j < m.columns(); ++j)
    if (lpcol[j] < 0 && ub[j] > 0.0 && dj[j] < entering) pending.push_back(j);
  if (pending.size() > joining) {
    std::nth_element(pending.begin(), pending.begin() + joining, pending.end(),
                     [&](int a, int b) { return dj[a] < dj[b]; });
    pending.resize(joining);
  }
  activate(pending);
  return int(pending.size());
}

clusterlp::outcome clusterlp::solve(double cutoffloss) {
  for (;;) {
    lp->setDualObjectiveLimit(cutoffloss);
    lp->dual();
    pivots += lp->numberIterations();
    int status = lp->status();
    if (status == 1 && lp->secondaryStatus() == 1) {
      // Stopped at the cutoff: the prices in hand must prove it, or the solve goes on.
      if (provebound() >= cutoffloss) return pruned;
      lp->setDualObjectiveLimit(COIN_DBL_MAX);
      lp->dual();
      pivots += lp->numberIterations();
      status = lp->status();
    }
    if (status == 1) return pruned;  // no solution within the column bounds
    if (status != 0) return failed;
    gather();
      if (provebound() >= cutoffloss) return pruned;
    if (pricein() > 0) continue;
    if (!artificial) return optimal;
    // An artificial column still carries mass after pricing: either the node has no
    // network, or its cost was not prohibitive enough. All columns settle it.
    pending.clear();
    for (int j = 0; j < m.columns(); ++j)
      if (lpcol[j] < 0 && ub[j] > 0.0) pending.push_back(j);
    if (pending.empty()) return pruned;
    activate(pending);
  }
}

void clusterlp::begintrials() {
  const int total = lp->numberRows() + lp->numberColumns();
  savedstatus.assign(lp->statusArray(), lp->statusArray() + total);
  savedx = xs;
  saveddj = dj;
  savedproved = proved;
}

double clusterlp::trial(const std::vector<int>& columns, int limit, double cutoffloss) {
  for (int j : columns)
    if (lpcol[j] >= 0) lp->setColumnUpper(lpcol[j], 0.0);
  lp->setDualObjectiveLimit(cutoffloss);
  lp->setMaximumIterations(limit);
  lp->dual();
  trialpivots += lp->numberIterations();
  const int status = lp->status();
  double reached = lp->objectiveValue();
  if (status == 1) reached = HUGE_VAL;
  else if (status != 0 && status != 3) reached = -HUGE_VAL;
  for (int j : columns)
    if (lpcol[j] >= 0) lp->setColumnUpper(lpcol[j], ub[j]);
  lp->copyinStatus(savedstatus.data());
  lp->setMaximumIterations(1000000000);
  return reached;
}

void clusterlp::endtrials() {
  lp->setDualObjectiveLimit(COIN_DBL_MAX);
  lp->dual();
  xs = savedx;
  nonzero.clear();
  for (int j = 0; j < m.columns(); ++j)
    if (xs[j] != 0.0) nonzero.push_back(j);
  indexsupport();
  dj = saveddj;
  proved = savedproved;
}

void clusterlp::savebasis(std::vector<uint32_t>& out) const {
  out.clear();
  const int N = m.columns(), C = lp->numberColumns();
  const unsigned char* st = lp->statusArray();
  // Ids: model columns, then artificial columns, convexity rows and pool cuts.
  for (int c = 0; c < C; ++c) {
    if ((st[c] & 7) == ClpSimplex::atLowerBound) continue;
    const uint32_t id = c < n ? uint32_t(N + c) : uint32_t(modelcol[c]);
    out.push_back(id << 3 | (st[c] & 7));
  }
  for (int r = 0; r < lp->numberRows(); ++r) {
    const int s = st[C + r] & 7;
    if (s == ClpSimplex::basic) continue;
    const uint32_t id = r < n ? uint32_t(N + n + r) : uint32_t(N + 2 * n + rowcut[r - n]);
    out.push_back(id << 3 | uint32_t(s));
  }
}

void clusterlp::loadbasis(const std::vector<uint32_t>& in) {
  const int N = m.columns();
  // What the basis names comes back first, so that it stays square.
  std::vector<int> columns;
  for (uint32_t e : in) {
    const int id = int(e >> 3);
    if (id < N && lpcol[id] < 0 && !dead[id]) columns.push_back(id);
    if (id >= N + 2 * n && poolrow[id - N - 2 * n] < 0) appendrow(id - N - 2 * n);
  }
  flushrows();
  activate(columns);
  const int C = lp->numberColumns(), R = lp->numberRows();
  unsigned char* st = lp->statusArray();
  for (int c = 0; c < C; ++c) st[c] = (st[c] & ~7) | ClpSimplex::atLowerBound;
  for (int r = 0; r < R; ++r) st[C + r] = (st[C + r] & ~7) | ClpSimplex::basic;
  for (uint32_t e : in) {
    const int id = int(e >> 3), s = int(e & 7);
    int at = -1;
    if (id < N) at = lpcol[id];
    else if (id < N + n) at = id - N;
    else if (id < N + 2 * n) at = C + id - N - n;
    else if (poolrow[id - N - 2 * n] >= 0) at = C + poolrow[id - N - 2 * n];
    if (at >= 0) st[at] = (st[at] & ~7) | s;
  }
}
