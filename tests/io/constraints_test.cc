#include "io/constraints.hh"

#include <gtest/gtest.h>

#include <initializer_list>

namespace {

constexpr int nvars = 8;

matrix<char> apply(const char* text, int var, const matrix<char>& start, int& flag) {
  flag = 1;
  return verifystrucon(text, var, start, flag);
}

matrix<char> apply_to_free_row(const char* text, int var, int& flag) {
  return apply(text, var, matrix<char>(1, nvars, 0), flag);
}

// Verdict of test mode for a parent set of `var` given by its members (var included).
int verdict(const char* text, int var, std::initializer_list<int> members) {
  matrix<char> set(nvars, 1, 0);
  for (int k : members) set[k] = 1;
  int flag = 0;
  const matrix<char> out = verifystrucon(text, var, set, flag);
  EXPECT_EQ(out.size(), 0);
  return flag;
}

int count_nonzero(const matrix<char>& row) {
  int c = 0;
  for (int k = 0; k < row.size(); ++k) c += row[k] != 0;
  return c;
}

}  // namespace

TEST(Constraints, ArcTermsWriteTheAllowanceRow) {
  int flag;
  matrix<char> row = apply_to_free_row("3:a(3,5)", 3, flag);
  EXPECT_EQ(row[5], -1);
  EXPECT_EQ(count_nonzero(row), 1);
  EXPECT_EQ(flag, -1);
  row = apply_to_free_row("3:-a(x3,x5)", 3, flag);
  EXPECT_EQ(row[5], 1);
  row = apply("3:-A(V3,X5)", 3, row, flag);  // the same value again changes nothing
  EXPECT_EQ(row[5], 1);
  EXPECT_EQ(count_nonzero(row), 1);
  row = apply_to_free_row("3:a3,5", 3, flag);  // brackets are optional
  EXPECT_EQ(row[5], -1);
}

TEST(Constraints, ApplyLeavesOtherVariablesAndDisjunctionsAlone) {
  int flag;
  matrix<char> start(1, nvars, 0);
  start[2] = 1;
  matrix<char> row = apply("7:a(7,1)", 3, start, flag);
  EXPECT_EQ(count_nonzero(row), 1);
  EXPECT_EQ(row[2], 1);
  EXPECT_EQ(flag, -1);
  row = apply("3:a(3,5) or a(3,6)", 3, start, flag);
  EXPECT_EQ(count_nonzero(row), 1);
  EXPECT_EQ(flag, -1);
  row = apply("3:a(3,5)+a(3,6)", 3, start, flag);
  EXPECT_EQ(count_nonzero(row), 1);
  row = apply("3", 3, start, flag);  // a bare variable number has no terms
  EXPECT_EQ(count_nonzero(row), 1);
}

TEST(Constraints, InDegreeTermsGiveParentLimits) {
  int flag;
  apply_to_free_row("3:d(3,2,eq)", 3, flag);
  EXPECT_EQ(flag, 3);
  apply_to_free_row("3:d(3,2,lt)", 3, flag);
  EXPECT_EQ(flag, 2);
  apply_to_free_row("3:-d(3,2,lt)", 3, flag);  // negation does not affect in-degree
  EXPECT_EQ(flag, 2);
  apply_to_free_row("3:D(3,2,gt)", 3, flag);
  EXPECT_EQ(flag, -1);
  apply_to_free_row("4:d(4,2,eq)", 3, flag);
  EXPECT_EQ(flag, -1);
}

