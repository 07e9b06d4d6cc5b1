#include "search/dynprog.hh"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sstream>

#include "core/rng.hh"
#include "dynprog_reference.hh"
#include "search/branchandbound.hh"
#include "random_cache.hh"

namespace {

// Appends (score, family {j} + parents) to j's list; callers add in ascending score.
void add(io& d, int j, double score, std::initializer_list<int> parents) {
  matrix<char> family(d.n, 1);
  family[j] = 1;
  for (int k : parents) family[k] = 1;
  d.cache[j].push_back({score, family});
  ++d.cachesize;
}

struct outcome {
  double value;
  int code;
  matrix<char> structure;
};

outcome solve(const params& p, const io& d) {
  dynprog search(p, d, double(p.maxmem), matrix<char>(d.n, d.n, 0), -1e100);
  int code = -7;
  const double value = search.dynprog_aux(code);
  return {value, code, search.beststruct};
}

std::string row(const matrix<char>& s, int i) {
  std::string out;
  for (int k = 0; k < s.m; ++k) out += char('0' + s(i, k));
  return out;
}

// Each variable's cache: the empty set and random parent sets, with scores drawn from a
// few integers so that equal totals are common; optionally random allowance rules.
void random_case(io& d, int n, unsigned seed, bool constrained, int extra = 4) {
  testsupport::random_cache(d, n, extra, 3, seed);
  std::mt19937 gen(seed * 7 + 1);
  for (auto& list : d.cache) {
    for (auto& entry : list) entry.first = -double(1 + gen() % 6);
    std::stable_sort(list.begin(), list.end(), [](const auto& a, const auto& b) {
      if (a.first != b.first) return a.first < b.first;
      return a.second < b.second;
    });
  }
  if (!constrained) return;
  for (int i = 0; i < n; ++i)
    for (int k = 0; k < n; ++k)
      if (i != k && gen() % 8 == 0) d.allow(i, k) = gen() % 3 == 0 ? -1 : 1;
}

}  // namespace

TEST(Dynprog, MutualPreferenceKeepsTheBetterSingleArc) {
  params p;
  io d;
  d.init(2, 0);
  add(d, 0, -5, {});
  add(d, 0, -1, {1});
  add(d, 1, -3, {});
  add(d, 1, -2, {0});
  const outcome r = solve(p, d);
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.value, -4);  // arc 1 -> 0: -1 + -3; arc 0 -> 1: -5 + -2; none: -8
  EXPECT_EQ(row(r.structure, 0), "11");
  EXPECT_EQ(row(r.structure, 1), "01");
}

// Both orders total -3. The predecessor {1} precedes {0} in key order, so the full set
// is reached from {1} with 0 placed last, and 0 takes its parent 1.
TEST(Dynprog, EqualTotalsKeepThePredecessorMetFirst) {
  params p;
  io d;
  d.init(2, 0);
  add(d, 0, -2, {});
  add(d, 0, -1, {1});
  add(d, 1, -2, {});
  add(d, 1, -1, {0});
  const outcome r = solve(p, d);
  EXPECT_EQ(r.value, -3);
  EXPECT_EQ(row(r.structure, 0), "11");
  EXPECT_EQ(row(r.structure, 1), "01");
}

TEST(Dynprog, RequiredAndForbiddenParents) {
  params p;
  io d;
  d.init(3, 0);
  add(d, 0, -9, {});
  add(d, 0, -8, {2});
  add(d, 0, -1, {1});
  add(d, 1, -4, {});
  add(d, 1, -2, {2});
  add(d, 2, -3, {});
  add(d, 2, -1, {1});
  d.allow(0, 2) = -1;  // 2 must be a parent of 0: only {2} remains for 0
  d.allow(1, 2) = 1;   // 2 may not be a parent of 1
  const outcome r = solve(p, d);
  EXPECT_EQ(r.value, -8 - 4 - 1);
  EXPECT_EQ(row(r.structure, 0), "101");
  EXPECT_EQ(row(r.structure, 1), "010");
  EXPECT_EQ(row(r.structure, 2), "011");
}

