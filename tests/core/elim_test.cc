#include "core/elim.hh"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <utility>
#include <vector>

#include "plain_elim.hh"

namespace {

using arcs = std::vector<std::pair<int, int>>;  // (parent, child)

matrix<char> structure(int n, const arcs& list) {
  matrix<char> S(n, n, 0);
  for (auto [parent, child] : list) S(child, parent) = 1;
  return S;
}

matrix<int> cards(std::vector<int> values) {
  matrix<int> c(int(values.size()), 1);
  for (size_t k = 0; k < values.size(); ++k) c[int(k)] = values[k];
  return c;
}

std::vector<int> as_vector(const matrix<int>& m) { return std::vector<int>(m.data, m.data + m.size()); }

matrix<char> random_structure(std::mt19937& gen, int n, int percent) {
  matrix<char> S(n, n, 0);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j)
      if (int(gen() % 100) < percent) S(i, j) = 1;
  return S;
}

double treewidth_plain(const matrix<char>& S, const matrix<int>& card, const std::vector<int>& order) {
  const int n = S.n;
  matrix<char> G = moralize(S);
  double width = 0;
  for (int a : order) {
    double w = std::log(double(card[a]));
    for (int k = 0; k < n; ++k) {
      if (k == a || !G(a, k)) continue;
      for (int l = k + 1; l < n; ++l)
        if (l != a && G(a, l)) G(k, l) = G(l, k) = 1;
      G(a, k) = G(k, a) = 0;
      w += std::log(double(card[k]));
    }
    width = std::max(width, w);
  }
  return width;
}

}  // namespace

TEST(Moralize, MarriesCoParentsSymmetrically) {
  matrix<char> S = structure(4, {{0, 2}, {1, 2}, {3, 2}});
  S(2, 2) = 1;
  const matrix<char> G = moralize(S);
  const int expected[4][4] = {{0, 1, 1, 1}, {1, 0, 1, 1}, {1, 1, 0, 1}, {1, 1, 1, 0}};
  for (int a = 0; a < 4; ++a)
    for (int b = 0; b < 4; ++b) EXPECT_EQ(G(a, b), expected[a][b]) << a << "," << b;
  const matrix<char> chain = moralize(structure(3, {{0, 1}, {1, 2}}));
  EXPECT_EQ(chain(0, 2), 0);
  EXPECT_EQ(chain(2, 1), 1);
}

TEST(BestFirstElim, ChainEliminatesInIndexOrder) {
  double width = -1;
  const matrix<int> order = bestfirst_elim(structure(3, {{0, 1}, {1, 2}}), cards({2, 2, 2}), width);
  EXPECT_EQ(as_vector(order), (std::vector<int>{0, 1, 2}));
  EXPECT_NEAR(width, 2 * std::log(2.0), 1e-12);
}

TEST(BestFirstElim, VStructureWidthIsTheWholeTriangle) {
  double width = 0;
  bestfirst_elim(structure(3, {{0, 2}, {1, 2}}), cards({2, 3, 5}), width);
  EXPECT_NEAR(width, std::log(30.0), 1e-12);
}

TEST(BestFirstElim, StarWidthIsCentreAndLargestLeaf) {
  // Centre 2 with leaves 0, 1, 3, 4; the leaf with most states (7) decides the width.
  double width = 0;
  const matrix<char> S = structure(5, {{2, 0}, {2, 1}, {2, 3}, {2, 4}});
  const matrix<int> card = cards({2, 7, 3, 2, 4});
  const matrix<int> order = bestfirst_elim(S, card, width);
  EXPECT_NEAR(width, std::log(21.0), 1e-12);
  // Leaves of smaller weight go first; the centre at most before the last leaf.
  EXPECT_EQ(as_vector(order), (std::vector<int>{0, 3, 4, 1, 2}));
}

TEST(BestFirstElim, SingleStateVariablesWeighNothing) {
  double width = 5;
  const matrix<char> S = structure(4, {{0, 3}, {1, 3}, {2, 3}, {0, 1}});
  const matrix<int> card = cards({1, 1, 1, 1});
  const matrix<int> order = bestfirst_elim(S, card, width);
  EXPECT_EQ(width, 0.0);
  EXPECT_EQ(treewidth_elim(S, card, as_vector(order)), 0.0);
  EXPECT_EQ(bestfirst_elim(matrix<char>(), matrix<int>(), width).size(), 0);
  EXPECT_EQ(width, 0.0);
}

TEST(BestFirstElim, RandomGraphsMatchThePlainMethodExactly) {
  std::mt19937 gen(17);
  for (int trial = 0; trial < 300; ++trial) {
    const int n = 1 + int(gen() % (trial < 250 ? 12 : 130));
    const matrix<char> S = random_structure(gen, n, 2 + int(gen() % 20));
    matrix<int> card(n, 1);
    for (int k = 0; k < n; ++k) card[k] = 1 + int(gen() % (trial % 3 == 0 ? 2 : 5));
    double fast = 0, plain = 0;
    const std::vector<int> order = as_vector(bestfirst_elim(S, card, fast));
    ASSERT_EQ(order, bestfirst_plain(S, card, plain)) << "trial " << trial;
    EXPECT_EQ(fast, plain);
    EXPECT_EQ(treewidth_elim(S, card, order), fast);
  }
}

