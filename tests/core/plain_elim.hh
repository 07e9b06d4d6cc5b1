// The plain greedy min-fill elimination, the reference that the bit-row version of
// bestfirst_elim is tested and benchmarked against.
#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/elim.hh"

// Greedy min-fill on a byte matrix, step by step as the method is stated: fill counts
// ordered non-adjacent pairs of live neighbours, ties to the smaller weight, then the
// lower index.
inline std::vector<int> bestfirst_plain(const matrix<char>& S, const matrix<int>& card, double& width) {
  const int n = S.n;
  matrix<char> G = moralize(S);
  std::vector<bool> gone(n, false);
  std::vector<int> order, nb;
  width = 0;
  for (int s = 0; s < n; ++s) {
    int pos = -1, bestfill = 0;
    double bestweight = 0;
    for (int j = 0; j < n; ++j) {
      if (gone[j]) continue;
      nb.clear();
      for (int k = 0; k < n; ++k)
        if (!gone[k] && k != j && (G(j, k) || G(k, j))) nb.push_back(k);
      int fill = 0;
      double weight = std::log(double(card[j]));
      for (int k : nb) {
        weight += std::log(double(card[k]));
        for (int l : nb)
          if (l != k && !G(k, l)) ++fill;
      }
      if (pos < 0 || fill < bestfill || (fill == bestfill && weight < bestweight)) {
        pos = j;
        bestfill = fill;
        bestweight = weight;
      }
    }
    width = std::max(width, bestweight);
    order.push_back(pos);
    gone[pos] = true;
    for (int k = 0; k < n; ++k)
      for (int l = 0; l < n; ++l)
        if (k != l && !gone[k] && !gone[l] && G(pos, k) && G(pos, l)) G(k, l) = 1;
  }
  return order;
}