TEST(Dynprog, MemoryStopAtTheFirstInsertion) {
  params p;
  p.maxmem = 0;
  io d;
  d.init(2, 0);
  add(d, 0, -1, {});
  add(d, 1, -1, {});
  // Counted during the search: the result structure (4 bytes) and four map nodes of
  // 64 + 2 bytes (the sets of level 0 and the first of level 1, in both maps).
  const double before = resources::memkbs;
  std::ostringstream mb;
  mb << (before + 4.0 / 1024 + 4 * (0.0625 + 2.0 / 1024)) / 1024;
  {
    testing::internal::CaptureStderr();
    const outcome r = solve(p, d);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(r.code, 14);
    EXPECT_EQ(r.value, -1e100);
    EXPECT_EQ(row(r.structure, 0) + row(r.structure, 1), "0000");
    EXPECT_NE(err.find("[error] Memory limit exceeded. " + mb.str() + " MB used. Stopping\n"),
              std::string::npos)
        << err;
  }
  EXPECT_EQ(resources::memkbs, before);
}

TEST(Dynprog, TimeStop) {
  params p;
  p.maxseconds = -1;  // already past the limit at the first check
  io d;
  d.init(2, 0);
  add(d, 0, -1, {});
  add(d, 1, -1, {});
  testing::internal::CaptureStderr();
  const outcome r = solve(p, d);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "[info] dynamic programming processing list 0 with #elements=1\n"
            "[error] Maximum number of minutes reached. Stopping\n");
  EXPECT_EQ(r.code, 16);
  EXPECT_EQ(r.value, -1e100);
}

// {0} cannot be reached (0 needs its parent 1), so level 1 holds two sets.
TEST(Dynprog, LevelLinesCountReachedSets) {
  params p;
  io d;
  d.init(3, 0);
  add(d, 0, -1, {1});
  add(d, 1, -1, {});
  add(d, 2, -1, {});
  d.allow(0, 1) = -1;
  testing::internal::CaptureStderr();
  EXPECT_EQ(solve(p, d).value, -3);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "[info] dynamic programming processing list 0 with #elements=1\n"
            "[info] dynamic programming processing list 1 with #elements=2\n"
            "[info] dynamic programming processing list 2 with #elements=2\n");
  p.verbose = -1;
  testing::internal::CaptureStderr();
  solve(p, d);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(Dynprog, NoNetworkSatisfiesTheConstraints) {
  params p;
  io none;
  none.init(0, 0);
  EXPECT_EXIT(solve(p, none), testing::ExitedWithCode(255),
              "^\\[error\\] No network satisfies the constraints: there are no variables\n$");
  io d;
  d.init(2, 0);
  add(d, 0, -1, {});
  add(d, 1, -1, {0});
  d.allow(1, 0) = 1;  // 1's only family holds the forbidden parent 0
  EXPECT_EXIT(solve(p, d), testing::ExitedWithCode(255),
              "\\[error\\] No network satisfies the constraints: no ordering of all the "
              "variables admits a parent set for each\n$");
}

TEST(Dynprog, LevelsBeyondTwoToThe30Sets) {
  params p;
  io d;
  d.init(33, 0);
  for (int j = 0; j < 33; ++j) add(d, j, -1, {});
  testing::internal::CaptureStderr();
  const outcome r = solve(p, d);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "[error] Memory exausted. Needs 1166803110 items to process\n");
  EXPECT_EQ(r.code, 14);
  EXPECT_EQ(r.value, -1e100);
}

TEST(Dynprog, OptimumEqualsBruteForce) {
  params p;
  p.verbose = -1;
  for (unsigned seed = 1; seed <= 60; ++seed) {
    io d;
    random_case(d, 2 + int(seed % 5), seed, false);
    EXPECT_EQ(solve(p, d).value, testsupport::brute_force_optimum(d)) << "seed " << seed;
  }
}

