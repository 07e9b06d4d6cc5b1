#include "search/branchandbound.hh"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "core/elim.hh"
#include "core/graph.hh"
#include "search/bbsearch.hh"
#include "search/cyclefinder.hh"
#include "random_cache.hh"

namespace {

// A cache written by hand: per variable, (score, parents) in ascending score order.
struct entry {
  double score;
  std::vector<int> parents;
};

void handcache(io& d, const std::vector<std::vector<entry>>& lists) {
  const int n = int(lists.size());
  d.init(n, 0);
  for (int v = 0; v < n; ++v) {
    d.categ[v] = 2;
    for (const entry& e : lists[v]) {
      matrix<char> set(n, 1, 0);
      set[v] = 1;
      for (int q : e.parents) set[q] = 1;
      d.cache[v].push_back({e.score, set});
    }
    d.cachesize += int(lists[v].size());
  }
}

// A quiet search on d: no heuristics, incumbent best.
struct harness {
  params p;
  double best = -1e100;
  matrix<char> bestE;
  int status = -1;
  explicit harness(const io& d, int heuristictype) : bestE(d.n, d.n, 0) {
    p.verbose = -1;
    p.heuristictype = heuristictype;
  }
};

// Pops every queued node: (key, allowed-entry bitmaps as bit masks per variable).
std::vector<std::pair<double, std::vector<uint32_t>>> drain(bbsearch& s) {
  std::vector<std::pair<double, std::vector<uint32_t>>> nodes;
  while (!s.queue->empty()) {
    s.queue->begin(*s.work);
    s.work->get(s.perVar.data(), s.below, s.comp, s.n);
    std::vector<uint32_t> masks;
    for (int v = 0; v < s.n; ++v) masks.push_back(s.perVar[v].words()[0]);
    nodes.push_back({s.work->getss(), masks});
  }
  return nodes;
}

// Pops the root and expands it by the cycle rule.
double expandroot(bbsearch& s) {
  s.makeroot();
  s.queue->end(*s.work);
  s.unpack();
  double k = s.work->getss();
  s.expandcycle(k);
  return k;
}

bool passeswidth(const matrix<char>& S, const io& d, double maxtreewidth) {
  double width = 0;
  bestfirst_elim(S, d.categ, width);
  return std::log(maxtreewidth + 1) >= width;
}

// Brute force over every acyclic choice whose network passes the width test.
double widthbounded_optimum(const io& d, double maxtreewidth) {
  const int n = d.n;
  std::vector<int> choice(n, 0);
  double best = -1e100;
  matrix<char> S(n, n, 0);
  while (true) {
    if (testsupport::choice_is_acyclic(d, choice)) {
      double total = 0;
      for (int i = 0; i < n; ++i) {
        total += d.cache[i][choice[i]].first;
        for (int k = 0; k < n; ++k) S(i, k) = d.cache[i][choice[i]].second[k];
      }
      if (total > best && passeswidth(S, d, maxtreewidth)) best = total;
    }
    int v = 0;
    while (v < n && ++choice[v] == int(d.cache[v].size())) choice[v++] = 0;
    if (v == n) break;
  }
  return best;
}

// The score of structure S read back from the cache (each row must be a cached set).
double scoreof(const io& d, const matrix<char>& S) {
  double total = 0;
  for (int v = 0; v < d.n; ++v) {
    bool found = false;
    for (const auto& e : d.cache[v]) {
      bool same = true;
      for (int k = 0; k < d.n; ++k) same = same && ((S(v, k) > 0) == (e.second[k] > 0));
      if (same) {
        total += e.first;
        found = true;
        break;
      }
    }
    EXPECT_TRUE(found) << "row " << v << " is no cached parent set";
  }
  return total;
}

// Both splits reach the optimum with a cached, acyclic network of that score (and, when
// asked, leave no open node).
void expect_optimum_with_both_splits(const io& d, double optimum, unsigned seed,
                                     bool emptyqueue) {
  for (int heuristictype : {0, 1}) {
    harness h(d, heuristictype);
    bbsearch s(h.p, d, h.best, h.bestE, h.status);
    s.search();
    ASSERT_NEAR(h.best, optimum, 1e-9) << "seed " << seed << " split " << heuristictype;
    if (emptyqueue) {
      EXPECT_TRUE(s.queue->empty());
    }
    EXPECT_EQ(acyclic(h.bestE).size(), 0);
    EXPECT_NEAR(scoreof(d, h.bestE), optimum, 1e-9);
  }
}

// S as a bbgraph: row i of S holds the parents of i.
bbgraph graphof(const matrix<char>& S) {
  const int n = S.n;
  bbgraph g(n);
  std::vector<uint64_t> mask(size_t(g.W));
  for (int i = 0; i < n; ++i) {
    std::fill(mask.begin(), mask.end(), 0);
    for (int k = 0; k < n; ++k)
      if (k != i && S(i, k) > 0) mask[k >> 6] |= uint64_t(1) << (k & 63);
    g.setparents(i, mask.data());
  }
  return g;
}

}  // namespace

