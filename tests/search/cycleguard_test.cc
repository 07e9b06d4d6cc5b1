#include "search/cycleguard.hh"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <vector>

#include "core/graph.hh"

// The guard answers exactly as a full cycle search does, for every new parent set of
// one variable of a random acyclic structure. One guard serves every round, as in a
// climb, so stale marks of earlier tests would show.
TEST(CycleGuard, AgreesWithAFullCycleSearch) {
  std::mt19937 gen(2024);
  cycleguard guard(10);
  int cyclic = 0, acyclic = 0;
  for (int round = 0; round < 2000; ++round) {
    const int n = 2 + int(gen() % 9);
    std::vector<int> rank(n);
    std::iota(rank.begin(), rank.end(), 0);
    std::shuffle(rank.begin(), rank.end(), gen);
    matrix<char> S(n, n, 0);
    for (int i = 0; i < n; ++i) {
      S(i, i) = 1;
      for (int k = 0; k < n; ++k)
        if (rank[k] < rank[i] && gen() % 3 == 0) S(i, k) = 1;
    }
    const int v = int(gen() % unsigned(n));
    matrix<char> before(n, 1, 0);
    for (int k = 0; k < n; ++k) before[k] = S(v, k);
    for (int k = 0; k < n; ++k)
      if (k != v) S(v, k) = gen() % 3 == 0;
    matrix<int> parents(n, n, 0);
    getAdj(S, parents, -1);
    const bool expected = !acyclicAdj(parents, true, bitmap()).empty();
    EXPECT_EQ(guard.closes_cycle(parents, v, before), expected) << "round " << round;
    (expected ? cyclic : acyclic)++;
  }
  EXPECT_GT(cyclic, 200);
  EXPECT_GT(acyclic, 200);
}
