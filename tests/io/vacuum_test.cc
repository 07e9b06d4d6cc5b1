#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <string>

#include "core/params.hh"
#include "io/io.hh"

namespace {

matrix<char> family(int n, std::initializer_list<int> members) {
  matrix<char> set(n, 1, 0);
  for (int k : members) set[k] = 1;
  return set;
}

// Three variables of 2 states with a small cache each.
io three_variables() {
  io d;
  d.init(3, 0);
  d.categ = matrix<int>(3, 1, 2);
  d.cache[0].emplace_back(-5.0, family(3, {0, 1, 2}));
  d.cache[0].emplace_back(-7.0, family(3, {0}));
  d.cache[0].emplace_back(-6.0, family(3, {0, 1}));
  d.cache[1].emplace_back(-3.0, family(3, {1}));
  d.cache[2].emplace_back(-4.0, family(3, {2, 0}));
  d.cache[2].emplace_back(-4.0, family(3, {2}));
  return d;
}

params quiet() {
  params p;
  p.verbose = 0;
  return p;
}

}  // namespace

TEST(Vacuum, SortsBestLastWithSubsetsFirstOnTies) {
  io d = three_variables();
  d.vacuum(quiet());
  EXPECT_EQ(d.cachesize, 6);
  ASSERT_EQ(d.cache[0].size(), 3u);
  EXPECT_EQ(d.cache[0][0].first, -7.0);
  EXPECT_EQ(d.cache[0][2].first, -5.0);
  EXPECT_EQ(d.cache[2][0].second[0], 0);  // {2} precedes {0, 2} at equal score
  EXPECT_EQ(d.cache[2][1].second[0], 1);
  EXPECT_NEAR(d.logsearchspace, std::log(3.0) + std::log(1.0) + std::log(2.0), 1e-12);
}

TEST(Vacuum, SortedCacheWithinLimitsIsUnchanged) {
  io d = three_variables();
  d.vacuum(quiet());
  const io before = d;
  d.vacuum(quiet());
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(d.cache[i].size(), before.cache[i].size());
    for (size_t e = 0; e < d.cache[i].size(); ++e) {
      EXPECT_EQ(d.cache[i][e].first, before.cache[i][e].first);
      EXPECT_FALSE(d.cache[i][e].second < before.cache[i][e].second);
      EXPECT_FALSE(before.cache[i][e].second < d.cache[i][e].second);
    }
  }
  EXPECT_EQ(d.cachesize, 6);
}

TEST(Vacuum, ParentLimitsDropLargerSets) {
  io d = three_variables();
  params p = quiet();
  p.globalmaxparents = 1;
  d.vacuum(p);
  EXPECT_EQ(d.cache[0].size(), 2u);  // {0,1,2} has two parents
  EXPECT_EQ(d.maxparents[0], 1);
  EXPECT_EQ(d.cachesize, 5);

  io e = three_variables();
  e.maxparents[2] = 0;
  e.vacuum(quiet());
  ASSERT_EQ(e.cache[2].size(), 1u);
  EXPECT_EQ(e.cache[2][0].second[0], 0);
}

TEST(Vacuum, ShortParentLimitMatrixKeepsEverySet) {
  io d = three_variables();
  d.maxparents = matrix<int>();
  d.vacuum(quiet());
  EXPECT_EQ(d.maxparents.size(), 3);
  EXPECT_EQ(d.maxparents[1], 2);
  EXPECT_EQ(d.cachesize, 6);
}

TEST(Vacuum, FamilySizeTestOnlyRemovesSetsOfAllVariables) {
  io d = three_variables();
  params p = quiet();
  p.maxtreewidth = 7.0;  // ln(7.0001) < ln(2*2*2): the full family fails
  d.vacuum(p);
  EXPECT_EQ(d.cache[0].size(), 2u);
  EXPECT_EQ(d.cache[2].size(), 2u);
  io e = three_variables();
  p.maxtreewidth = 8.0;
  e.vacuum(p);
  EXPECT_EQ(e.cache[0].size(), 3u);
}

TEST(Vacuum, ListEmptiedByFilteringPassesThrough) {
  io d = three_variables();
  d.maxparents[2] = -1;
  testing::internal::CaptureStderr();
  params p = quiet();
  p.verbose = 2;
  d.vacuum(p);
  EXPECT_EQ(d.cache[2].size(), 0u);
  EXPECT_TRUE(std::isinf(d.logsearchspace) && d.logsearchspace < 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "[info] After cleaning, cache contains 4 scores\n"
            "[info] Potential log(search-space) is -inf\n");
}

TEST(Vacuum, NaNScoresSortFirst) {
  io d = three_variables();
  d.cache[1].emplace_back(std::nan(""), family(3, {1, 0}));
  d.vacuum(quiet());
  EXPECT_TRUE(std::isnan(d.cache[1][0].first));
  EXPECT_EQ(d.cache[1][1].first, -3.0);
}

TEST(VacuumDeath, VariableWithoutParentSets) {
  io d = three_variables();
  d.cache[1].clear();
  EXPECT_EXIT(d.vacuum(quiet()), testing::ExitedWithCode(255),
              "^Cache for variable \\[1\\] has no parent set options - no possible Bayesian "
              "net\n$");
}
