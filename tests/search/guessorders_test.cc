#include "search/guessorders.hh"

#include <gtest/gtest.h>

#include <string>

#include "core/rng.hh"
#include "hand_cache.hh"
#include "random_cache.hh"

namespace {

using handcache::add;
using handcache::has_parents;

params quiet_params(int maxiter) {
  params p;
  p.verbose = -1;  // the polishing climbs may meet the iteration limit: no warnings
  p.maxiter = maxiter;
  return p;
}

void expect_valid(const io& d, const guessorders& search, const std::string& what) {
  EXPECT_TRUE(handcache::is_acyclic(search.beststruct)) << what;
  EXPECT_TRUE(handcache::consistent(d, search.beststruct, search.bestscores, search.bestvalue))
      << what;
}

}  // namespace

TEST(GuessOrders, BothModesBuildConsistentAcyclicNetworksBelowTheOptimum) {
  for (unsigned seed = 1; seed <= 20; ++seed) {
    io d;
    testsupport::random_cache(d, 6, 6, 3, seed);
    const double optimum = testsupport::brute_force_optimum(d);
    for (int mode = 0; mode < 4; ++mode) {
      const std::string what = "seed " + std::to_string(seed) + " mode " + std::to_string(mode);
      params p = quiet_params(20);
      rng::seed(seed);
      guessorders search(p, d, -1e100, mode & 1, true);
      search.topological = mode < 2;
      EXPECT_EQ(search.run(true), 0) << what;
      expect_valid(d, search, what);
      EXPECT_LE(search.bestvalue, optimum) << what;
    }
  }
}

// 0 must be a parent of 2: orderings that put 0 after 2 are rejected, and every
// network kept has the arc, in both modes, although 2's best sets lack it.
TEST(GuessOrders, RequiredArcIsInEveryNetwork) {
  for (unsigned seed = 1; seed <= 10; ++seed) {
    io d;
    handcache::start(d, 4);
    for (int v : {0, 1, 3}) add(d, v, -10, {});
    add(d, 2, -1, {});
    add(d, 2, -2, {1});
    add(d, 2, -3, {0, 3});
    add(d, 2, -4, {0});
    add(d, 3, -1, {2});
    add(d, 0, -1, {3});
    handcache::finish(d);
    d.allow(2, 0) = -1;
    d.allow(0, 2) = 1;
    for (bool topological : {true, false}) {
      params p = quiet_params(30);
      rng::seed(seed);
      guessorders search(p, d, -1e100, false, true);
      search.topological = topological;
      EXPECT_EQ(search.run(true), 0);
      EXPECT_GT(search.beststruct(2, 0), 0) << seed << topological;
      expect_valid(d, search, std::to_string(seed));
    }
  }
}

TEST(GuessOrders, NoOrderingTriedKeepsTheInitialStructure) {
  io d;
  testsupport::random_cache(d, 4, 3, 2, 5);
  d.initialstructure(1, 0) = 1;
  params p = quiet_params(0);
  guessorders search(p, d, -1e100, true, true);
  EXPECT_EQ(search.run(true), 13);
  EXPECT_EQ(search.bestvalue, -1e100);
  EXPECT_TRUE(has_parents(search.beststruct, 1, {0}));
  EXPECT_EQ(search.beststruct(1, 1), 0);
}

// Variable 1 has only a set with a parent, and maxtreewidth 2 (bound ln 3 = 1.10 under
// the 1.39 of two binary variables) refuses it: no ordering yields a network, and the
// search gives up after ten times maxiter orderings.
TEST(GuessOrders, NoNetworkAtAllEndsWithCode13) {
  io d;
  handcache::start(d, 2);
  add(d, 0, -1, {});
  add(d, 1, -1, {0});
  handcache::finish(d);
  d.initialstructure(1, 0) = 1;
  for (bool topological : {true, false}) {
    params p = quiet_params(60);
    p.maxtreewidth = 2;
    p.verbose = 3;
    guessorders search(p, d, -1e100, true, true);
    search.topological = topological;
    testing::internal::CaptureStderr();
    EXPECT_EQ(search.run(true), 13);
    // 600 orderings, none rejected for a required arc: one line at 500 rejections.
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "[info] #orderings-so-far=0\n[info] rejected by treewidth so far=500\n");
    EXPECT_TRUE(has_parents(search.beststruct, 1, {0}));
  }
}

