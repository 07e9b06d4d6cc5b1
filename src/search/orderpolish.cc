#include "search/orderpolish.hh"

#include <algorithm>
#include <cmath>

namespace {

// Passes over all variables at most; each pass that moves nothing ends the search.
constexpr int maxpasses = 20;
constexpr double noimprovement = -1e-9;

}  // namespace

orderpolish::orderpolish(const ilpmodel& m)
    : m(m), before(size_t(m.n) * m.W), scratch(size_t(m.W)) {}

// v's best family (the first, as columns are cheapest first) with every parent allowed;
// -1 when none fits.
int orderpolish::best(int v, const setword* allowed) const {
  for (int j = m.start[v]; j < m.start[v + 1]; ++j)
    if (within(m.parents(j), allowed, m.W)) return j;
  return -1;
}

// The best new position `to` for the variable at `from` and the change of loss it
// brings (0 and to == from when no position is better).
double orderpolish::trymove(const std::vector<int>& order, const std::vector<int>& chosen,
                            int from, int& to) {
  const int n = m.n, W = m.W, v = order[from];
  std::vector<setword> mask(before.begin() + size_t(v) * W, before.begin() + size_t(v + 1) * W);
  double bestdelta = 0.0, passed = 0.0;
  to = from;
  // Rightwards: v gains each variable it passes, which loses v.
  for (int t = from + 1; t < n; ++t) {
    const int w = order[t];
    addbit(mask.data(), w);
    if (hasbit(m.parents(chosen[w]), v)) {
      std::copy_n(&before[size_t(w) * W], W, scratch.data());
      dropbit(scratch.data(), v);
      const int j = best(w, scratch.data());
      if (j < 0) break;
      passed += m.loss[j] - m.loss[chosen[w]];
    }
    const int j = best(v, mask.data());
    const double delta = passed + m.loss[j] - m.loss[chosen[v]];
    if (delta < bestdelta) {
      bestdelta = delta;
      to = t;
    }
  }
  // Leftwards: v loses each variable it passes, which gains v.
  std::copy_n(&before[size_t(v) * W], W, mask.data());
  int current = chosen[v];
  passed = 0.0;
  for (int t = from - 1; t >= 0; --t) {
    const int w = order[t];
    dropbit(mask.data(), w);
    if (hasbit(m.parents(current), w)) current = best(v, mask.data());
    if (current < 0) break;
    std::copy_n(&before[size_t(w) * W], W, scratch.data());
    addbit(scratch.data(), v);
    passed += m.loss[best(w, scratch.data())] - m.loss[chosen[w]];
    const double delta = passed + m.loss[current] - m.loss[chosen[v]];
    if (delta < bestdelta) {
      bestdelta = delta;
      to = t;
    }
  }
  return bestdelta;
}

double orderpolish::polish(std::vector<int>& order, std::vector<int>& chosen) {
  const int n = m.n, W = m.W;
  double loss = 0.0;
  // The network of the order: each variable's best family among its predecessors.
  auto settle = [&]() {
    std::fill(before.begin(), before.end(), 0);
    loss = 0.0;
    for (int k = 0; k < n; ++k) {
      const int v = order[k];
      if (k > 0) {
        std::copy_n(&before[size_t(order[k - 1]) * W], W, &before[size_t(v) * W]);
        addbit(&before[size_t(v) * W], order[k - 1]);
      }
      chosen[v] = best(v, &before[size_t(v) * W]);
      if (chosen[v] < 0) return false;
      loss += m.loss[chosen[v]];
    }
    return true;
  };
  chosen.assign(size_t(n), -1);
  if (!settle()) return HUGE_VAL;
  for (int pass = 0; pass < maxpasses; ++pass) {
    bool moved = false;
    for (int v = 0; v < n; ++v) {
      const int from = int(std::find(order.begin(), order.end(), v) - order.begin());
      int to = from;
      if (trymove(order, chosen, from, to) >= noimprovement) continue;
      if (to > from)
        std::rotate(order.begin() + from, order.begin() + from + 1, order.begin() + to + 1);
      else
        std::rotate(order.begin() + to, order.begin() + from, order.begin() + from + 1);
      settle();
      moved = true;
    }
    if (!moved) break;
  }
  return loss;
}
