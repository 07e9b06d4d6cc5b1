// Test support for the heuristic searches: score caches written entry by entry, and
// checks that a structure is a consistent network of the cache.
#pragma once

#include <algorithm>
#include <initializer_list>
#include <vector>

#include "io/io.hh"

namespace handcache {

// n two-state variables, no records (so families are looked up in the cache).
inline void start(io& d, int n) {
  d.init(n, 0);
  for (int i = 0; i < n; ++i) d.categ[i] = 2;
}

inline matrix<char> family(int n, int v, std::initializer_list<int> parents) {
  matrix<char> f(n, 1, 0);
  f[v] = 1;
  for (int p : parents) f[p] = 1;
  return f;
}

inline void add(io& d, int v, double score, std::initializer_list<int> parents) {
  d.cache[v].push_back({score, family(d.n, v, parents)});
  ++d.cachesize;
}

// Sorts every list as the clean-up does: ascending by score, the best last.
inline void finish(io& d) {
  for (auto& list : d.cache)
    std::sort(list.begin(), list.end(), [](const auto& a, const auto& b) {
      if (a.first != b.first) return a.first < b.first;
      return a.second < b.second;
    });
}

// Row v of S (diagonal ignored) holds exactly `parents`.
inline bool has_parents(const matrix<char>& S, int v, std::initializer_list<int> parents) {
  std::vector<int> want(parents), got;
  for (int k = 0; k < S.m; ++k)
    if (k != v && S(v, k) > 0) got.push_back(k);
  std::sort(want.begin(), want.end());
  return want == got;
}

// Kahn's algorithm over the arcs of S.
inline bool is_acyclic(const matrix<char>& S) {
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

// Every row of S (diagonal set) is an entry of its variable's list with the score
// recorded in `scores`, and `total` is their sum.
inline bool consistent(const io& d, const matrix<char>& S, const matrix<double>& scores,
                       double total) {
  double sum = 0.0;
  for (int v = 0; v < d.n; ++v) {
    bool found = false;
    for (const auto& entry : d.cache[v]) {
      bool same = entry.first == scores[v];
      for (int k = 0; k < d.n && same; ++k) same = (entry.second[k] > 0) == (S(v, k) > 0 || k == v);
      found = found || same;
    }
    if (!found) return false;
    sum += scores[v];
  }
  return sum == total;
}

}  // namespace handcache