// Root cycle 0 <-> 1; variable 2 takes 0 as parent. Arc split on the arc 0 -> 1: the first
// child forbids 0 as parent of 1; the second forces 0 -> 1 and forbids 1 as parent of 0.
TEST(BranchAndBound, ArcSplitOfTwoCycle) {
  io d;
  handcache(d, {{{-20, {}}, {-4, {2}}, {-1, {1}}},
                {{-20, {}}, {-3, {2}}, {-2, {0}}},
                {{-10, {}}, {-1, {0}}}});
  harness h(d, 0);
  bbsearch s(h.p, d, h.best, h.bestE, h.status);
  const double k = expandroot(s);
  EXPECT_DOUBLE_EQ(k, -4);  // every arc of the cycle was forced back to its best set
  const auto nodes = drain(s);
  ASSERT_EQ(nodes.size(), 2u);
  EXPECT_DOUBLE_EQ(nodes[0].first, -7);
  EXPECT_EQ(nodes[0].second, (std::vector<uint32_t>{0b011, 0b100, 0b11}));
  EXPECT_DOUBLE_EQ(nodes[1].first, -5);
  EXPECT_EQ(nodes[1].second, (std::vector<uint32_t>{0b111, 0b011, 0b11}));
  EXPECT_EQ(s.prunebyval + s.prunebyfeas, 0);
}

// Cycle 0 -> 1 -> 2 -> 0. The arc split makes three cyclic children; the leave-one-out
// split first denies 1 any parent in the cycle (child queued, 1 <-> 3 remains), then
// requires 1 to keep one and denies 2 any: that child is acyclic and solved at once.
TEST(BranchAndBound, LeaveOneOutSplitOfThreeCycle) {
  io d;
  handcache(d, {{{-10, {}}, {-5, {1}}, {-1, {2}}},
                {{-10, {}}, {-5, {2}}, {-4, {3}}, {-1, {0}}},
                {{-10, {}}, {-5, {0}}, {-1, {1}}},
                {{-10, {}}, {-2, {1}}}});
  {
    harness h(d, 3);
    bbsearch s(h.p, d, h.best, h.bestE, h.status);
    expandroot(s);
    EXPECT_DOUBLE_EQ(h.best, -14);
    const matrix<char> expect = [&] {
      matrix<char> e(4, 4, 0);
      e(0, 2) = e(1, 0) = e(3, 1) = 1;
      return e;
    }();
    for (int i = 0; i < 4; ++i) {
      for (int j = 0; j < 4; ++j) {
        if (i == j) continue;
        EXPECT_EQ(h.bestE(i, j) > 0, expect(i, j) > 0) << i << "," << j;
      }
    }
    EXPECT_EQ(s.prunebyval, 1);
    const auto nodes = drain(s);
    ASSERT_EQ(nodes.size(), 1u);
    EXPECT_DOUBLE_EQ(nodes[0].first, -8);
    EXPECT_EQ(nodes[0].second, (std::vector<uint32_t>{0b111, 0b0101, 0b111, 0b11}));
  }
  {
    harness h(d, 2);
    bbsearch s(h.p, d, h.best, h.bestE, h.status);
    expandroot(s);
    EXPECT_DOUBLE_EQ(h.best, -1e100);
    const auto nodes = drain(s);
    // Smallest keys first, equal keys in the order made: arcs 1 and 2, then arc 0.
    ASSERT_EQ(nodes.size(), 3u);
    EXPECT_DOUBLE_EQ(nodes[0].first, -9);
    EXPECT_EQ(nodes[0].second, (std::vector<uint32_t>{0b111, 0b1000, 0b011, 0b11}));
    EXPECT_DOUBLE_EQ(nodes[1].first, -9);
    EXPECT_EQ(nodes[1].second, (std::vector<uint32_t>{0b011, 0b1000, 0b100, 0b11}));
    EXPECT_DOUBLE_EQ(nodes[2].first, -8);
    EXPECT_EQ(nodes[2].second, (std::vector<uint32_t>{0b111, 0b0111, 0b111, 0b11}));
  }
}

