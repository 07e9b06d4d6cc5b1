#include "search/summary.hh"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "io/io.hh"

// Three variables, five cache entries, six parent-set combinations (the lists hold only
// the empty parent sets the network uses, -0.5 each):
// cachemem = 5 * (9 + 8) / 2^20 = 0.0000811; originalcachesize = 3 * 2^2 = 12;
// totalsearchspace = 2^(3*2) = 64; reducedsearchspace = e^ln 6 = 6.
TEST(SearchSummary, HeuristicBlockText) {
  io d;
  d.init(3, 0);
  d.cachesize = 5;
  d.logsearchspace = std::log(6.0);
  for (int v = 0; v < 3; ++v) {
    matrix<char> alone(3, 1, 0);
    alone[v] = 1;
    d.cache[v].emplace_back(-0.5, alone);
  }
  FILE* out = tmpfile();
  ASSERT_NE(out, nullptr);
  params p;
  p.outfile = out;
  writeresult(p, d, {"hillclimbing", -1.5, 17, 0.0, 134217728, -1.0}, matrix<char>(3, 3, 0));
  rewind(out);
  char text[1024] = {0};
  const size_t got = fread(text, 1, sizeof text - 1, out);
  fclose(out);
  EXPECT_EQ(std::string(text, got),
            "hillclimbing -1.500000\nretcode 17\ncachesize 5\ncachemem 0.000081\noriginalcachesize 1.200000e+01\n"
            "totalsearchspace 6.400000e+01\nreducedsearchspace 6.000000e+00\n"
            "maxmem 0.000081\niter 134217728\ngap -1.000000\n"
            "matrix::print(Each line corresponds to a variable, and indicates which are its "
            "parents,3,3)\n0 0 0 \n0 0 0 \n0 0 0 \nscore -1.500000\n");
}
