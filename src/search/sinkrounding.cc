#include "search/sinkrounding.hh"

#include <algorithm>
#include <cmath>

sinkrounding::sinkrounding(const ilpmodel& m)
    : m(m), polisher(m), unplaced(size_t(m.W)), candidate(size_t(m.n)), order(size_t(m.n)) {}

// v's family inside the unplaced set with the most mass, the first (smallest loss) of
// equal ones; -1 when none fits.
int sinkrounding::bestinside(int v, const double* x) const {
  int best = -1;
  for (int j = m.start[v]; j < m.start[v + 1]; ++j)
    if ((best < 0 || x[j] > x[best]) && within(m.parents(j), unplaced.data(), m.W)) best = j;
  return best;
}

double sinkrounding::round(const double* x, std::vector<int>& chosen) {
  const int n = m.n;
  std::fill(unplaced.begin(), unplaced.end(), 0);
  for (int v = 0; v < n; ++v) addbit(unplaced.data(), v);
  for (int v = 0; v < n; ++v) candidate[v] = bestinside(v, x);
  for (int k = n - 1; k >= 0; --k) {
    int sink = -1;
    for (int v = 0; v < n; ++v) {
      if (!hasbit(unplaced.data(), v) || candidate[v] < 0) continue;
      const int j = candidate[v], s = sink < 0 ? -1 : candidate[sink];
      if (sink < 0 || x[j] > x[s] || (x[j] == x[s] && m.loss[j] < m.loss[s])) sink = v;
    }
    if (sink < 0) return HUGE_VAL;
    order[k] = sink;
    dropbit(unplaced.data(), sink);
    for (int v = 0; v < n; ++v)
      if (hasbit(unplaced.data(), v) && candidate[v] >= 0 &&
          hasbit(m.parents(candidate[v]), sink))
        candidate[v] = bestinside(v, x);
  }
  return polisher.polish(order, chosen);
}