// An arc whose child has no set without the parent yields no child; the expansion goes
// on with the arc forced.
TEST(BranchAndBound, ArcWithoutAlternativeCountsAsInfeasible) {
  io d;
  handcache(d, {{{-9, {}}, {-1, {1}}}, {{-2, {0}}}});
  harness h(d, 0);
  bbsearch s(h.p, d, h.best, h.bestE, h.status);
  expandroot(s);
  EXPECT_EQ(s.prunebyfeas, 1);
  EXPECT_DOUBLE_EQ(h.best, -11);  // 0 loses its parent: the only network
  EXPECT_TRUE(s.queue->empty());
}

// The root's first component holds no cycle of the relaxation ({2, 3} is a cycle only of
// the union graph); the relaxation's own cycle 0 <-> 1 must still be broken.
TEST(BranchAndBound, CycleOutsideTheRootComponentIsBroken) {
  io d;
  handcache(d, {{{-5, {}}, {-1, {1}}},
                {{-5, {}}, {-1, {0}}},
                {{-5, {3}}, {-1, {}}},
                {{-5, {2}}, {-1, {}}}});
  harness h(d, 3);
  bbsearch s(h.p, d, h.best, h.bestE, h.status);
  s.search();
  EXPECT_DOUBLE_EQ(h.best, -8);
  EXPECT_TRUE(s.queue->empty());
}

TEST(BranchAndBound, RootThatCannotBeatTheIncumbentIsNotQueued) {
  io d;
  handcache(d, {{{-5, {}}, {-1, {1}}}, {{-5, {}}, {-1, {0}}}});
  harness h(d, 3);
  h.best = -2;
  bbsearch s(h.p, d, h.best, h.bestE, h.status);
  EXPECT_DOUBLE_EQ(s.search(), -2);
  EXPECT_EQ(s.iter, 0);
  EXPECT_DOUBLE_EQ(h.best, -2);
}

TEST(BranchAndBound, IterationLimitStopsAtFirstPop) {
  io d;
  handcache(d, {{{-5, {}}, {-1, {1}}}, {{-5, {}}, {-1, {0}}}});
  harness h(d, 3);
  h.p.maxiter = 0;
  bbsearch s(h.p, d, h.best, h.bestE, h.status);
  EXPECT_DOUBLE_EQ(s.search(), -2);
  EXPECT_EQ(h.status, 3);
  EXPECT_EQ(s.iter, 0);
}

// On seeded random caches the search proves the brute-force optimum, for both splits, and
// returns a cached, acyclic network of that score.
TEST(BranchAndBound, MatchesBruteForceOnRandomCaches) {
  for (unsigned seed = 1; seed <= 150; ++seed) {
    io d;
    const int n = 2 + int(seed % 7);
    testsupport::random_cache(d, n, 1 + int(seed % 4), 1 + int(seed % 3), seed);
    const double optimum = testsupport::brute_force_optimum(d);
    expect_optimum_with_both_splits(d, optimum, seed, true);
  }
}

