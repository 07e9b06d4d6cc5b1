#include "search/heuristicsummary.hh"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "io/io.hh"

// Three variables, five cache entries, six parent-set combinations:
// cachemem = 5 * (9 + 8) / 2^20 = 0.0000811; originalcachesize = 3 * 2^2 = 12;
// totalsearchspace = 2^(3*2) = 64; reducedsearchspace = e^ln 6 = 6.
TEST(HeuristicSummary, BlockText) {
  io d;
  d.init(3, 0);
  d.cachesize = 5;
  d.logsearchspace = std::log(6.0);
  FILE* out = tmpfile();
  ASSERT_NE(out, nullptr);
  write_heuristic_summary(out, d, 17, 134217728);
  rewind(out);
  char text[512] = {0};
  const size_t got = fread(text, 1, sizeof text - 1, out);
  fclose(out);
  EXPECT_EQ(std::string(text, got),
            "retcode 17\ncachesize 5\ncachemem 0.000081\noriginalcachesize 1.200000e+01\n"
            "totalsearchspace 6.400000e+01\nreducedsearchspace 6.000000e+00\n"
            "maxmem 0.000081\niter 134217728\ngap -1.000000\n");
}
