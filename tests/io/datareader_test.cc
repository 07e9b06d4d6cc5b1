#include <gtest/gtest.h>

#include <string>

#include "read_text.hh"

// Data sets are written inline: first line "N n P Q [S [K]]", then the constraint
// lines, the matrices, labels and records.

TEST(DataReader, FourNumberHeaderReadsAllowanceMatrix) {
  io d;
  EXPECT_EQ(read_text(d,
                      "3 2 0 0\n"
                      "-1 1\n"
                      "0 0\n"
                      "0 1\n1 1\n1.6 0\n"),
            1);
  EXPECT_EQ(d.n, 2);
  EXPECT_EQ(d.nrecords, 3);
  EXPECT_EQ(d.allow(0, 0), 0);  // the diagonal is ignored
  EXPECT_EQ(d.allow(0, 1), 1);
  EXPECT_EQ(d.allow(1, 0), 0);
  EXPECT_EQ(d.data(2, 0), 2);   // 1.6 rounds to 2
  EXPECT_EQ(d.data(0, 1), 1);
  EXPECT_EQ(d.categ[0], 3);
  EXPECT_EQ(d.categ[1], 2);
  EXPECT_EQ(d.hasinitial, 0);
  EXPECT_EQ(d.labels[1], "v1");
  EXPECT_EQ(d.data.n, 3);
}

TEST(DataReader, FiveNumberHeaderWithoutMatrices) {
  io d;
  read_text(d, "2 3 0 0 -1\n0 1 2\n1 0 0\n");
  EXPECT_EQ(d.nrecords, 2);
  EXPECT_EQ(d.data(0, 2), 2);
  EXPECT_EQ(d.categ[2], 3);
  EXPECT_EQ(d.maxparents[0], 2);
}

TEST(DataReader, InitialStructureAndRequiredArcs) {
  io d;
  read_text(d,
            "1 3 0 0 1\n"
            "0 -1 0\n0 0 0\n0 0 0\n"   // 1 must be a parent of 0
            "0 0 0\n1 0 0\n1 1 0\n"    // 0 -> 1, 0 -> 2, 1 -> 2
            "0 0 0\n");
  EXPECT_GT(d.hasinitial, 0);
  EXPECT_EQ(d.initialstructure(2, 1), 1);
  EXPECT_EQ(d.initialstructure(1, 2), 0);
  EXPECT_EQ(d.allow(0, 1), -1);
  EXPECT_EQ(d.allow(1, 0), 1);  // the reverse of a required arc is forbidden
}

TEST(DataReader, ClustersAndMutualInformation) {
  io d;
  testing::internal::CaptureStderr();
  read_text(d, "1 2 0 0 -1 1\n4 5\n0 0.5\n0.5 0\n0 1\n", params(), 1);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(d.clusters[1], 5);
  EXPECT_DOUBLE_EQ(d.mutualinfo(1, 0), 0.5);
  EXPECT_NE(err.find("matrix::print(clusters,1,2)\n4.000000 5.000000 \n"
                     "initial mutual info matrix has [2] nonzeros.\n"),
            std::string::npos)
      << err;
}

TEST(DataReader, LabelsSkipTokensThatStartWithOtherCharacters) {
  io d;
  read_text(d, "1 3 -1 0 -1\n# alpha 2nd #x Gamma\n0 0 0\n");
  EXPECT_EQ(d.haslabels, 1);
  EXPECT_EQ(d.labels[0], "alpha");
  EXPECT_EQ(d.labels[1], "2nd");
  EXPECT_EQ(d.labels[2], "Gamma");
}

TEST(DataReader, ConstraintLinesSkipEmptyLinesAndFoldIntoAllowance) {
  io d;
  read_text(d,
            "1 4 0 4 -1\n"
            "\r\n"
            "1:a(1,0)\r\n"
            "\n"
            "2:d(2,1,lt)\n"
            "7\n"
            "3:a(3,0) or a(3,1)\n"
            "0 0 0 0\n");
  ASSERT_EQ(d.nconstraints, 4);
  EXPECT_EQ(d.constraints[2], "7");
  EXPECT_EQ(d.constraints[0], "1:a(1,0)");
  EXPECT_EQ(d.constraints[3], "3:a(3,0) or a(3,1)");
  EXPECT_EQ(d.allow(1, 0), -1);
  EXPECT_EQ(d.allow(0, 1), 1);
  EXPECT_EQ(d.maxparents[2], 1);
  EXPECT_EQ(d.maxparents[3], 3);
  EXPECT_EQ(d.allow(3, 0), 0);
}

