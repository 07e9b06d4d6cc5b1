#include "core/graph.hh"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <utility>
#include <vector>

namespace {

using arcs = std::vector<std::pair<int, int>>;  // (from, to): from is a parent of to

matrix<char> structure(int n, const arcs& list) {
  matrix<char> S(n, n, 0);
  for (auto [from, to] : list) S(to, from) = 1;
  return S;
}

matrix<int> children(const matrix<char>& S) {
  matrix<int> adj(S.n, S.n, 0);
  getAdjChild(S, adj, -1);
  return adj;
}

std::vector<int> nodes_of(const matrix<int>& cycle) {
  return std::vector<int>(cycle.data, cycle.data + cycle.size());
}

std::vector<int> members(const bitmap& b, int n) {
  std::vector<int> out;
  for (int k = 0; k < n; ++k)
    if (b.test(k)) out.push_back(k);
  return out;
}

matrix<char> random_structure(std::mt19937& gen, int n, int percent) {
  matrix<char> S(n, n, 0);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j)
      if (int(gen() % 100) < percent) S(i, j) = 1;  // the diagonal too: it must be ignored
  return S;
}

// reach(a, b): a path of at least one arc from a to b along child arcs (parent -> child).
std::vector<std::vector<bool>> closure(const matrix<char>& S, const std::vector<bool>& in) {
  const int n = S.n;
  std::vector<std::vector<bool>> reach(n, std::vector<bool>(n, false));
  for (int c = 0; c < n; ++c)
    for (int p = 0; p < n; ++p)
      if (p != c && S(c, p) > 0 && in[c] && in[p]) reach[p][c] = true;
  for (int k = 0; k < n; ++k)
    for (int a = 0; a < n; ++a)
      for (int b = 0; b < n; ++b)
        if (reach[a][k] && reach[k][b]) reach[a][b] = true;
  return reach;
}

// Every simple cycle along child arcs inside `in`, rotated to start at its smallest node.
std::set<std::vector<int>> all_cycles(const matrix<char>& S, const std::vector<bool>& in) {
  const int n = S.n;
  std::set<std::vector<int>> out;
  std::vector<int> path;
  std::vector<bool> used(n, false);
  auto extend = [&](auto&& self, int start) -> void {
    const int x = path.back();
    for (int y = start; y < n; ++y) {
      if (y == x || S(y, x) <= 0 || !in[y]) continue;
      if (y == start) out.insert(path);
      if (used[y] || y == start) continue;
      used[y] = true;
      path.push_back(y);
      self(self, start);
      path.pop_back();
      used[y] = false;
    }
  };
  for (int s = 0; s < n; ++s) {
    if (!in[s]) continue;
    path = {s};
    used.assign(n, false);
    used[s] = true;
    extend(extend, s);
  }
  return out;
}

std::vector<int> rotate_to_min(std::vector<int> c) {
  std::rotate(c.begin(), std::min_element(c.begin(), c.end()), c.end());
  return c;
}

// The first cycle of the child-to-parent search, written the plain way: every time a
// node is on top its parent scan starts again from 0.
std::vector<int> first_cycle_plain(const matrix<char>& S) {
  const int n = S.n;
  std::vector<int> mark(n, 0), path;
  for (int r = 0; r < n; ++r) {
    if (mark[r] != 0) continue;
    path = {r};
    mark[r] = 1;
    while (!path.empty()) {
      const int x = path.back(), b = mark[x];
      int next = -1;
      for (int c = 0; c < n && next < 0; ++c) {
        if (c == x || S(x, c) <= 0) continue;
        if (mark[c] >= 1 && mark[c] < b) return std::vector<int>(path.begin() + mark[c] - 1, path.end());
        if (mark[c] == 0) next = c;
      }
      if (next >= 0) {
        mark[next] = b + 1;
        path.push_back(next);
      } else {
        mark[x] = -1;
        path.pop_back();
      }
    }
  }
  return {};
}

}  // namespace

TEST(Adjacency, ChildAndParentListsIgnoreTheDiagonal) {
  matrix<char> S = structure(4, {{0, 2}, {3, 2}, {2, 1}});
  S(1, 1) = 1;
  matrix<int> adj(4, 4, -7);
  getAdj(S, adj, -1);
  EXPECT_EQ(adj(2, 0), 2);
  EXPECT_EQ(adj(2, 1), 0);
  EXPECT_EQ(adj(2, 2), 3);
  EXPECT_EQ(adj(1, 0), 1);
  EXPECT_EQ(adj(1, 1), 2);
  EXPECT_EQ(adj(0, 0), 0);
  getAdjChild(S, adj, -1);
  EXPECT_EQ(adj(0, 0), 1);
  EXPECT_EQ(adj(0, 1), 2);
  EXPECT_EQ(adj(1, 0), 0);
  EXPECT_EQ(adj(3, 1), 2);
  // One row rebuilt after an arc 0 -> 3 appears; the others keep their contents.
  S(3, 0) = 1;
  adj(1, 0) = 9;
  getAdjChild(S, adj, 0);
  EXPECT_EQ(adj(0, 0), 2);
  EXPECT_EQ(adj(0, 2), 3);
  EXPECT_EQ(adj(1, 0), 9);
}