TEST(Constraints, TestModeVerdicts) {
  EXPECT_EQ(verdict("3:a(3,5) or a(3,6)", 3, {3, 5}), 1);
  EXPECT_EQ(verdict("3:a(3,5) or a(3,6)", 3, {3, 6, 1}), 1);
  EXPECT_EQ(verdict("3:a(3,5) or a(3,6)", 3, {3, 1}), 0);
  EXPECT_EQ(verdict("3:-a(3,5)", 3, {3, 5}), 0);
  EXPECT_EQ(verdict("3:-a(3,5)", 3, {3, 4}), 1);
  for (int parents = 0; parents <= 4; ++parents) {
    std::initializer_list<int> sets[] = {{3}, {3, 0}, {3, 0, 1}, {3, 0, 1, 2}, {3, 0, 1, 2, 4}};
    EXPECT_EQ(verdict("3:d(3,2,eq)", 3, sets[parents]), parents == 2) << parents;
    EXPECT_EQ(verdict("3:d(3,2,lt)", 3, sets[parents]), parents < 2) << parents;
    EXPECT_EQ(verdict("3:d(3,2,gt)", 3, sets[parents]), parents > 2) << parents;
  }
  EXPECT_EQ(verdict("7:a(7,1)", 3, {3}), 1);  // about another variable: satisfied
  EXPECT_EQ(verdict("3:", 3, {3, 1}), 0);     // no term holds
  EXPECT_EQ(verdict("3", 3, {3, 1}), 0);
}

TEST(Constraints, LaterTermsAreNotParsedOnceOneHolds) {
  EXPECT_EQ(verdict("3:a(3,5) or b(3,6)", 3, {3, 5}), 1);
}

TEST(ConstraintsDeath, ConflictingArcIsCyclic) {
  matrix<char> row(1, nvars, 0);
  row[5] = -1;
  int flag = 1;
  EXPECT_EXIT(verifystrucon("3:-a(3,5)", 3, row, flag), testing::ExitedWithCode(255),
              "^Constraint 3:-a\\(3,5\\) implies cyclic graph\\.\n\n$");
}

TEST(ConstraintsDeath, MalformedLinesInBothModes) {
  struct bad {
    const char* text;
    const char* message;
  } cases[] = {
      {"3:a(4,5)", "^Constraint 3:a\\(4,5\\) is malformed \\(variable number mismatch\\)\\.\n\n$"},
      {"3:b(3,5)", "^Constraint 3:b\\(3,5\\) is malformed \\(invalid function\\)\\.\n\n$"},
      {"3:d(3,2,le)",
       "^Constraint 3:d\\(3,2,le\\) is malformed \\(invalid type for function indegree: "
       "eq,lt,gt\\)\\.\n\n$"},
      {"3:a(3)", "^Constraint 3:a\\(3\\) is malformed\\.\n\n$"},
      {"3:d(3,2)", "^Constraint 3:d\\(3,2\\) is malformed\\.\n\n$"},
      {"3:a()", "^Constraint 3:a\\(\\) is malformed\\.\n\n$"},
      {"3:a(3,8)", "^Constraint 3:a\\(3,8\\) is malformed\\.\n\n$"},
      {"3:a(3,-1)", "^Constraint 3:a\\(3,-1\\) is malformed\\.\n\n$"},
      {"3:a(3,3)", "^Constraint 3:a\\(3,3\\) is malformed\\.\n\n$"},
  };
  for (const bad& c : cases) {
    int flag = 1;
    EXPECT_EXIT(verifystrucon(c.text, 3, matrix<char>(1, nvars, 0), flag),
                testing::ExitedWithCode(255), c.message)
        << c.text;
    flag = 0;
    EXPECT_EXIT(verifystrucon(c.text, 3, matrix<char>(nvars, 1, 0), flag),
                testing::ExitedWithCode(255), c.message)
        << c.text;
  }
}

TEST(ConstraintsDeath, UnreadableVariableNumber) {
  int flag = 0;
  EXPECT_EXIT(verifystrucon("x:a(3,5)", 3, matrix<char>(nvars, 1, 0), flag),
              testing::ExitedWithCode(255), "^Constraint x:a\\(3,5\\) is malformed\\.\n\n$");
}

TEST(ConstraintsDeath, FirstTermOfDisjunctionIsValidatedWhenApplying) {
  int flag = 1;
  EXPECT_EXIT(verifystrucon("3:b(3,5) or a(3,6)", 3, matrix<char>(1, nvars, 0), flag),
              testing::ExitedWithCode(255), "invalid function");
}