TEST(DataReader, LaterInDegreeLimitReplacesEarlier) {
  io d;
  read_text(d, "1 4 0 2 -1\n2:d(2,1,eq)\n2:d(2,3,lt)\n0 0 0 0\n");
  EXPECT_EQ(d.maxparents[2], 3);
}

TEST(DataReader, IgnoreConstraintsConsumesButDropsThem) {
  params p;
  p.ignoreconstraints = 1;
  io d;
  read_text(d, "1 2 0 1\n1:a(1,0)\n0 1\n-1 0\n0 0\n", p);
  EXPECT_EQ(d.nconstraints, 0);
  EXPECT_EQ(d.allow(0, 1), 0);
  EXPECT_EQ(d.allow(1, 0), 0);
  EXPECT_EQ(d.nrecords, 1);
}

TEST(DataReader, WeightVectorsMarkEntriesAndSetStates) {
  io d;
  read_text(d, "3 2 0 0 -1\n[0.25,0.75] 0\n1 [0.5,0.5,0]\n0 2\n");
  EXPECT_EQ(d.data(0, 0), -1);
  ASSERT_EQ(d.weights[0].size(), 2u);
  EXPECT_EQ(d.weights[0][0].n, 2);
  EXPECT_DOUBLE_EQ(d.weights[0][0][1], 0.75);
  EXPECT_EQ(d.weights[0][1].size(), 0);
  EXPECT_EQ(d.weights[2].size(), 0u);  // no vector in this record
  EXPECT_EQ(d.categ[0], 2);
  EXPECT_EQ(d.categ[1], 3);
}

TEST(DataReader, ColumnSeenOnlyThroughWeightsKeepsItsStates) {
  io d;
  read_text(d, "2 1 0 0 -1\n[1,0,0]\n[0,0,1]\n");
  EXPECT_EQ(d.categ[0], 3);
}

TEST(DataReader, MaxdataLimitsRecordsAndWarnsAboutTheRest) {
  params p;
  p.maxdata = 2;
  io d;
  testing::internal::CaptureStderr();
  read_text(d, "4 2 0 0 -1\n0 0\n1 0\n0 3\n1 1\n", p, 2);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(d.nrecords, 2);
  EXPECT_EQ(d.data.n, 2);
  EXPECT_EQ(d.categ[1], 1);  // the 3 of record 2 is not loaded
  EXPECT_NE(err.find("setting data set to [2] samples\n"), std::string::npos);
  EXPECT_NE(err.find("[warn] input file has more data records than were loaded. Using 2 data "
                     "records only.\n"),
            std::string::npos);
}

TEST(DataReader, SummaryLines) {
  io d;
  testing::internal::CaptureStderr();
  read_text(d, "2 3 0 1 -1\n0:-a(0,2)\n0 2 1\n1 1 0\n", params(), 2);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(err,
            "[info] #structural-constraints=1\n"
            "[info] constraint 0 is >0:-a(0,2)<\n"
            "[info] initial allowance matrix has [0] nonzeros.\n"
            "[info] node=0 name=v0\n"
            "[info] node=1 name=v1\n"
            "[info] node=2 name=v2\n"
            "[info] #categories-per-variable=(n=1,m=3,data=2 3 2 )\n"
            "[info] #variables=3\n"
            "[info] #data-records=2\n");
}

TEST(DataReader, OneNumberHeaderIsAScoreFile) {
  io d;
  testing::internal::CaptureStderr();
  FILE* f = tmpfile();
  fputs("3\nnext line\n", f);
  rewind(f);
  params p;
  p.infile = f;
  EXPECT_EQ(d.readDORVinput(p), 2);
  char rest[32];
  ASSERT_NE(fgets(rest, sizeof rest, f), nullptr);  // the stream is left at line 2
  EXPECT_STREQ(rest, "next line\n");
  fclose(f);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "GUESSING INPUT IN .gob FORMAT WITH [3] NODES\n");
  EXPECT_EQ(d.n, 3);
  EXPECT_EQ(d.nrecords, 0);
  EXPECT_EQ(d.hasinitial, -1);
  EXPECT_EQ(d.cache.size(), 3u);
}

TEST(DataReader, ClaimedRecordCountBeyondTheFileFailsWithoutAllocatingIt) {
  io d;
  EXPECT_EXIT(read_text(d, "2000000000 3 0 0 -1\n0 1 1\n1 0\n"), testing::ExitedWithCode(255),
              "^Error reading data position \\[1,2\\]\\.\n$");
}

