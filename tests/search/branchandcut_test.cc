#include "search/branchandcut.hh"

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "core/resources.hh"
#include "core/stop.hh"
#include "search/dynprog.hh"
#include "random_cache.hh"

namespace {

// A random cache (n variables, 2 states, no data) with forced arcs that some network
// satisfies: a random order decides which arcs may be required (parent earlier), each
// variable with required parents also gets a family of exactly those, and no required
// arc is forbidden. As the cache construction would, the lists keep only the families
// that agree with the rules. Scores are random reals, so optima are unique with high
// odds.
void forced_case(io& d, int n, unsigned seed) {
  testsupport::random_cache(d, n, 6, 3, seed);
  std::mt19937 gen(seed * 31 + 7);
  std::vector<int> order(static_cast<size_t>(n));
  for (int v = 0; v < n; ++v) order[v] = v;
  std::shuffle(order.begin(), order.end(), gen);
  for (int a = 0; a < n; ++a)
    for (int b = 0; b < n; ++b) {
      if (a == b || gen() % 10 != 0) continue;
      const int parent = order[a], child = order[b];
      d.allow(child, parent) = a < b && gen() % 2 == 0 ? -1 : 1;
    }
  for (int v = 0; v < n; ++v) {
    matrix<char> family(n, 1);
    family[v] = 1;
    bool any = false;
    for (int k = 0; k < n; ++k)
      if (d.allow(v, k) == -1) {
        family[k] = 1;
        any = true;
      }
    bool present = false;
    for (const auto& entry : d.cache[v]) present |= !(entry.second < family) && !(family < entry.second);
    if (!any || present) continue;
    d.cache[v].push_back({-1.0 - double(gen() % 1000) / 10.0, family});
  }
  d.cachesize = 0;
  for (int v = 0; v < n; ++v) {
    parentsetlist kept;
    for (auto& entry : d.cache[v]) {
      bool agrees = true;
      for (int k = 0; k < n; ++k)
        agrees &= !(d.allow(v, k) == -1 && !entry.second[k]) && !(d.allow(v, k) == 1 && entry.second[k]);
      if (agrees) kept.push_back(std::move(entry));
    }
    d.cache[v] = std::move(kept);
    d.cachesize += int(d.cache[v].size());
  }
  testsupport::sort_lists(d);
}

// What branch-and-cut printed: its status, the ilpscore line, the structure and the
// score line that the result writer recomputes from the cache.
struct printed {
  int status = -99;
  double ilpscore = NAN, score = NAN;
  matrix<char> structure;
};

printed run_branch_and_cut(params& p, const io& d) {
  FILE* out = tmpfile();
  p.outfile = out;
  printed r;
  {
    branchandcut search(p, d);
    r.status = search.run();
  }
  rewind(out);
  r.structure = matrix<char>(d.n, d.n, 0);
  char line[4096];
  int row = -1;
  while (fgets(line, sizeof line, out)) {
    if (sscanf(line, "ilpscore %lf", &r.ilpscore) == 1 || sscanf(line, "score %lf", &r.score) == 1)
      continue;
    if (strncmp(line, "matrix::print", 13) == 0) {
      row = 0;
      continue;
    }
    if (row >= 0 && row < d.n) {
      char* at = line;
      for (int k = 0; k < d.n; ++k) r.structure(row, k) = char(strtol(at, &at, 10));
      ++row;
    }
  }
  fclose(out);
  return r;
}

}  // namespace

// The independent references: dynamic programming for the optimum, the result writer's
// own lookup of every printed family in the cache for the printed network's score, and
// Kahn's algorithm for its acyclicity.
TEST(BranchAndCut, MatchesDynamicProgrammingOnRandomCachesWithForcedArcs) {
  for (unsigned seed = 1; seed <= 200; ++seed) {
    const int n = 2 + int(seed % 8);
    io d;
    forced_case(d, n, seed);
    params p;
    p.verbose = -1;
    p.seed_generator(int(seed));
    dynprog reference(p, d, double(p.maxmem), matrix<char>(n, n, 0), -1e100);
    int code = -1;
    const double optimum = reference.dynprog_aux(code);
    ASSERT_EQ(code, 0);
    const printed r = run_branch_and_cut(p, d);
    SCOPED_TRACE("seed " + std::to_string(seed) + ", n " + std::to_string(n));
    EXPECT_EQ(r.status, 0);
    EXPECT_NEAR(r.ilpscore, optimum, 1e-6);
    EXPECT_NEAR(r.score, r.ilpscore, 1e-6);
    EXPECT_TRUE(testsupport::arcs_acyclic(r.structure));
    for (int v = 0; v < n; ++v)
      for (int k = 0; k < n; ++k) {
        if (d.allow(v, k) == -1) {
          EXPECT_EQ(r.structure(v, k), 1) << v << " needs " << k;
        }
        if (d.allow(v, k) == 1) {
          EXPECT_EQ(r.structure(v, k), 0) << v << " refuses " << k;
        }
      }
  }
}

// A stop request (SIGINT) and a memory limit end the search as a time limit does: the
// message, the status, and the best network so far, acyclic and scored as printed, with
// a score the optimum bounds. Each runs in a child process: the stop request and the
// memory counter are process-wide. A stop before the first searches found a network
// (here the empty network is not allowed) writes none and adds 10 to the status, as when
// nothing beats initialbest.
TEST(BranchAndCut, StopsOnSignalAndMemoryLimitWithTheBestNetworkSoFar) {
  io free, forced;
  testsupport::random_cache(free, 9, 6, 3, 5);
  forced_case(forced, 9, 5);
  params p;
  p.verbose = 0;
  p.seed_generator(5);
  const auto interrupt = [] {
    arm_stop_request();
    std::raise(SIGINT);
  };
  const auto overrun = [&p] {
    p.maxmem = 1;
    resources::memkbs += 2048.0;  // storage of the run beside the search's own
  };
  // The child's exit code: the search's status when its printed result holds, else 99.
  const auto checked_run = [&p](const io& d, auto limit) {
    int code = -1;
    const double optimum =
        dynprog(p, d, double(p.maxmem), matrix<char>(d.n, d.n, 0), -1e100).dynprog_aux(code);
    limit();
    const printed r = run_branch_and_cut(p, d);
    const bool sound = testsupport::arcs_acyclic(r.structure) &&
                       std::fabs(r.score - r.ilpscore) < 1e-6 && r.ilpscore <= optimum + 1e-6;
    std::exit(sound ? r.status : 99);
  };
  EXPECT_EXIT(checked_run(free, interrupt), testing::ExitedWithCode(18),
              "Interrupted by a signal. Stopping");
  EXPECT_EXIT(checked_run(forced, overrun), testing::ExitedWithCode(14),
              "Memory limit exceeded. [0-9.]+ MB used. Stopping");
  EXPECT_EXIT(
      {
        interrupt();
        std::exit(run_branch_and_cut(p, forced).status);
      },
      testing::ExitedWithCode(28), "No solution found");
}
