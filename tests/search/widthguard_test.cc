#include "search/widthguard.hh"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <random>
#include <vector>

#include "core/elim.hh"
#include "core/graph.hh"

// Whenever the shortcut says a structure is within the bound, both eliminations agree,
// so skipping them never changes a decision.
TEST(WidthGuard, ShortcutNeverContradictsTheElimination) {
  std::mt19937 gen(7);
  const double bounds[] = {2, 3, 5, 8, 20, 100};
  int skipped = 0, eliminated = 0;
  for (int round = 0; round < 3000; ++round) {
    const int n = 1 + int(gen() % 8);
    matrix<int> categ(n, 1, 0);
    for (int v = 0; v < n; ++v) categ[v] = 1 + int(gen() % 4);
    matrix<char> S(n, n, 0);
    for (int i = 0; i < n; ++i)
      for (int k = 0; k < n; ++k)
        if (k != i && gen() % 5 == 0) S(i, k) = 1;
    matrix<int> parents(n, n, 0);
    getAdj(S, parents, -1);
    widthguard guard(categ, bounds[gen() % 6]);
    if (!guard.surely_within(parents)) {
      ++eliminated;
      continue;
    }
    ++skipped;
    double minfill = 0;
    bestfirst_elim(S, categ, minfill);
    std::vector<int> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::shuffle(order.begin(), order.end(), gen);
    EXPECT_GE(guard.bound, minfill) << "round " << round;
    EXPECT_GT(guard.bound, treewidth_elim(S, categ, order)) << "round " << round;
  }
  EXPECT_GT(skipped, 300);
  EXPECT_GT(eliminated, 300);
}

TEST(WidthGuard, ComponentsAndFamilyWeights) {
  // Two binary pairs 1 <- 0 and 3 <- 2: each component weighs 2 ln 2 = 1.386, together
  // 2.773. Bound ln(1 + 3) = 1.386 is not strictly above a pair (margin); ln 5 is.
  matrix<int> categ(4, 1, 2);
  matrix<char> S(4, 4, 0);
  S(1, 0) = 1;
  S(3, 2) = 1;
  matrix<int> parents(4, 4, 0);
  getAdj(S, parents, -1);
  EXPECT_FALSE(widthguard(categ, 3).surely_within(parents));
  EXPECT_TRUE(widthguard(categ, 4).surely_within(parents));
  S(2, 1) = 1;  // joins the pairs: 2.773 > ln 5
  getAdj(S, parents, -1);
  EXPECT_FALSE(widthguard(categ, 4).surely_within(parents));
  EXPECT_TRUE(widthguard(categ, 16).surely_within(parents));  // total 2.773 <= ln 17

  matrix<char> family(4, 1, 0);
  family[0] = family[3] = 1;
  EXPECT_NEAR(widthguard(categ, 4).family_weight(family), 2 * std::log(2.0), 1e-12);
}

TEST(WidthGuard, VariableWithoutStatesDisablesTheShortcut) {
  matrix<int> categ(2, 1, 2);
  categ[1] = 0;
  matrix<int> parents(2, 2, 0);
  EXPECT_FALSE(widthguard(categ, 1e9).surely_within(parents));
}