TEST(DataReader, ManyRecordsGrowPastTheFirstAllocation) {
  std::string text = "3000 2 0 0 -1\n";
  for (int t = 0; t < 3000; ++t) text += std::to_string(t % 7) + " " + std::to_string(t % 3) + "\n";
  io d;
  read_text(d, text);
  EXPECT_EQ(d.data.n, 3000);
  EXPECT_EQ(d.data(2999, 0), 2999 % 7);
  EXPECT_EQ(d.data(1234, 1), 1234 % 3);
  EXPECT_EQ(d.categ[0], 7);
}

// Each fatal input message of the reader, exactly, with exit code 255.
struct fatal_case {
  const char* name;
  const char* text;
  const char* message;
};

class DataReaderDeath : public testing::TestWithParam<fatal_case> {};

TEST_P(DataReaderDeath, EndsWithMessage) {
  io d;
  EXPECT_EXIT(read_text(d, GetParam().text), testing::ExitedWithCode(255), GetParam().message);
}

const char* const first_line =
    "^DORV: Input format error on \\(first line\\) definition of n, m, 0, num\\. structural "
    "constraints, boolean if there is initial structure\n\n$";

INSTANTIATE_TEST_SUITE_P(
    Messages, DataReaderDeath,
    testing::Values(
        fatal_case{"EmptyFile", "", "^Error reading line 1 of the input file\n$"},
        fatal_case{"TwoNumbers", "3 2\n", first_line},
        fatal_case{"ThreeNumbers", "3 2 0\n", first_line},
        fatal_case{"TooManyVariables", "1 50000 0 0 -1\n", first_line},
        fatal_case{"VariablesBeyondTheFile", "1 3000 0 0 -1\n0 1\n", first_line},
        fatal_case{"ScoreFileWithTooManyNodes", "99999999\n", first_line},
        fatal_case{"NegativeVariables", "5 -3 0 0\n0 1\n", first_line},
        fatal_case{"ScoreFileWithNegativeNodes", "-3\n0 1\n", first_line},
        fatal_case{"ParameterConstraints", "1 2 1 0\n",
                   "^DORV: the number of parameter constraints must be set to zero\\. This code "
                   "does not work with them\\.\n\n$"},
        fatal_case{"MissingConstraintLine", "1 2 0 2 -1\n\n1:a(1,0)\n",
                   "^Error reading line 4 of input file\n$"},
        fatal_case{"AllowanceNotANumber", "1 2 0 0\n0 x 0 0\n",
                   "^Error reading initial constraint matrix\\.\n$"},
        fatal_case{"AllowanceTruncated", "1 2 0 0\n0 1 0\n",
                   "^Error reading initial constraint matrix\\.\n$"},
        fatal_case{"AllowanceOutOfRange", "1 2 0 0\n0 2 0 0\n",
                   "^initial constraint matrix has invalid element\\(s\\)\\. Only -1, 0 and 1 "
                   "are possible\\.\n$"},
        fatal_case{"AllowanceDiagonalOutOfRange", "1 2 0 0\n-2 0 0 0\n",
                   "^initial constraint matrix has invalid element\\(s\\)\\."},
        fatal_case{"StructureNotANumber", "1 2 0 0 1\n0 0 0 0\n0 1 - 0\n",
                   "^Error reading initial structure matrix\\.\n$"},
        fatal_case{"StructureOutOfRange", "1 2 0 0 1\n0 0 0 0\n0 -1 0 0\n",
                   "^initial structure matrix has invalid element\\(s\\)\\. Only 0 and 1 are "
                   "possible\\.\n$"},
        fatal_case{"ClusterNotANumber", "1 2 0 0 -1 1\n1 c\n",
                   "Error reading cluster line\\.\n$"},
        fatal_case{"MutualInfoNotANumber", "1 2 0 0 -1 1\n1 2\n0 1 y 0\n",
                   "Error reading initial mutual info matrix\\.\n$"},
        fatal_case{"RequiredArcCycle", "1 3 0 2\n1:a(1,2)\n2:a(2,0)\n0 -1 0\n0 0 0\n0 0 0\n",
                   "^DORV: Constraints must be acyclic, otherwise any super-graph is invalid\n\n$"},
        fatal_case{"RequiredArcsBothWays", "1 2 0 0\n0 -1\n-1 0\n",
                   "^DORV: Constraints must be acyclic"},
        fatal_case{"InitialStructureCycle", "1 2 0 0 1\n0 0 0 0\n0 1 1 0\n0 0\n",
                   "^DORV: Initial structure matrix must be acyclic, otherwise it is not a valid "
                   "starting solution\n\n$"},
        fatal_case{"ConflictingConstraints", "1 6 0 2 -1\n3:a(3,5)\n3:-a(x3,x5)\n",
                   "^Constraint 3:-a\\(x3,x5\\) implies cyclic graph\\.\n\n$"},
        fatal_case{"ArcOutsideVariables", "1 3 0 1 -1\n1:a(1,3)\n",
                   "^Constraint 1:a\\(1,3\\) is malformed\\.\n\n$"},
        fatal_case{"MissingLabel", "1 2 -1 0 -1\nname #x\n", "^Error reading label data\\.\n$"},
        fatal_case{"TruncatedRecord", "2 3 0 0 -1\n0 1 2\n1\n",
                   "^Error reading data position \\[1,1\\]\\.\n$"},
        fatal_case{"ValueNotANumber", "2 2 0 0 -1\n0 1\n1 z\n",
                   "^line of data number 1: wrong input format for variable 1\\.\n\n$"},
        fatal_case{"ValueBelowZero", "1 2 0 0 -1\n0 -1.5\n",
                   "^line of data number 0: wrong input format for variable 1\\.\n\n$"},
        fatal_case{"ValueMinusOne", "1 2 0 0 -1\n-1 0\n",
                   "^line of data number 0: wrong input format for variable 0\\.\n\n$"},
        fatal_case{"ValueWithTrailingText", "2 2 0 0 -1\n0 1\n1x 0\n",
                   "^line of data number 1: wrong input format for variable 0\\.\n\n$"},
        fatal_case{"ValueTooLarge", "1 2 0 0 -1\n1e300 0\n",
                   "^line of data number 0: wrong input format for variable 0\\.\n\n$"},
        fatal_case{"WeightLengthChanges", "2 1 0 0 -1\n[0.5,0.5]\n[0.2,0.3,0.5]\n",
                   "^line of data number 1: wrong number of categories for variable 0\\.\n\n$"},
        fatal_case{"PlainValueReachesWeightLength", "2 1 0 0 -1\n[0.5,0.5]\n2\n",
                   "^line of data number 1: wrong number of categories for variable 0\\.\n\n$"},
        fatal_case{"WeightLengthBelowEarlierValue", "2 2 0 0 -1\n0 2\n1 [0.5,0.5]\n",
                   "^line of data number 1: wrong number of categories for variable 1\\.\n\n$"},
        fatal_case{"EmptyWeightVector", "1 1 0 0 -1\n[]\n",
                   "^line of data number 0: wrong number of categories for variable 0\\.\n\n$"},
        fatal_case{"NoRecords", "0 2 0 0 -1\n", "^column j=0 to 1 n=0 m=0\n\n$"}),
    [](const testing::TestParamInfo<fatal_case>& info) { return std::string(info.param.name); });

