#include <gtest/gtest.h>

#include <string>

#include "app/params.hh"

namespace {
std::string listing_of(const params& p) {
  testing::internal::CaptureStderr();
  p.printparams();
  return testing::internal::GetCapturedStderr();
}
}  // namespace

// The listing of a freshly constructed record, line by line as documented.
TEST(Listing, Defaults) {
  params p;
  p.seed = 4321;
  EXPECT_EQ(listing_of(p),
            "[info] PARAMETERS ARE AS FOLLOWS\n"
            "[info] read input from: [not def]\n"
            "[info] verbose level: [1]\n"
            "[info] use cache to read: [0]\n"
            "[info] read/write cache from/to: [not def]\n"
            "[info] cache format: [not def]\n"
            "[info] write output to: [not def]\n"
            "[info] write graph to: [not def]\n"
            "[info] algorithm: [0] (not def)\n"
            "[info] run post localsearch: [1]\n"
            "[info] criterion: [not def]\n"
            "[info] alpha: [0] (BDEU)\n"
            "[info] heuristic: [not def]\n"
            "[info] initial solution: [-1e+200]\n"
            "[info] random seed: [4321]\n"
            "[info] do score pruning: [1]\n"
            "[info] maximum treewidth: [1.34218e+08]\n"
            "[info] max number of iterations: [not def]\n"
            "[info] max time (sec): [not def]\n"
            "[info] max memory (MB): [not def]\n"
            "[info] min desired gap: [0]\n"
            "[info] absolute min desired value: [0]\n"
            "[info] ILP approximation #samples: [0]\n"
            "[info] max number of samples: [not def]\n"
            "[info] ignore constraints: [0]\n"
            "[info] node: [not def]\n"
            "[info] max number of parents per node: [not def]\n"
            "[info] disk swap space (MB): [0]\n"
            "[info] disk swap space name: [not def]\n"
            "[info] threads (ILP): [1]\n");
}

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
  EXPECT_EXIT(params::usage("./bnsl"), testing::ExitedWithCode(255),
              "^Usage: \\./bnsl <optionfile>\n\n"
              "where options shall be given one per line in the format option=value\n"
              "The list of possible options is:\n"
              "inputfile: .*\n"
              "mingap: \\(in %%\\) defines .*"
              "\\(default -1 i\\.e\\. all nodes\\)\\(only if algorithm=3\\)\n\n$");
}
