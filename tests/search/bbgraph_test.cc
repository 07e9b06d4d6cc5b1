#include "search/bbgraph.hh"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "core/graph.hh"
#include "search/cyclefinder.hh"

namespace {

// S as a bbgraph, built row by row from an arbitrary earlier graph so that setparents
// must both add and remove arcs.
void load(bbgraph& g, const matrix<char>& S) {
  std::vector<uint64_t> mask(size_t(g.W));
  for (int i = 0; i < S.n; ++i) {
    std::fill(mask.begin(), mask.end(), 0);
    for (int k = 0; k < S.n; ++k)
      if (k != i && S(i, k) > 0) mask[k >> 6] |= uint64_t(1) << (k & 63);
    g.setparents(i, mask.data());
  }
}

matrix<char> randomgraph(std::mt19937& gen, int n, unsigned permille) {
  matrix<char> S(n, n, 0);
  for (int i = 0; i < n; ++i)
    for (int k = 0; k < n; ++k)
      if (i != k && gen() % 1000 < permille) S(i, k) = 1;
  return S;
}

bool same(const bitmap& a, const bitmap& b) {
  if (a.gN() != b.gN()) return false;
  for (int k = 0; k < a.gN(); ++k)
    if (a.words()[k] != b.words()[k]) return false;
  return true;
}

}  // namespace

// The word-set graph gives what a tarjan run over adjacency lists gives: the same first
// component, the same nodes below, as many components; on graphs of one, several or no
// components, and past 64 nodes where rows take two words.
TEST(BbGraph, StrongComponentsMatchTarjan) {
  std::mt19937 gen(5);
  for (int trial = 0; trial < 3000; ++trial) {
    const int n = trial % 10 == 9 ? 65 + int(gen() % 20) : 1 + int(gen() % 20);
    const unsigned permille = 20 + gen() % (trial % 3 == 0 ? 400 : 3000 / n + 1);
    const matrix<char> S = randomgraph(gen, n, permille);
    matrix<int> adj(n, n, 0);
    getAdjChild(S, adj, -1);
    tarjan tj(n);
    tj.strongcomp(adj);
    bbgraph g(n);
    load(g, randomgraph(gen, n, 300));  // stale arcs that load must clear
    load(g, S);
    bitmap first(n), below(n);
    int count = -1;
    g.strongcomp(first, below, count);
    const int expected = tj.components.front().empty() ? 0 : int(tj.components.size());
    ASSERT_EQ(count, expected) << "trial " << trial;
    ASSERT_TRUE(same(first, tj.components.front())) << "trial " << trial;
    ASSERT_TRUE(same(below, tj.below)) << "trial " << trial;
  }
}

// Rows stay each other's transpose as parent sets change one at a time, and setting
// them all at once over a stale graph gives the same rows.
TEST(BbGraph, ChildRowsFollowParentChanges) {
  std::mt19937 gen(9);
  const int n = 70;
  bbgraph g(n);
  matrix<char> S(n, n, 0);
  std::vector<uint64_t> mask(size_t(g.W));
  for (int step = 0; step < 500; ++step) {
    const int v = int(gen() % n);
    std::fill(mask.begin(), mask.end(), 0);
    for (int k = 0; k < n; ++k) {
      S(v, k) = k != v && gen() % 8 == 0;
      if (S(v, k)) mask[k >> 6] |= uint64_t(1) << (k & 63);
    }
    g.setparents(v, mask.data());
  }
  bbgraph whole(n);
  load(whole, randomgraph(gen, n, 300));
  std::vector<const uint64_t*> rows;
  for (int v = 0; v < n; ++v) rows.push_back(g.parents(v));
  whole.setallparents(rows.data());
  for (const bbgraph* h : {&g, &whole})
    for (int v = 0; v < n; ++v)
      for (int q = 0; q < n; ++q) {
        const bool parent = (h->parents(v)[q >> 6] >> (q & 63)) & 1;
        const bool child = (h->children(q)[v >> 6] >> (v & 63)) & 1;
        ASSERT_EQ(parent, S(v, q) > 0) << v << " " << q;
        ASSERT_EQ(child, parent) << v << " " << q;
      }
}
