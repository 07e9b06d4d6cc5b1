#include <gtest/gtest.h>

#include <string>

#include "app/options.hh"

namespace {
std::string listing_of(const params& p) {
  testing::internal::CaptureStderr();
  printparams(p);
  return testing::internal::GetCapturedStderr();
}
}  // namespace

// The listing of the defaults is compared line by line by the end-to-end no-input case.
TEST(Listing, DefinedDoublesAndLimits) {
  params p;
  p.maxtreewidth = 1e200;
  p.mingap = 0.125;
  p.abstarget = 1e300;
  p.alpha = 12.5;
  p.initialbest = -1234.56789;
  p.maxiter = 0;
  p.maxseconds = params::U30 - 1;
  p.maxmem = 2147483647;
  p.node = 3;
  p.seed_generator(7);
  p.useinputcache = true;
  const std::string text = listing_of(p);
  for (const char* line : {
           "[info] alpha: [12.5] (BDEU)\n",
           "[info] initial solution: [-1234.57]\n",
           "[info] maximum treewidth: [not def]\n",
           "[info] min desired gap: [0.125]\n",
           "[info] absolute min desired value: [not def]\n",
           "[info] max number of iterations: [0]\n",
           "[info] max time (sec): [134217727]\n",
           "[info] max memory (MB): [not def]\n",
           "[info] node: [3]\n",
           "[info] random seed: [7]\n",  // the end-to-end cases mask this field
           "[info] use cache to read: [1]\n",
       })
    EXPECT_NE(text.find(line), std::string::npos) << line;
}

TEST(Listing, Numlimit) {
  EXPECT_EQ(params::numlimit(-1), "not def");
  EXPECT_EQ(params::numlimit(0), "0");
  EXPECT_EQ(params::numlimit(134217727), "134217727");
  EXPECT_EQ(params::numlimit(134217728), "not def");
  EXPECT_EQ(params::numlimit(-2147483647 - 1), "not def");
}

// The full text is compared by the end-to-end usage case; here the frame around it.
TEST(ListingDeathTest, UsageEndsWithMinusOne) {
  EXPECT_EXIT(usage("./bnsl"), testing::ExitedWithCode(255),
              "^Usage: \\./bnsl <optionfile>\n\n"
              "where options shall be given one per line in the format option=value\n"
              "The list of possible options is:\n"
              "inputfile: .*\n"
              "mingap: \\(in %%\\) defines .*"
              "\\(default -1 i\\.e\\. all nodes\\)\\(only if algorithm=3\\)\n\n$");
}