// With a width bound the search proves the best network that passes the width test.
TEST(BranchAndBound, MatchesBruteForceUnderWidthBound) {
  std::mt19937 gen(7);
  for (unsigned seed = 1; seed <= 60; ++seed) {
    io d;
    const int n = 3 + int(seed % 5);
    testsupport::random_cache(d, n, 2 + int(seed % 3), 1 + int(seed % 3), seed);
    for (int v = 0; v < n; ++v) d.categ[v] = 2 + int(gen() % 3);
    const double maxtreewidth = double(4 + gen() % 20);
    const double optimum = widthbounded_optimum(d, maxtreewidth);
    for (int heuristictype : {0, 1}) {
      harness h(d, heuristictype);
      h.p.maxtreewidth = maxtreewidth;
      bbsearch s(h.p, d, h.best, h.bestE, h.status);
      s.search();
      ASSERT_NEAR(h.best, optimum, 1e-9) << "seed " << seed << " split " << heuristictype;
      if (optimum > -1e99) {
        EXPECT_TRUE(passeswidth(h.bestE, d, maxtreewidth));
        EXPECT_NEAR(scoreof(d, h.bestE), optimum, 1e-9);
      }
    }
  }
}

// Past 64 variables the relaxation's node sets take two words: 70 variables, of which a
// few, numbered across both words, have random parent sets among themselves; the rest
// only the empty set. The optimum is still the brute-force one.
TEST(BranchAndBound, MatchesBruteForcePastOneWord) {
  const int n = 70;
  for (unsigned seed = 1; seed <= 12; ++seed) {
    std::mt19937 gen(seed);
    std::vector<int> active(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) active[i] = i;
    std::shuffle(active.begin(), active.end(), gen);
    active.resize(6);
    io d;
    testsupport::start_two_state(d, n);
    std::uniform_real_distribution<double> score(-100.0, -1.0);
    for (int i = 0; i < n; ++i) {
      matrix<char> empty(n, 1);
      empty[i] = 1;
      d.cache[i].push_back({score(gen), empty});
    }
    for (int i : active)
      for (int e = 0; e < 4; ++e) {
        matrix<char> set(n, 1);
        set[i] = 1;
        for (int v : active)
          if (v != i && gen() % 3 == 0) set[v] = 1;
        bool duplicate = false;
        for (const auto& entry : d.cache[i])
          if (!(entry.second < set) && !(set < entry.second)) duplicate = true;
        if (!duplicate) d.cache[i].push_back({score(gen) + 50.0, set});
      }
    for (int i = 0; i < n; ++i) d.cachesize += int(d.cache[i].size());
    testsupport::sort_lists(d);
    const double optimum = testsupport::brute_force_optimum(d);
    expect_optimum_with_both_splits(d, optimum, seed, false);
  }
}

// The cycle finder on S within mask returns exactly the first cycle of the full
// enumeration, or nothing when the enumeration finds none.
static void expect_first_cycle_of_enumeration(const matrix<char>& S, const bitmap& mask, int trial) {
  const int n = S.n;
  matrix<int> adj(n, n, 0);
  getAdjChild(S, adj, -1);
  const cycleset all = acyclicAdj(adj, false, mask);
  cyclefinder finder(n);
  std::vector<int> cycle;
  ASSERT_EQ(finder.find(graphof(S), mask, cycle), !all.empty()) << "trial " << trial;
  if (all.empty()) return;
  const matrix<int>& first = *all.begin();
  ASSERT_EQ(int(cycle.size()), first.size()) << "trial " << trial;
  for (int i = 0; i < first.size(); ++i) EXPECT_EQ(cycle[i], first[i]) << "trial " << trial;
}

// The cycle finder gives the first cycle of the full enumeration, on random graphs and
// masks.
TEST(BranchAndBound, CycleFinderAgreesWithFullEnumeration) {
  std::mt19937 gen(11);
  for (int trial = 0; trial < 400; ++trial) {
    const int n = 2 + int(gen() % 8);
    matrix<char> S(n, n, 0);
    const unsigned density = 2 + gen() % 5;
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j)
        if (i != j && gen() % 10 < density) S(i, j) = 1;
    bitmap mask(trial % 3 == 0 ? 0 : n);
    for (int v = 0; v < n && mask.gN() > 0; ++v)
      if (gen() % 4 != 0) mask.set(v);
    expect_first_cycle_of_enumeration(S, mask, trial);
  }
}