TEST(GuessOrders, SmallWidthBoundLeavesEveryVariableParentless) {
  io d;
  testsupport::random_cache(d, 5, 5, 2, 11);
  params p = quiet_params(10);
  p.maxtreewidth = 2;
  double parentless = 0;  // the random cache holds one parentless set per variable
  for (int v = 0; v < 5; ++v)
    for (const auto& entry : d.cache[v]) {
      int members = 0;
      for (int k = 0; k < 5; ++k) members += entry.second[k] > 0;
      if (members == 1) parentless += entry.first;
    }
  for (bool topological : {true, false}) {
    guessorders search(p, d, -1e100, true, true);
    search.topological = topological;
    EXPECT_EQ(search.run(true), 0);
    for (int v = 0; v < 5; ++v) EXPECT_TRUE(has_parents(search.beststruct, v, {}));
    EXPECT_DOUBLE_EQ(search.bestvalue, parentless);
  }
}

// Seeding starts the generator and its reseed countdown afresh, so two runs from the
// same seed see the same draws.
TEST(GuessOrders, SameSeedGivesTheSameNetwork) {
  io d;
  testsupport::random_cache(d, 8, 8, 3, 3);
  params p = quiet_params(25);
  for (bool topological : {true, false}) {
    rng::seed(77);
    guessorders first(p, d, -1e100, false, true);
    first.topological = topological;
    first.run(true);
    rng::seed(77);
    guessorders second(p, d, -1e100, false, true);
    second.topological = topological;
    second.run(true);
    EXPECT_EQ(first.bestvalue, second.bestvalue);
    EXPECT_EQ(std::string(first.beststruct.data, first.beststruct.size()),
              std::string(second.beststruct.data, second.beststruct.size()));
  }
}

TEST(GuessOrders, TimeLimitCodeDependsOnAKnownSolution) {
  io d;
  testsupport::random_cache(d, 4, 3, 2, 9);
  params p = quiet_params(10);
  p.verbose = 0;
  p.maxseconds = -1;  // the first clock comparison exceeds it
  struct Case {
    double start;
    int code;
  } cases[] = {{-1e100, 16}, {-5.0, 6}};
  for (const Case& c : cases) {
    guessorders search(p, d, c.start, true, true);
    testing::internal::CaptureStderr();
    EXPECT_EQ(search.run(true), c.code);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "[warn] Maximum number of minutes reached. Stopping\n");
    EXPECT_EQ(search.bestvalue, c.start);
  }
}

TEST(GuessOrders, ProgressLinesFollowTheVerbosity) {
  io d;
  handcache::start(d, 2);
  add(d, 0, -1, {});
  add(d, 1, -1, {});
  handcache::finish(d);
  params p = quiet_params(3);
  p.verbose = 3;
  for (bool polish : {true, false}) {
    guessorders search(p, d, -1e100, polish, true);
    testing::internal::CaptureStderr();
    EXPECT_EQ(search.run(true), 0);
    const std::string found = std::string(polish ? "[info] Local search has been executed\n" : "") +
                              "[info] updated structure with score=-2.000000e+00\n";
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "[info] #orderings-so-far=0\n" + found);
  }
}

TEST(GuessOrders, DebugLinesNameTheBuilder) {
  io d;
  handcache::start(d, 1);
  add(d, 0, -1, {});
  params p = quiet_params(1);
  p.verbose = 4;
  for (bool topological : {true, false}) {
    guessorders search(p, d, -1e100, false, true);
    search.topological = topological;
    testing::internal::CaptureStderr();
    EXPECT_EQ(search.run(true), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              std::string("[info] #orderings-so-far=0\n[debug] ") +
                  (topological ? " method=guessE " : "") +
                  "updated vertex=0 parents=(n=1,m=1,data=1 )\n"
                  "[info] updated structure with score=-1.000000e+00\n");
  }
}
