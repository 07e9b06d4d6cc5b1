#include "search/ilpmodel.hh"

#include <cmath>

namespace {

// An entry agrees with row v of the allowance matrix when it holds every required
// parent (element -1) and no forbidden one (element 1).
bool admitted(const io& d, int v, const matrix<char>& family) {
  if (d.allow.n != d.n) return true;
  for (int k = 0; k < d.n; ++k) {
    const char rule = d.allow(v, k);
    if ((rule == 1 && family[k] != 0) || (rule == -1 && family[k] == 0)) return false;
  }
  return true;
}

}  // namespace

ilpmodel::ilpmodel(const io& d, double cutoff)
    : n(d.n), W(wordsfor(d.n)), start(size_t(d.n) + 1, 0), top(size_t(d.n)) {
  // The best admitted entry of every variable first: the cutoff test needs their sum.
  std::vector<int> best(size_t(n), -1);
  for (int v = 0; v < n; ++v) {
    const parentsetlist& list = d.cache[v];
    for (int e = int(list.size()) - 1; e >= 0 && best[v] < 0; --e)
      if (admitted(d, v, list[e].second)) best[v] = e;
    top[v] = best[v] >= 0 ? list[best[v]].first : -HUGE_VAL;
    topsum += top[v];
  }
  // Losses at or above this slack cannot beat the cutoff (a margin keeps ties).
  const double slack = topsum - cutoff + 1e-6 * (1.0 + std::fabs(cutoff));
  for (int v = 0; v < n; ++v) {
    const parentsetlist& list = d.cache[v];
    for (int e = best[v]; e >= 0; --e) {
      const double l = top[v] - list[e].first;
      if (!admitted(d, v, list[e].second)) continue;
      if (!(l < slack)) {
        ++dropped;
        continue;
      }
      child.push_back(v);
      entry.push_back(e);
      loss.push_back(l);
      const size_t at = masks.size();
      masks.resize(at + size_t(W), 0);
      for (int q = 0; q < n; ++q)
        if (q != v && list[e].second[q] != 0) addbit(&masks[at], q);
    }
    start[v + 1] = int(child.size());
  }
}
