#include "search/localsearch.hh"

#include <gtest/gtest.h>

#include <string>

#include "hand_cache.hh"
#include "random_cache.hh"

namespace {

using handcache::add;
using handcache::has_parents;

params quiet_params() {
  params p;
  p.verbose = 0;
  return p;
}

// Three variables whose initial structure 1 <- 0, 2 <- 1 already uses every
// variable's best set.
void optimum_at_start(io& d) {
  handcache::start(d, 3);
  add(d, 0, -5, {});
  add(d, 1, -3, {0});
  add(d, 1, -6, {});
  add(d, 2, -2, {1});
  add(d, 2, -4, {});
  handcache::finish(d);
  d.initialstructure(1, 0) = 1;
  d.initialstructure(2, 1) = 1;
  d.hasinitial = 1;
}

}  // namespace

TEST(LocalSearch, LocalOptimumMakesNoMove) {
  io d;
  optimum_at_start(d);
  params p = quiet_params();
  p.verbose = 2;
  localsearch climb(p, d, false);
  testing::internal::CaptureStderr();
  EXPECT_EQ(climb.run(true), 17);
  const std::string log = testing::internal::GetCapturedStderr();
  EXPECT_EQ(log.find("localsearch improving"), std::string::npos) << log;
  EXPECT_DOUBLE_EQ(climb.curvalue, -10);
  EXPECT_TRUE(has_parents(climb.curstruct, 1, {0}));
  EXPECT_TRUE(has_parents(climb.curstruct, 2, {1}));
  EXPECT_EQ(climb.iterations, 3);
  EXPECT_EQ(climb.moves, 0);
}

TEST(LocalSearch, LimitsStopTheClimbWithTheirCodes) {
  io d;
  handcache::start(d, 2);
  add(d, 0, -5, {});
  add(d, 0, -1, {1});
  add(d, 1, -4, {});
  handcache::finish(d);
  struct Case {
    int maxiter, maxseconds, code;
    const char* warning;
  } cases[] = {
      {0, params::U30, 13, "[warn] Maximum number of iterations reached. Stopping\n"},
      // A negative limit makes the very first clock comparison exceed it.
      {params::U30, -1, 16, "[warn] Maximum number of minutes reached. Stopping\n"},
  };
  for (const Case& c : cases) {
    params p = quiet_params();
    p.maxiter = c.maxiter;
    p.maxseconds = c.maxseconds;
    localsearch climb(p, d, false);
    testing::internal::CaptureStderr();
    EXPECT_EQ(climb.run(true), c.code);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), c.warning);
    EXPECT_TRUE(has_parents(climb.curstruct, 0, {}));
    EXPECT_DOUBLE_EQ(climb.curvalue, -9);
  }
}

// Variable 1's only better set closes the cycle 0 <- 1 <- 0 and is refused. Had its row
// not been restored exactly, variable 2's move 2 <- 0 would look cyclic too.
TEST(LocalSearch, RefusedCycleLeavesTheRowAsItWas) {
  io d;
  handcache::start(d, 3);
  add(d, 0, -1, {1});
  add(d, 0, -10, {});
  add(d, 1, -1, {0, 2});
  add(d, 1, -5, {});
  add(d, 2, -1, {0});
  add(d, 2, -5, {});
  handcache::finish(d);
  d.initialstructure(0, 1) = 1;
  params p = quiet_params();
  p.verbose = 4;
  localsearch climb(p, d, false);
  testing::internal::CaptureStderr();
  EXPECT_EQ(climb.run(true), 0);
  const std::string log = testing::internal::GetCapturedStderr();
  EXPECT_NE(log.find("[debug] cycle blocks update vertex=1 parents=(n=3,m=1,data=1 1 1 )\n"),
            std::string::npos) << log;
  EXPECT_NE(log.find("[debug] updated vertex=2 parents=(n=3,m=1,data=1 0 1 )\n"
                     "[info] localsearch improving to value=-7\n"),
            std::string::npos) << log;
  EXPECT_TRUE(has_parents(climb.curstruct, 0, {1}));
  EXPECT_TRUE(has_parents(climb.curstruct, 1, {}));
  EXPECT_TRUE(has_parents(climb.curstruct, 2, {0}));
  EXPECT_EQ(climb.curstruct(1, 1), 1);
  EXPECT_DOUBLE_EQ(climb.localscores[1], -5);
  EXPECT_DOUBLE_EQ(climb.curvalue, -7);
  EXPECT_EQ(climb.moves, 1);
}