TEST(DataReaderDeath, OverlongWeightVector) {
  std::string text = "1 1 0 0 -1\n[1";
  for (int k = 0; k < 1000; ++k) text += ",0";
  text += "]\n";
  io d;
  EXPECT_EXIT(read_text(d, text), testing::ExitedWithCode(255),
              "^line of data number 0: wrong number of categories for variable 0\\.\n\n$");
}

TEST(DataReaderDeath, MaxdataZeroLoadsNoRecord) {
  params p;
  p.maxdata = 0;
  io d;
  EXPECT_EXIT(read_text(d, "2 2 0 0 -1\n0 0\n1 1\n", p), testing::ExitedWithCode(255),
              "^column j=0 to 1 n=0 m=0\n\n$");
}

// Every prefix of a data set that uses each section, and seeded binary noise after a
// valid header, either reads or ends with exit code 255: never a crash.
TEST(DataReaderDeath, TruncationAndNoiseNeverCrash) {
  const std::string full =
      "3 3 -1 2 1 1\n"
      "1:a(1,0)\n2:d(2,1,lt) or -a(2,0)\n"
      "0 0 0\n0 0 0\n0 1 0\n"
      "0 0 0\n1 0 0\n0 0 0\n"
      "1 2 3\n0 0.5 0\n0.5 0 0\n0 0 0\n"
      "#skip alpha b2 c3\n"
      "0 [0.5,0.5] 1\n1 1 2.4\n[0.1,0.9] 0 0\n";
  for (size_t len = 0; len <= full.size(); ++len) {
    EXPECT_EXIT(
        {
          io d;
          read_text(d, full.substr(0, len));
          exit(255);
        },
        testing::ExitedWithCode(255), "")
        << len;
  }
  unsigned state = 12345;
  for (int round = 0; round < 20; ++round) {
    std::string noisy = "4 3 0 0 -1\n";
    for (int k = 0; k < 40; ++k) {
      state = state * 1103515245u + 12345u;
      noisy += char(state >> 16);
    }
    EXPECT_EXIT(
        {
          io d;
          read_text(d, noisy);
          exit(255);
        },
        testing::ExitedWithCode(255), "")
        << round;
  }
}
