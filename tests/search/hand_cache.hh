// Test support for the heuristic searches: score caches written entry by entry, and
// checks that a structure is a consistent network of the cache.
#pragma once

#include <algorithm>
#include <initializer_list>
#include <vector>

#include "cache_lists.hh"
#include "io/io.hh"

namespace handcache {

inline void start(io& d, int n) { testsupport::start_two_state(d, n); }

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

inline void finish(io& d) { testsupport::sort_lists(d); }

// Row v of S (diagonal ignored) holds exactly `parents`.
inline bool has_parents(const matrix<char>& S, int v, std::initializer_list<int> parents) {
  std::vector<int> want(parents), got;
  for (int k = 0; k < S.m; ++k)
    if (k != v && S(v, k) > 0) got.push_back(k);
  std::sort(want.begin(), want.end());
  return want == got;
}

inline bool is_acyclic(const matrix<char>& S) { return testsupport::arcs_acyclic(S); }

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
