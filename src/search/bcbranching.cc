#include "search/bcbranching.hh"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

constexpr int reliable = 4;
constexpr int lookahead = 8;
constexpr int trialpivots = 50;
constexpr double tiny = 1e-6;

double product(double down, double up) { return std::max(down, tiny) * std::max(up, tiny); }

}  // namespace

bcbranching::bcbranching(const ilpmodel& m, clusterlp& lp) : m(m), lp(lp) {
  const size_t arcs = size_t(m.n) * m.n;
  for (int side = 0; side < 2; ++side) {
    gainsum[side].assign(arcs, 0.0);
    seen[side].assign(arcs, 0);
  }
}

double bcbranching::estimate(int arc, int side, double change) const {
  if (seen[side][arc] > 0) return gainsum[side][arc] / seen[side][arc] * change;
  if (totalseen[side] > 0) return totalsum[side] / totalseen[side] * change;
  return change;
}

void bcbranching::observe(const arcdecision& arc, double change, double gain) {
  if (!(change > tiny) || !std::isfinite(gain)) return;
  const int a = arc.parent * m.n + arc.child, side = arc.required ? 1 : 0;
  const double unit = std::max(gain, 0.0) / change;
  gainsum[side][a] += unit;
  ++seen[side][a];
  totalsum[side] += unit;
  ++totalseen[side];
}

// The live columns of v, not yet fixed at this node, that the child would fix.
void bcbranching::childcolumns(int u, int v, bool required) {
  columns.clear();
  for (int j = m.start[v]; j < m.start[v + 1]; ++j)
    if (lp.upper(j) > 0.0 && hasbit(m.parents(j), u) != required) columns.push_back(j);
}

bool bcbranching::choose(double bound, double cutoff, arcdecision& arc, double& change) {
  const int n = m.n;
  const double* x = lp.x();
  value.assign(size_t(n) * n, 0.0);
  for (int j = 0; j < m.columns(); ++j) {
    if (x[j] <= 1e-9) continue;
    forbits(m.parents(j), m.W, [&](int u) { value[size_t(u) * n + m.child[j]] += x[j]; });
  }
  struct candidate {
    int arc;
    double score, down, up;
  };
  std::vector<candidate> list;
  for (int a = 0; a < n * n; ++a) {
    const double f = value[a];
    if (f < tiny || f > 1.0 - tiny) continue;
    const double down = estimate(a, 0, f), up = estimate(a, 1, 1.0 - f);
    list.push_back({a, product(down, up), down, up});
  }
  if (list.empty()) return false;
  std::sort(list.begin(), list.end(),
            [](const candidate& p, const candidate& q) { return p.score > q.score; });
  int best = 0, idle = 0;
  bool trying = false;
  for (size_t c = 0; c < list.size() && idle < lookahead; ++c) {
    const int a = list[c].arc;
    if (std::min(seen[0][a], seen[1][a]) >= reliable) {
      if (list[c].score > list[best].score) best = int(c);
      continue;
    }
    if (!trying) {
      lp.begintrials();
      trying = true;
    }
    const int u = a / n, v = a % n;
    double gain[2];
    for (int side = 0; side < 2; ++side) {
      childcolumns(u, v, side == 1);
      const double reached = lp.trial(columns, trialpivots, cutoff);
      ++trialcount;
      gain[side] = reached == -HUGE_VAL ? 0.0 : std::min(reached, cutoff) - bound;
      if (reached != -HUGE_VAL)
        observe({u, v, side == 1}, side == 1 ? 1.0 - value[a] : value[a], gain[side]);
    }
    list[c].down = gain[0];
    list[c].up = gain[1];
    list[c].score = product(gain[0], gain[1]);
    if (list[c].score > list[best].score || c == 0) {
      best = int(c);
      idle = 0;
    } else {
      ++idle;
    }
  }
  if (trying) lp.endtrials();
  const int a = list[best].arc;
  arc = {a / n, a % n, list[best].up < list[best].down};
  change = arc.required ? 1.0 - value[a] : value[a];
  return true;
}
