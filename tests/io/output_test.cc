#include <gtest/gtest.h>

#include <cstdio>

#include "cache_fixture.hh"
#include "core/outputfile.hh"
#include "scoring/familytables.hh"

namespace {

using testsupport::add_entry;
using testsupport::file_text;

constexpr const char* header =
    "matrix::print(Each line corresponds to a variable, and indicates which are its "
    "parents,3,3)\n";

class Output : public testsupport::scratchdir {
 protected:
  io d;

  // Runs dooutput into a file, puts its side files in place as the run's end does, and
  // returns what it wrote.
  std::string output_of(const matrix<char>& structure, double* total = nullptr) {
    p.outfile = fopen(path("out").c_str(), "w");
    const double value = d.dooutput(p, structure, familytables(d, p));
    fclose(p.outfile);
    std::string failed;
    EXPECT_TRUE(outputfile::commit(failed)) << failed;
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

// Four records of A (2 states), B (2 states) and C (3 states):
//   A B C:  0 0 0 | 0 1 1 | 1 1 1 | 0 1 2
// C's configurations under parents A, B are k = 2A + B; k = 2 (A=1, B=0) is never seen.
class OutputWithData : public Output {
 protected:
  void SetUp() override {
    Output::SetUp();
    const int records[4][3] = {{0, 0, 0}, {0, 1, 1}, {1, 1, 1}, {0, 1, 2}};
    d.init(3, 4);
    for (int t = 0; t < 4; ++t)
      for (int j = 0; j < 3; ++j) d.data(t, j) = records[t][j];
    d.categ[0] = 2;
    d.categ[1] = 2;
    d.categ[2] = 3;
    p.inputfile = "data.txt";
  }
  static matrix<char> c_under_a_and_b() {
    matrix<char> s(3, 3, 0);
    s(2, 0) = s(2, 1) = 1;
    return s;
  }
};

// BIC: A: 3 ln(3/4) + ln(1/4) - ln(4)/2 = -2.942488, B the same, C: 2 ln(1/4) + 2 ln(1/2)
// - 2 ln(4)/2 = -5.545177; the tables are the relative frequencies.
TEST_F(OutputWithData, EmptyNetworkTablesAreRelativeFrequencies) {
  double total = 0;
  EXPECT_EQ(output_of(matrix<char>(3, 3, 0), &total),
            std::string(header) +
                "0 0 0 \n0 0 0 \n0 0 0 \n"
                "table 0 0.750000 0.250000 \n"
                "table 1 0.250000 0.750000 \n"
                "table 2 0.250000 0.500000 0.250000 \n"
                "score -11.430153\n");
  EXPECT_NEAR(total, -11.4301534, 1e-6);
  // AIC: the penalties are 1, 1 and 2 instead.
  p.aicscore = true;
  output_of(matrix<char>(3, 3, 0), &total);
  EXPECT_NEAR(total, -12.657564, 1e-6);
}

// C given A, B under BIC: LL = 2 ln(1/2), penalty 4 * 2 * ln(4)/2. Table rows are the
// states of C, columns the configurations; the unseen k = 2 is uniform, a state never
// seen under a seen configuration is 0.
TEST_F(OutputWithData, UnseenConfigurationIsUniformUnderMaximumLikelihood) {
  EXPECT_EQ(output_of(c_under_a_and_b()),
            std::string(header) +
                "0 0 0 \n0 0 0 \n1 1 0 \n"
                "table 0 0.750000 0.250000 \n"
                "table 1 0.250000 0.750000 \n"
                "table 2 1.000000 0.000000 0.333333 0.000000 0.000000 0.500000 0.333333 "
                "1.000000 0.000000 0.500000 0.333333 0.000000 \n"
                "score -12.816447\n");
}

// BDeu with alpha 1: for C, s = 1/4 and s/r = 1/12, theta = (N_jk + 1/12) / (N_k + 1/4),
// so k = 0 gives 13/15 and 1/15, k = 1 gives 1/27 and 13/27, the unseen k = 2 gives 1/3;
// for A and B, (N_j + 1/2) / 5. Family scores: A and B -3.242592, C -6.003887.
TEST_F(OutputWithData, UnseenConfigurationIsUniformUnderBDeu) {
  p.alpha = 1.0;
  EXPECT_EQ(output_of(c_under_a_and_b()),
            std::string(header) +
                "0 0 0 \n0 0 0 \n1 1 0 \n"
                "table 0 0.700000 0.300000 \n"
                "table 1 0.300000 0.700000 \n"
                "table 2 0.866667 0.037037 0.333333 0.066667 0.066667 0.481481 0.333333 "
                "0.866667 0.066667 0.481481 0.333333 0.066667 \n"
                "score -12.489072\n");
}

// A score file gives variables but no records: the families come from the cache.
TEST_F(Output, ScoreFileRunTakesTheScoresFromTheCache) {
  cache_only();
  p.inputfile = "scores.jkl";
  EXPECT_EQ(output_of(matrix<char>(3, 3, 0)),
            std::string(header) + "0 0 0 \n0 0 0 \n0 0 0 \nscore -7.750000\n");
}

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
  EXPECT_EXIT(d.dooutput(p, s, familytables(d, p)), testing::ExitedWithCode(255),
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
  EXPECT_EXIT(d.dooutput(p, s, familytables(d, p)), testing::ExitedWithCode(255),
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
  EXPECT_EXIT(d.dooutput(p, s, familytables(d, p)), testing::ExitedWithCode(255), message);
  matrix<char> none(3, 3, 0);
  d.categ[0] = 100000001;  // no parents, but 10^8 + 1 states
  EXPECT_EXIT(d.dooutput(p, none, familytables(d, p)), testing::ExitedWithCode(255), message);
  d.categ[0] = 100000;
  // Without data the family's score comes from the cache, but q must still fit.
  cache_only();
  d.categ[1] = 70000;
  d.categ[2] = 70000;
  s(0, 2) = 1;
  EXPECT_EXIT(d.dooutput(p, s, familytables(d, p)), testing::ExitedWithCode(255), message);
  fclose(p.outfile);
}

}  // namespace