// The same past 64 nodes, where node sets take two words: a small random graph spread
// over node numbers up to 79, the other nodes isolated.
TEST(BranchAndBound, CycleFinderAgreesPastOneWord) {
  std::mt19937 gen(13);
  const int n = 80;
  for (int trial = 0; trial < 150; ++trial) {
    std::vector<int> at(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) at[i] = i;
    std::shuffle(at.begin(), at.end(), gen);
    const int used = 3 + int(gen() % 6);
    matrix<char> S(n, n, 0);
    for (int i = 0; i < used; ++i)
      for (int j = 0; j < used; ++j)
        if (i != j && gen() % 10 < 3) S(at[i], at[j]) = 1;
    bitmap mask(trial % 2 == 0 ? 0 : n);
    for (int v = 0; v < n && mask.gN() > 0; ++v)
      if (gen() % 5 != 0) mask.set(v);
    expect_first_cycle_of_enumeration(S, mask, trial);
  }
}

// Every variable must take the other as parent: no acyclic structure exists, so neither
// heuristic finds a start and the run ends.
TEST(BranchAndBoundDeathTest, InfeasibleStart) {
  io d;
  handcache(d, {{{-1, {1}}}, {{-1, {0}}}});
  params p;
  p.verbose = 0;
  branchandbound search(p, d, d.n, d.allow, matrix<char>(2, 2, 0), -1e100);
  EXPECT_EXIT(search.run(false), testing::ExitedWithCode(255),
              "DORV: Problem infeasible because of initial constraints\n\n$");
}

// The default target of 0 means no target: progress lines (which set the outer bound)
// must not make the first later incumbent stop the search. A positive target or a wide
// gap does stop it, with status 5.
TEST(BranchAndBound, GapAndTargetStops) {
  int searched = 0, stopped[2] = {0, 0};
  for (unsigned seed = 1; seed <= 40; ++seed) {
    io d;
    testsupport::random_cache(d, 7, 4, 3, seed);
    const double optimum = testsupport::brute_force_optimum(d);
    {
      harness h(d, 3);
      h.p.verbose = 3;
      bbsearch s(h.p, d, h.best, h.bestE, h.status);
      testing::internal::CaptureStderr();
      s.search();
      testing::internal::GetCapturedStderr();
      EXPECT_NE(h.status, 5) << "seed " << seed;
      EXPECT_NEAR(h.best, optimum, 1e-9) << "seed " << seed;
      searched += s.iter > 2;
    }
    for (int variant = 0; variant < 2; ++variant) {
      harness h(d, 3);
      h.p.verbose = 3;
      if (variant == 0) h.p.abstarget = 1;  // above every score: stops once a line set the bound
      if (variant == 1) h.p.mingap = 150;   // every incumbent is within 150% of the bound 1e30
      bbsearch s(h.p, d, h.best, h.bestE, h.status);
      testing::internal::CaptureStderr();
      s.search();
      const std::string log = testing::internal::GetCapturedStderr();
      const bool message = log.find("[info] Desired minimum gap achieved. Stopping\n") != std::string::npos;
      EXPECT_EQ(h.status == 5, message) << "seed " << seed;
      if (variant == 1 && h.best > -1e100) {
        EXPECT_EQ(h.status, 5) << "seed " << seed;
      }
      stopped[variant] += h.status == 5;
    }
  }
  EXPECT_GT(searched, 5);
  EXPECT_GT(stopped[0], 5);
  EXPECT_GT(stopped[1], 20);
}

// A list out of score order lets a child's bound exceed its node's: the key check stops
// the program with the node's bitmaps.
TEST(BranchAndBoundDeathTest, ChildBoundAboveItsNode) {
  io d;
  handcache(d, {{{-9, {}}, {-1, {1}}}, {{-0.5, {2}}, {-3, {0}}}, {{-1, {1}}}});
  harness h(d, 0);
  bbsearch s(h.p, d, h.best, h.bestE, h.status);
  EXPECT_DEATH(expandroot(s),
               "\\[error\\] Value has increased score=-2\\.5 original=-5\n"
               "\\[0\\] 0\\(100\\) 1\\(110\\) \n\\[1\\] 0\\(011\\) \n\\[2\\] 0\\(011\\) \n");
}