// The two exact searches find the same optimum (summed in different orders).
TEST(Dynprog, OptimumEqualsBranchAndBound) {
  params p;
  p.verbose = -1;
  for (unsigned seed = 1; seed <= 25; ++seed) {
    rng::seed(seed);
    io d;
    testsupport::random_cache(d, 3 + int(seed % 6), 5, 3, seed);
    branchandbound exact(p, d, d.n, d.allow, matrix<char>(d.n, d.n, 0), -1e100);
    exact.run(true);
    EXPECT_NEAR(solve(p, d).value, exact.best, 1e-9) << "seed " << seed;
  }
}

// Results, ties and structures identical to the plain map-based version, constrained
// or not; a constrained case without any network is skipped (it ends the process).
TEST(Dynprog, SameResultAsPlainMapVersion) {
  params p;
  p.verbose = -1;
  int compared = 0;
  for (unsigned seed = 1; seed <= 150; ++seed) {
    io d;
    // Mostly small caches; every tenth has long lists, for long scans.
    const bool longlists = seed % 10 == 5;
    random_case(d, longlists ? 12 : 1 + int(seed % 9), seed, seed % 2 == 0, longlists ? 60 : 4);
    const testsupport::dpreference expected = testsupport::reference_dynprog(d, p.maxmem);
    if (expected.value == -1e100) continue;
    const outcome r = solve(p, d);
    ASSERT_EQ(r.value, expected.value) << "seed " << seed;
    for (int i = 0; i < d.n; ++i)
      ASSERT_EQ(row(r.structure, i), row(expected.structure, i)) << "seed " << seed;
    ++compared;
  }
  EXPECT_GT(compared, 100);
}

// The level lines count the sets reached at each level as the plain version holds them,
// with constraints that leave sets unreached, also up to a memory stop.
TEST(Dynprog, LevelLinesAsPlainMapVersion) {
  params p;
  int compared = 0;
  for (unsigned seed = 300; seed < 360; ++seed) {
    io d;
    random_case(d, 2 + int(seed % 10), seed, seed % 3 != 0);
    p.maxmem = seed % 7 == 0 ? 0 : params::U30;
    const testsupport::dpreference expected = testsupport::reference_dynprog(d, p.maxmem);
    if (expected.code == 0 && expected.value == -1e100) continue;
    std::ostringstream lines;
    for (size_t k = 0; k < expected.levels.size(); ++k)
      lines << "[info] dynamic programming processing list " << k
            << " with #elements=" << expected.levels[k] << "\n";
    testing::internal::CaptureStderr();
    const outcome r = solve(p, d);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(r.code, expected.code) << "seed " << seed;
    if (r.code == 14) err = err.substr(0, err.find("[error] Memory limit exceeded. "));
    EXPECT_EQ(err, lines.str()) << "seed " << seed;
    ++compared;
  }
  EXPECT_GT(compared, 40);
}

// The memory limit stops after the same stored set, so the reported figure is the same.
// The figures just pass a whole number of MB; printed with six digits they still tell
// one stored set (0.15 KB) from the next.
TEST(Dynprog, MemoryStopAtTheSamePointAsPlainMapVersion) {
  params p;
  int stops = 0;
  for (unsigned seed : {5u, 6u, 8u, 10u}) {
  io d;
  random_case(d, 16, seed, false);
  // Required parents leave the sets without them unreached, which the counter must not
  // charge: some variables must have a lower-numbered parent of their best entry.
  for (int j = 1; seed != 5 && j < 16; j += 3) {
    const matrix<char>& best = d.cache[j].back().second;
    for (int k = 0; k < j; ++k)
      if (best[k]) d.allow(j, k) = -1;
  }
  for (int limit : {1, 2, 4}) {
    p.maxmem = limit;
    const double structurekb = 16 * 16 / 1024.0;  // the search's result matrix
    resources::memkbs += structurekb;
    const testsupport::dpreference expected = testsupport::reference_dynprog(d, limit);
    resources::memkbs -= structurekb;
    if (expected.code != 14) continue;  // finished (or found no network) within the limit
    ++stops;
    std::ostringstream mb;
    mb << expected.stopmb;
    testing::internal::CaptureStderr();
    EXPECT_EQ(solve(p, d).code, 14);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Memory limit exceeded. " + mb.str() + " MB used"), std::string::npos)
        << "seed " << seed << err;
  }
  }
  EXPECT_GE(stops, 6);
}
