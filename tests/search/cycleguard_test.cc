#include "search/cycleguard.hh"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <vector>

#include "core/graph.hh"

// The guard answers exactly as a full cycle search does, for every new parent set of
// one variable of a random acyclic structure.
TEST(CycleGuard, AgreesWithAFullCycleSearch) {
  std::mt19937 gen(2024);
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
    cycleguard guard(n);
    EXPECT_EQ(guard.closes_cycle(parents, v, before), expected) << "round " << round;
    (expected ? cyclic : acyclic)++;
  }
  EXPECT_GT(cyclic, 200);
  EXPECT_GT(acyclic, 200);
}

TEST(CycleGuard, ReusedAcrossTestsWithoutClearing) {
  // 0 <- 1 <- 2; giving 2 the parent 0 closes a cycle, giving 0 the parent 2 does not.
  matrix<char> S(3, 3, 0);
  S(0, 1) = 1;
  S(1, 2) = 1;
  matrix<int> parents(3, 3, 0);
  cycleguard guard(3);
  for (int repeat = 0; repeat < 3; ++repeat) {
    matrix<char> before(3, 1, 0);
    S(2, 0) = 1;
    getAdj(S, parents, -1);
    EXPECT_TRUE(guard.closes_cycle(parents, 2, before));
    S(2, 0) = 0;
    before[1] = 1;
    S(0, 2) = 1;
    getAdj(S, parents, -1);
    EXPECT_FALSE(guard.closes_cycle(parents, 0, before));
    S(0, 2) = 0;
  }
}