TEST(TreewidthElim, RandomOrdersMatchThePlainMethod) {
  std::mt19937 gen(23);
  for (int trial = 0; trial < 200; ++trial) {
    const int n = 1 + int(gen() % 70);
    const matrix<char> S = random_structure(gen, n, 1 + int(gen() % 15));
    matrix<int> card(n, 1);
    for (int k = 0; k < n; ++k) card[k] = 1 + int(gen() % 4);
    std::vector<int> order(n);
    for (int k = 0; k < n; ++k) order[k] = k;
    std::shuffle(order.begin(), order.end(), gen);
    EXPECT_EQ(treewidth_elim(S, card, order), treewidth_plain(S, card, order));
  }
}

TEST(TreewidthElim, OrderChangesTheWidth) {
  // Star with centre 0: eliminating the centre first joins all four leaves.
  const matrix<char> S = structure(5, {{0, 1}, {0, 2}, {0, 3}, {0, 4}});
  const matrix<int> card = cards({2, 2, 2, 2, 2});
  EXPECT_NEAR(treewidth_elim(S, card, {0, 1, 2, 3, 4}), 5 * std::log(2.0), 1e-12);
  EXPECT_NEAR(treewidth_elim(S, card, {1, 2, 3, 4, 0}), 2 * std::log(2.0), 1e-12);
}

TEST(AddDescend, ChainPropagatesToEveryAncestor) {
  matrix<char> S(3, 3, 0), D(3, 3, 0);
  S(1, 0) = 1;  // b's parent a
  matrix<char> seen(3, 1, 0);
  EXPECT_EQ(adddescend(S, D, seen, 1), 3);
  S(2, 1) = 1;  // c's parent b
  seen = matrix<char>(3, 1, 0);
  adddescend(S, D, seen, 2);
  EXPECT_EQ(D(1, 2), 1);
  EXPECT_EQ(D(0, 2), 1);
  EXPECT_EQ(D(0, 1), 1);
  EXPECT_EQ(D(2, 0) + D(2, 1) + D(1, 0), 0);
}

TEST(AddDescend, AnyInsertionOrderGivesTheTransitiveClosure) {
  std::mt19937 gen(29);
  for (int trial = 0; trial < 100; ++trial) {
    const int n = 2 + int(gen() % 10);
    std::vector<int> topo(n), when(n);
    for (int k = 0; k < n; ++k) topo[k] = when[k] = k;
    std::shuffle(topo.begin(), topo.end(), gen);
    std::shuffle(when.begin(), when.end(), gen);
    matrix<char> full(n, n, 0);  // parents only earlier in topo: acyclic
    for (int a = 0; a < n; ++a)
      for (int b = a + 1; b < n; ++b)
        if (gen() % 3 == 0) full(topo[b], topo[a]) = 1;
    matrix<char> S(n, n, 0), D(n, n, 0);
    for (int v : when) {
      for (int k = 0; k < n; ++k) S(v, k) = full(v, k);
      matrix<char> seen(n, 1, 0);
      adddescend(S, D, seen, v);
    }
    matrix<char> reach(n, n, 0);  // reach(a, d): d descends from a
    for (int c = 0; c < n; ++c)
      for (int p = 0; p < n; ++p)
        if (full(c, p)) reach(p, c) = 1;
    for (int k = 0; k < n; ++k)
      for (int a = 0; a < n; ++a)
        for (int d = 0; d < n; ++d)
          if (reach(a, k) && reach(k, d)) reach(a, d) = 1;
    for (int a = 0; a < n; ++a)
      for (int d = 0; d < n; ++d) ASSERT_EQ(D(a, d), reach(a, d)) << a << "->" << d;
  }
}

TEST(AddDescendDeathTest, DescendantMatrixTooSmallAborts) {
  matrix<char> S(3, 3, 0), D(2, 3, 0), seen(3, 1, 0);
  S(0, 2) = 1;
  EXPECT_DEATH(adddescend(S, D, seen, 0), "i>=0 && i<n");
  matrix<char> narrow(3, 2, 0);
  EXPECT_DEATH(adddescend(S, narrow, seen, 0), "lin.size\\(\\) == m");
}

TEST(Elim, BuffersAreReleased) {
  double width;
  const matrix<char> S = structure(70, {{0, 1}, {2, 1}, {5, 69}});
  const matrix<int> card(70, 1, 2);
  const double before = resources::memkbs;
  {
    const matrix<int> order = bestfirst_elim(S, card, width);
    treewidth_elim(S, card, as_vector(order));
    moralize(S);
  }
  EXPECT_DOUBLE_EQ(resources::memkbs, before);
}
