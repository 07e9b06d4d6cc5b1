#include "search/bbsearch.hh"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <random>

#include "cache_lists.hh"

namespace {

// The address space this process has mapped now, in bytes (Linux: first field of
// /proc/self/statm, in pages).
long mappedbytes() {
  long pages = 0;
  FILE* statm = std::fopen("/proc/self/statm", "r");
  if (statm == nullptr) return -1;
  if (std::fscanf(statm, "%ld", &pages) != 1) pages = -1;
  std::fclose(statm);
  return pages * 4096;
}

// A search whose open list cannot fit in 48 MB more than the process has: 20 variables,
// each with every parent set of one or two parents, all scored close together and far
// above having no parent.
[[maybe_unused]] int searchunderlimit() {  // unused where the test is skipped
  const int n = 20;
  io d;
  testsupport::start_two_state(d, n);
  std::mt19937 gen(7);
  for (int v = 0; v < n; ++v) {
    for (int a = 0; a < n; ++a)
      for (int b = a; b < n; ++b) {
        if (a == v || b == v) continue;
        matrix<char> set(n, 1, 0);
        set[v] = set[a] = set[b] = 1;
        d.cache[v].push_back({-1.0 - double(gen() % 10000) / 1000, set});
      }
    matrix<char> empty(n, 1, 0);
    empty[v] = 1;
    d.cache[v].push_back({-50.0, empty});
    d.cachesize += int(d.cache[v].size());
  }
  testsupport::sort_lists(d);
  params p;
  p.verbose = -1;
  double best = -50.0 * n;  // the empty network, as a heuristic would give
  matrix<char> bestE(d.n, d.n, 0);
  int status = -1;
  bbsearch s(p, d, best, bestE, status);
  const long mapped = mappedbytes();
  if (mapped < 0) return 2;
  const rlimit limit{rlim_t(mapped + (48l << 20)), rlim_t(mapped + (48l << 20))};
  if (setrlimit(RLIMIT_AS, &limit) != 0) return 3;
  s.search();
  if (status != 14 || s.queue->empty()) return 4;
  return testsupport::arcs_acyclic(bestE) && best >= -50.0 * n ? 0 : 5;
}

}  // namespace

// When the machine refuses the open list more memory, the search stops with status 14,
// its incumbent and its open nodes, instead of ending the process.
TEST(BranchAndBoundDeathTest, OutOfMemoryStopsTheSearch) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer reserves more address space than the limit allows";
#else
  EXPECT_EXIT(std::exit(searchunderlimit()), testing::ExitedWithCode(0), "");
#endif
}