TEST(Acyclic, TwoCycleComesFromTheLowerRoot) {
  EXPECT_EQ(nodes_of(acyclic(structure(3, {{1, 2}, {2, 1}}))), (std::vector<int>{1, 2}));
  EXPECT_EQ(acyclic(matrix<char>()).size(), 0);
  matrix<char> self = structure(3, {{0, 1}, {1, 2}});
  self(0, 0) = self(2, 2) = 1;
  EXPECT_EQ(acyclic(self).size(), 0);
}

TEST(Acyclic, ReturnsTheFirstCycleMetNotTheShortest) {
  // From root 0 the search walks to parent 1, then 2, then 3, whose parent 0 closes the
  // 4-cycle before the 2-cycle 2 <-> 4 is ever seen.
  matrix<char> S = structure(5, {{1, 0}, {2, 1}, {3, 2}, {0, 3}, {4, 2}, {2, 4}});
  const matrix<int> c = acyclic(S);
  EXPECT_EQ(c.m, 1);
  EXPECT_EQ(nodes_of(c), (std::vector<int>{0, 1, 2, 3}));
}

TEST(Acyclic, RandomGraphsMatchReachabilityAndThePlainScan) {
  std::mt19937 gen(11);
  for (int trial = 0; trial < 400; ++trial) {
    const int n = 1 + int(gen() % 9);
    const matrix<char> S = random_structure(gen, n, 5 + int(gen() % 25));
    const auto reach = closure(S, std::vector<bool>(n, true));
    bool cyclic = false;
    for (int v = 0; v < n; ++v) cyclic = cyclic || reach[v][v];
    const std::vector<int> c = nodes_of(acyclic(S));
    ASSERT_EQ(!c.empty(), cyclic);
    EXPECT_EQ(c, first_cycle_plain(S));
    for (size_t k = 0; k < c.size(); ++k)  // each node's successor is one of its parents
      EXPECT_GT(S(c[k], c[(k + 1) % c.size()]), 0);
  }
}

TEST(AcyclicAdj, DisjointCyclesShortestFirstOrFirstMet) {
  const matrix<char> S = structure(5, {{0, 1}, {1, 2}, {2, 0}, {3, 4}, {4, 3}});
  const cycleset all = acyclicAdj(children(S), false, bitmap());
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(nodes_of(*all.begin()), (std::vector<int>{3, 4}));
  EXPECT_EQ(nodes_of(*all.rbegin()), (std::vector<int>{0, 1, 2}));
  const cycleset first = acyclicAdj(children(S), true, bitmap());
  ASSERT_EQ(first.size(), 1u);
  EXPECT_EQ(nodes_of(*first.begin()), (std::vector<int>{0, 1, 2}));
}

TEST(AcyclicAdj, MaskBreakingEveryCycleLeavesNothing) {
  const matrix<char> S = structure(5, {{0, 1}, {1, 2}, {2, 0}, {3, 4}, {4, 3}, {1, 3}});
  bitmap mask(5);
  mask.set(0);
  mask.set(2);
  mask.set(3);
  EXPECT_TRUE(acyclicAdj(children(S), false, mask).empty());
  tarjan t(5);
  EXPECT_FALSE(t.strongcomp(children(S), -1, mask));
}

TEST(AcyclicAdj, RandomGraphsFindEverySimpleCycle) {
  std::mt19937 gen(5);
  for (int trial = 0; trial < 300; ++trial) {
    const int n = 1 + int(gen() % 7);
    const matrix<char> S = random_structure(gen, n, 10 + int(gen() % 30));
    bitmap mask;
    std::vector<bool> in(n, true);
    if (gen() % 2) {
      mask = bitmap(n);
      for (int k = 0; k < n; ++k)
        if (gen() % 4) mask.set(k);
        else in[k] = false;
    }
    const std::set<std::vector<int>> expected = all_cycles(S, in);
    const cycleset got = acyclicAdj(children(S), false, mask);
    std::set<std::vector<int>> rotated;
    for (const auto& c : got) rotated.insert(rotate_to_min(nodes_of(c)));
    ASSERT_EQ(rotated, expected);
    size_t shortest = n + 1;
    for (const auto& c : expected) shortest = std::min(shortest, c.size());
    if (!expected.empty()) {
      EXPECT_EQ(size_t(got.begin()->n), shortest);
      const cycleset one = acyclicAdj(children(S), true, mask);
      ASSERT_EQ(one.size(), 1u);
      EXPECT_EQ(expected.count(rotate_to_min(nodes_of(*one.begin()))), 1u);
    }
  }
}

