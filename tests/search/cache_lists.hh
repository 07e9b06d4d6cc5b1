// Test support shared by the hand-written and the random score caches: the clean-up's
// list order and an independent acyclicity check.
#pragma once

#include <algorithm>
#include <vector>

#include "io/io.hh"

namespace testsupport {

// n two-state variables, no records (so families are looked up in the cache).
inline void start_two_state(io& d, int n) {
  d.init(n, 0);
  for (int i = 0; i < n; ++i) d.categ[i] = 2;
}

// Sorts every list as the clean-up does: ascending by score, the best last.
inline void sort_lists(io& d) {
  for (auto& list : d.cache)
    std::sort(list.begin(), list.end(), [](const auto& a, const auto& b) {
      if (a.first != b.first) return a.first < b.first;
      return a.second < b.second;
    });
}

// Kahn's algorithm over the arcs of S (row = child, diagonal ignored).
inline bool arcs_acyclic(const matrix<char>& S) {
  const int n = S.n;
  std::vector<int> indegree(n, 0), ready;
  for (int i = 0; i < n; ++i)
    for (int k = 0; k < n; ++k)
      if (k != i && S(i, k) > 0) ++indegree[i];
  for (int i = 0; i < n; ++i)
    if (indegree[i] == 0) ready.push_back(i);
  int placed = 0;
  while (!ready.empty()) {
    const int v = ready.back();
    ready.pop_back();
    ++placed;
    for (int c = 0; c < n; ++c)
      if (c != v && S(c, v) > 0 && --indegree[c] == 0) ready.push_back(c);
  }
  return placed == n;
}

}  // namespace testsupport
