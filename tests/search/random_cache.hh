// Test support for the searches: seeded random score caches and a brute-force optimum
// over every acyclic choice of one cached entry per variable.
#pragma once

#include <algorithm>
#include <random>
#include <vector>

#include "io/io.hh"

namespace testsupport {

// Fills d with n variables of 2 states and no records, and for each variable the empty
// parent set plus up to `extra` random parent sets of at most `maxparents` parents, with
// random negative scores; every list is sorted ascending (best last), as after clean-up.
inline void random_cache(io& d, int n, int extra, int maxparents, unsigned seed) {
  std::mt19937 gen(seed);
  d.init(n, 0);
  for (int i = 0; i < n; ++i) d.categ[i] = 2;
  std::uniform_real_distribution<double> score(-100.0, -1.0);
  for (int i = 0; i < n; ++i) {
    parentsetlist& list = d.cache[i];
    matrix<char> empty(n, 1);
    empty[i] = 1;
    list.push_back({score(gen), empty});
    for (int e = 0; e < extra; ++e) {
      matrix<char> set(n, 1);
      set[i] = 1;
      const int parents = 1 + int(gen() % unsigned(std::max(1, maxparents)));
      for (int k = 0; k < parents; ++k) {
        const int v = int(gen() % unsigned(n));
        if (v != i) set[v] = 1;
      }
      bool duplicate = false;
      for (const auto& entry : list)
        if (!(entry.second < set) && !(set < entry.second)) duplicate = true;
      if (!duplicate) list.push_back({score(gen), set});
    }
    std::sort(list.begin(), list.end(), [](const auto& a, const auto& b) {
      if (a.first != b.first) return a.first < b.first;
      return a.second < b.second;
    });
    d.cachesize += int(list.size());
  }
}

// True when choosing entry choice[i] for every variable i gives an acyclic graph.
inline bool choice_is_acyclic(const io& d, const std::vector<int>& choice) {
  const int n = d.n;
  std::vector<int> indegree(n, 0);
  for (int i = 0; i < n; ++i) {
    const matrix<char>& set = d.cache[i][choice[i]].second;
    for (int k = 0; k < n; ++k)
      if (k != i && set[k]) ++indegree[i];
  }
  // Kahn's algorithm over parent -> child arcs.
  std::vector<int> ready;
  for (int i = 0; i < n; ++i)
    if (indegree[i] == 0) ready.push_back(i);
  int placed = 0;
  while (!ready.empty()) {
    const int v = ready.back();
    ready.pop_back();
    ++placed;
    for (int c = 0; c < n; ++c)
      if (c != v && d.cache[c][choice[c]].second[v] && --indegree[c] == 0) ready.push_back(c);
  }
  return placed == n;
}

// The best total score over all acyclic choices (-1e100 when none), by enumeration.
inline double brute_force_optimum(const io& d) {
  const int n = d.n;
  std::vector<int> choice(n, 0);
  double best = -1e100;
  while (true) {
    if (choice_is_acyclic(d, choice)) {
      double total = 0;
      for (int i = 0; i < n; ++i) total += d.cache[i][choice[i]].first;
      best = std::max(best, total);
    }
    int v = 0;
    while (v < n && ++choice[v] == int(d.cache[v].size())) choice[v++] = 0;
    if (v == n) break;
  }
  return best;
}

}  // namespace testsupport