TEST(Tarjan, ComponentsRestAndBelow) {
  // 0 -> {1 <-> 2} -> 3 -> {4 <-> 5}, and 6 alone with a self-arc.
  matrix<char> S = structure(7, {{0, 1}, {1, 2}, {2, 1}, {2, 3}, {3, 4}, {4, 5}, {5, 4}});
  S(6, 6) = 1;
  tarjan t(7);
  EXPECT_TRUE(t.strongcomp(children(S)));
  ASSERT_EQ(t.components.size(), 2u);
  // {4,5} completes first, {1,2} last and so comes first.
  EXPECT_EQ(members(t.components.front(), 7), (std::vector<int>{1, 2}));
  EXPECT_EQ(members(t.components.back(), 7), (std::vector<int>{4, 5}));
  EXPECT_EQ(members(t.below, 7), (std::vector<int>{3, 4, 5}));
  EXPECT_EQ(members(t.rest, 7), (std::vector<int>{0, 6}));
  // Reused for another graph: the previous run leaves nothing behind.
  EXPECT_FALSE(t.strongcomp(children(structure(7, {{0, 1}}))));
  ASSERT_EQ(t.components.size(), 1u);
  EXPECT_TRUE(t.components.front().empty());
  EXPECT_TRUE(t.below.empty());
  EXPECT_EQ(t.rest.sum(), 7);
}

TEST(Tarjan, TargetSelectsItsComponent) {
  const matrix<char> S = structure(5, {{0, 1}, {1, 0}, {2, 3}, {3, 2}, {3, 4}});
  tarjan t(5);
  EXPECT_TRUE(t.strongcomp(children(S), 3));
  ASSERT_EQ(t.components.size(), 1u);
  EXPECT_EQ(members(t.components.front(), 5), (std::vector<int>{2, 3}));
  EXPECT_EQ(members(t.below, 5), (std::vector<int>{4}));
  EXPECT_EQ(members(t.rest, 5), (std::vector<int>{0, 1}));
  EXPECT_FALSE(t.strongcomp(children(S), 4));
  ASSERT_EQ(t.components.size(), 1u);
  EXPECT_TRUE(t.components.front().empty());
}

TEST(Tarjan, RandomGraphsMatchMutualReachability) {
  std::mt19937 gen(3);
  for (int trial = 0; trial < 300; ++trial) {
    const int n = 1 + int(gen() % 40);
    const matrix<char> S = random_structure(gen, n, 1 + int(gen() % 8));
    std::vector<bool> in(n, true);
    const auto reach = closure(S, in);
    std::set<std::vector<int>> expected;
    for (int v = 0; v < n; ++v) {
      if (!reach[v][v]) continue;
      std::vector<int> comp;
      for (int u = 0; u < n; ++u)
        if (u == v || (reach[v][u] && reach[u][v])) comp.push_back(u);
      expected.insert(comp);
    }
    tarjan t(n);
    ASSERT_EQ(t.strongcomp(children(S)), !expected.empty());
    std::set<std::vector<int>> got;
    for (const bitmap& c : t.components) got.insert(members(c, n));
    if (expected.empty()) expected.insert(std::vector<int>());
    ASSERT_EQ(got, expected);
    // below: reachable from a member of some component, less the first component.
    const std::vector<int> first = members(t.components.front(), n);
    for (int u = 0; u < n; ++u) {
      bool under = false;
      for (const auto& comp : expected)
        for (int c : comp) under = under || c == u || reach[c][u];
      const bool in_first = std::count(first.begin(), first.end(), u) > 0;
      EXPECT_EQ(t.below.test(u), under && !in_first);
      EXPECT_EQ(t.rest.test(u), !under && !in_first);
    }
  }
}

TEST(Tarjan, BuffersAreAccountedAndReleased) {
  const double before = resources::memkbs;
  {
    tarjan t(100);
    EXPECT_GT(resources::memkbs, before);
    t.strongcomp(children(structure(100, {{3, 4}, {4, 3}})));
  }
  EXPECT_DOUBLE_EQ(resources::memkbs, before);
}

TEST(Acyclic, CycleLongerThanAByteOfDepth) {
  // Paths deeper than 127 nodes must not wrap the depth marks.
  const int n = 300;
  arcs ring;
  for (int k = 0; k < n; ++k) ring.push_back({(k + 1) % n, k});
  const std::vector<int> c = nodes_of(acyclic(structure(n, ring)));
  ASSERT_EQ(int(c.size()), n);
  for (int k = 0; k < n; ++k) EXPECT_EQ(c[k], k);
}
