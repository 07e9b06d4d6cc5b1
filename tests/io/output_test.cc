#include <gtest/gtest.h>

#include <cstdio>

#include "cache_fixture.hh"

namespace {

using testsupport::add_entry;
using testsupport::file_text;

constexpr const char* header =
    "matrix::print(Each line corresponds to a variable, and indicates which are its "
    "parents,3,3)\n";

class Output : public testsupport::scratchdir {
 protected:
  io d;

  // Runs dooutput into a file and returns what it wrote.
  std::string output_of(const matrix<char>& structure, double* total = nullptr) {
    p.outfile = fopen(path("out").c_str(), "w");
    const double value = d.dooutput(p, structure);
    fclose(p.outfile);
    if (total != nullptr) *total = value;
    return file_text(path("out"));
  }

  // Three variables without data: variable 1 may take 0 and 2 as parents.
  void cache_only() {
    d.init(3, 0);
    add_entry(d, 0, -1.5, {});
    add_entry(d, 1, -2.25, {});
    add_entry(d, 1, -1.0, {0, 2});
    add_entry(d, 2, -4.0, {});
  }
};

TEST_F(Output, EmptyNetworkFromTheCache) {
  cache_only();
  double total = 0;
  EXPECT_EQ(output_of(matrix<char>(3, 3, 0), &total),
            std::string(header) + "0 0 0 \n0 0 0 \n0 0 0 \nscore -7.750000\n");
  EXPECT_DOUBLE_EQ(total, -7.75);
}

// The diagonal of the given structure is printed as 0 and used as the family's own
// element when the cache is searched.
TEST_F(Output, ParentsFromTheCacheWithDiagonalSet) {
  cache_only();
  matrix<char> s(3, 3, 1);
  s(0, 1) = s(0, 2) = s(2, 0) = s(2, 1) = 0;
  EXPECT_EQ(output_of(s), std::string(header) + "0 0 0 \n1 0 1 \n0 0 0 \nscore -6.500000\n");
}

TEST_F(Output, FamilyMissingFromTheCacheEndsTheRun) {
  cache_only();
  matrix<char> s(3, 3, 0);
  s(1, 0) = 1;
  p.outfile = fopen(path("out").c_str(), "w");
  EXPECT_EXIT(d.dooutput(p, s), testing::ExitedWithCode(255),
              "^Resulting DAG has no corresponding information in the score cache - this should "
              "never happen\n$");
  fclose(p.outfile);
}

TEST_F(Output, GraphFileHoldsEveryVariableAndArc) {
  cache_only();
  d.labels[0] = "rain";
  d.labels[1] = "wet \"grass\"";
  p.graphfile = path("net.dot");
  matrix<char> s(3, 3, 0);
  s(1, 0) = s(1, 2) = 1;
  output_of(s);
  EXPECT_EQ(file_text(p.graphfile),
            "// score -6.500000\n"
            "digraph bn {\n"
            "  \"rain\";\n  \"wet \\\"grass\\\"\";\n  \"v2\";\n"
            "  \"rain\" -> \"wet \\\"grass\\\"\";\n  \"v2\" -> \"wet \\\"grass\\\"\";\n"
            "}\n");
  p.graphfile = path("missing/net.dot");
  p.outfile = fopen(path("out").c_str(), "w");
  EXPECT_EXIT(d.dooutput(p, s), testing::ExitedWithCode(255),
              "^Error writing graph file \\[" + p.graphfile + "\\]\\.\n$");
  fclose(p.outfile);
}

// Families whose table would exceed 1e8 cells, or whose parent configurations overflow
// a 32-bit int, stop before any counting.
TEST_F(Output, OversizedFamiliesEndWithTheParameterMessage) {
  const char* message =
      "^\\[error\\] function loglik/bdeu wants more than 100M parameters for a single CPT -- "
      "I'm giving up\n\n$";
  d.init(3, 2);
  p.inputfile = "data";
  d.categ[0] = 100000;
  d.categ[1] = 1001;
  d.categ[2] = 2;
  matrix<char> s(3, 3, 0);
  s(0, 1) = 1;  // 100000 states times 1001 configurations
  p.outfile = fopen(path("out").c_str(), "w");
  EXPECT_EXIT(d.dooutput(p, s), testing::ExitedWithCode(255), message);
  // Without data the family's score comes from the cache, but q must still fit.
  cache_only();
  d.categ[1] = 70000;
  d.categ[2] = 70000;
  s(0, 2) = 1;
  EXPECT_EXIT(d.dooutput(p, s), testing::ExitedWithCode(255), message);
  fclose(p.outfile);
}

}  // namespace
