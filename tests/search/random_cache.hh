// Test support for the searches: seeded random score caches and a brute-force optimum
// over every acyclic choice of one cached entry per variable.
#pragma once

#include <algorithm>
#include <random>
#include <vector>

#include "cache_lists.hh"
#include "io/io.hh"

namespace testsupport {

// Fills d with n variables of 2 states and no records, and for each variable the empty
// parent set plus up to `extra` random parent sets of at most `maxparents` parents, with
// random negative scores; every list is sorted ascending (best last), as after clean-up.
inline void random_cache(io& d, int n, int extra, int maxparents, unsigned seed) {
  std::mt19937 gen(seed);
  start_two_state(d, n);
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
    d.cachesize += int(list.size());
  }
  sort_lists(d);
}

// True when choosing entry choice[i] for every variable i gives an acyclic graph.
inline bool choice_is_acyclic(const io& d, const std::vector<int>& choice) {
  matrix<char> S(d.n, d.n, 0);
  for (int i = 0; i < d.n; ++i) {
    const matrix<char>& set = d.cache[i][choice[i]].second;
    for (int k = 0; k < d.n; ++k) S(i, k) = set[k];
  }
  return arcs_acyclic(S);
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