// maxtreewidth 4: bound ln 5 = 1.609. Two binary parents of variable 2 moralise into a
// triangle of weight 3 ln 2 = 2.079 and are refused; one parent (2 ln 2 = 1.386) passes.
TEST(LocalSearch, WidthBoundRefusesWideFamilies) {
  io d;
  handcache::start(d, 3);
  add(d, 0, -1, {});
  add(d, 1, -1, {});
  add(d, 2, -1, {0, 1});
  add(d, 2, -2, {0});
  add(d, 2, -9, {});
  handcache::finish(d);
  params p = quiet_params();
  p.verbose = 4;
  p.maxtreewidth = 4;
  localsearch climb(p, d, false);
  testing::internal::CaptureStderr();
  EXPECT_EQ(climb.run(true), 0);
  const std::string log = testing::internal::GetCapturedStderr();
  EXPECT_NE(log.find("[debug] treewidth=2.07944 blocks update vertex=2 "
                     "parents=(n=3,m=1,data=1 1 1 )\n"),
            std::string::npos) << log;
  EXPECT_TRUE(has_parents(climb.curstruct, 2, {0}));
  EXPECT_DOUBLE_EQ(climb.curvalue, -4);
}

TEST(LocalSearch, EvaluateOnlyReturnsTheInitialTotal) {
  io d;
  handcache::start(d, 2);
  add(d, 0, -5, {});
  add(d, 0, -1, {1});
  add(d, 1, -3, {0});
  add(d, 1, -6, {});
  handcache::finish(d);
  d.initialstructure(1, 0) = 1;
  params p = quiet_params();
  p.verbose = 4;
  localsearch evaluator(p, d, true);
  testing::internal::CaptureStderr();
  EXPECT_EQ(evaluator.run(false), 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_DOUBLE_EQ(evaluator.localscores[0], -5);
  EXPECT_DOUBLE_EQ(evaluator.localscores[1], -3);
  EXPECT_DOUBLE_EQ(evaluator.curvalue, -8);
  EXPECT_TRUE(has_parents(evaluator.curstruct, 0, {}));
  EXPECT_EQ(evaluator.curstruct(0, 0), 1);
}

// Without data, a starting family missing from the cache is impossible; the climb then
// moves it to its best set, and the total is the exact sum, not -1e300 + (-12 + 1e300).
TEST(LocalSearch, StartOutsideTheCacheIsImpossibleUntilRepaired) {
  io d;
  handcache::start(d, 3);
  add(d, 0, -1, {});
  add(d, 1, -12, {});
  add(d, 1, -20, {2});
  add(d, 2, -3, {});
  handcache::finish(d);
  d.initialstructure(1, 0) = 1;
  params p = quiet_params();
  {
    localsearch evaluator(p, d, true);
    evaluator.run(true);
    EXPECT_EQ(evaluator.localscores[1], localsearch::impossible_family);
    EXPECT_LT(evaluator.curvalue, -1e299);
  }
  localsearch climb(p, d, false);
  EXPECT_EQ(climb.run(true), 0);
  EXPECT_TRUE(has_parents(climb.curstruct, 1, {}));
  EXPECT_EQ(climb.curvalue, -16);
}

// With data, a starting family that the constraints or the parent limit forbid is
// impossible, and is not scored from the data.
TEST(LocalSearch, InadmissibleStartWithDataIsImpossible) {
  io d;
  d.init(3, 1);
  for (int i = 0; i < 3; ++i) d.categ[i] = 2;
  d.allow(1, 0) = -1;  // 0 must be a parent of 1 ...
  d.allow(0, 1) = 1;   // ... so 1 may not be a parent of 0
  d.maxparents[2] = 0;
  d.initialstructure(0, 1) = 1;  // forbidden parent
  d.initialstructure(2, 0) = 1;  // over the limit; variable 1 lacks its required parent
  d.hasinitial = 1;
  params p = quiet_params();
  localsearch evaluator(p, d, true);
  EXPECT_EQ(evaluator.run(false), 0);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(evaluator.localscores[i], localsearch::impossible_family);
}

TEST(LocalSearch, CyclicStartEndsTheRun) {
  io d;
  optimum_at_start(d);
  d.initialstructure(0, 2) = 1;
  params p = quiet_params();
  localsearch climb(p, d, false);
  EXPECT_EXIT(climb.run(true), testing::ExitedWithCode(255),
              "^Initial solution provided contains cycles\\.\n$");
}

TEST(LocalSearch, ClimbsToConsistentAcyclicNetworksBelowTheOptimum) {
  for (unsigned seed = 1; seed <= 30; ++seed) {
    io d;
    testsupport::random_cache(d, 6, 6, 3, seed);
    params p = quiet_params();
    localsearch climb(p, d, false);
    const int code = climb.run(true);
    EXPECT_TRUE(code == 0 || code == 17) << seed;
    EXPECT_TRUE(handcache::is_acyclic(climb.curstruct)) << seed;
    EXPECT_TRUE(handcache::consistent(d, climb.curstruct, climb.localscores, climb.curvalue))
        << seed;
    EXPECT_LE(climb.curvalue, testsupport::brute_force_optimum(d)) << seed;
  }
}
