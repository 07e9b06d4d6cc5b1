#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "cache_fixture.hh"

namespace {

using testsupport::add_entry;
using testsupport::file_text;
using testsupport::write_text;

class Exchange : public testsupport::scratchdir {
 protected:
  // Reads the blocks of a score file whose header line the data-set reader has
  // consumed: the record is set up for n variables and no records.
  void read_blocks(io& d, int n, const std::string& blocks) {
    write_text(path("scores"), blocks);
    d.init(n, 0);
    p.inputfile = path("scores");
    p.infile = fopen(p.inputfile.c_str(), "r");
    ASSERT_NE(p.infile, nullptr);
    d.readCussenscache(p);
    fclose(p.infile);
  }
  std::string cussens_message(const std::string& where) {
    return "^reading scores \\(Cussens format\\)\n"
           "Input file has unrecognized format \\(" + where + "\\)\\.\n$";
  }
};

TEST_F(Exchange, CussensBlocksFillTheListsInFileOrder) {
  io d;
  read_blocks(d, 3,
              "0 2\n-10.5 0\n-8.25 2 2 1\n"
              "1 1\n  -3e1\t1\n0\n"
              "2 3\n-1 1 0\n-2 3 1 1 0\n-0.5 1 2\n");
  ASSERT_EQ(d.cache[0].size(), 2u);
  EXPECT_EQ(d.cache[0][0].first, -10.5);
  EXPECT_EQ(d.cache[0][1].first, -8.25);
  EXPECT_EQ(d.cache[0][1].second[0], 1);
  EXPECT_EQ(d.cache[0][1].second[1], 1);
  EXPECT_EQ(d.cache[0][1].second[2], 1);
  EXPECT_EQ(d.cache[1][0].first, -30.0);
  EXPECT_EQ(d.cache[1][0].second[0], 1);
  EXPECT_EQ(d.cache[1][0].second[2], 0);
  // Repeated parents are set once; the variable itself adds nothing.
  ASSERT_EQ(d.cache[2].size(), 3u);
  EXPECT_EQ(d.cache[2][1].second[0] + d.cache[2][1].second[1] + d.cache[2][1].second[2], 3);
  EXPECT_EQ(d.cache[2][2].second[0] + d.cache[2][2].second[1] + d.cache[2][2].second[2], 1);
  EXPECT_EQ(d.cachesize, 6);
  EXPECT_DOUBLE_EQ(d.logsearchspace, std::log(2.0) + std::log(1.0) + std::log(3.0));
}

// Large enough that numbers straddle the reader's buffer refills at many offsets;
// blanks, tabs and CRLF line ends vary the offsets further.
TEST_F(Exchange, CussensNumbersSurviveBufferRefills) {
  const int per_variable = 12000;
  std::string blocks;
  for (int v = 0; v < 2; ++v) {
    blocks += std::to_string(v) + " " + std::to_string(per_variable) + "\r\n";
    for (int e = 0; e < per_variable; ++e) {
      blocks += "-" + std::to_string(e) + "." + std::string(size_t(e % 7), '3') +
                (e % 3 ? "  " : "\t") + "1 " + std::to_string(1 - v) + (e % 2 ? "\r\n" : "\n");
    }
  }
  io d;
  read_blocks(d, 2, blocks);
  for (int v = 0; v < 2; ++v) {
    ASSERT_EQ(d.cache[size_t(v)].size(), size_t(per_variable));
    for (int e = 0; e < per_variable; ++e) {
      const auto& entry = d.cache[size_t(v)][size_t(e)];
      const std::string text = "-" + std::to_string(e) + "." + std::string(size_t(e % 7), '3');
      ASSERT_EQ(entry.first, std::strtod(text.c_str(), nullptr)) << v << " " << e;
      ASSERT_EQ(entry.second[1 - v], 1);
    }
  }
}

TEST_F(Exchange, CussensEmptyBlockAddsMinusInfinity) {
  io d;
  read_blocks(d, 2, "0 0\n1 1\n-1 0\n");
  EXPECT_TRUE(d.cache[0].empty());
  EXPECT_EQ(d.logsearchspace, -INFINITY);
}

TEST_F(Exchange, CussensBadBlocksNameTheVariable) {
  const struct {
    const char* blocks;
    const char* where;
  } cases[] = {
      {"1 1\n-1 0\n0 1\n-1 0\n", "node=0"},
      {"0 1\n-1 0\n", "node=1"},
      {"0 1\n-1 0\n1\n", "node=1"},
      {"0 1\n-1 0\n1 -2\n", "node=1"},
      {"0 1\n-1 0\nx 1\n", "node=1"},
      {"0 1\n-1 1 2\n1 1\n-1 0\n", "node=0,parent=0"},
      {"0 1\n-1 0\n1 2\n-1 0\n-2 1 -1\n", "node=1,parent=1"},
      {"0 2\n-1 0\n-2 2 1\n", "node=0,parent=1"},
      {"0 1\n-1\n", "node=0,parent=0"},
      {"0 1\nabc 0\n", "node=0,parent=0"},
      {"0 2000000000\n-1 0\n-2 0\n", "node=0,parent=2"},
      {"0 1\n-1 0\n1 2147483647\n-1 0\n", "node=1,parent=1"},  // no count overflow on the way
      {"0 1\n-1 -1\n1 1\n-1 0\n", "node=0,parent=0"},   // a negative number of parents
      {"0 1\n-1x 0\n1 1\n-1 0\n", "node=0,parent=0"},   // numbers are whole tokens
      {"0 1\n-1 0\n1 1\n-1 1 0x\n", "node=1,parent=0"},
      {"0 1\n-1 0\n1.0 1\n-1 0\n", "node=1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.blocks);
    io d;
    EXPECT_EXIT(read_blocks(d, 2, c.blocks), testing::ExitedWithCode(255),
                cussens_message(c.where));
  }
}

// What the format cannot mean is refused with the file named: a score that is not
// finite, text after the last block. A file cut at any line end fails.
TEST_F(Exchange, CussensRefusesNonFiniteScoresTrailingTextAndCuts) {
  const struct {
    const char* blocks;
    const char* message;
  } cases[] = {
      {"0 1\n1e999 0\n1 1\n-1 0\n", "has a score that is not a finite number \\(node=0,parent=0\\)"},
      {"0 1\n-1 0\n1 1\nnan 1 0\n", "has a score that is not a finite number \\(node=1,parent=0\\)"},
      {"0 1\n-1 0\n1 1\n-1 0\n2 0\n", "has unrecognized format \\(text after the last node\\)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.blocks);
    io d;
    EXPECT_EXIT(read_blocks(d, 2, c.blocks), testing::ExitedWithCode(255),
                "Input file \\[" + path("scores") + "\\] " + c.message + "\\.\n$");
  }
  const std::string whole = "0 2\n-1 0\n-2 1 1\n1 1\n-3 1 0\n";
  for (size_t cut = 0; cut < whole.size(); cut = whole.find('\n', cut) + 1) {
    SCOPED_TRACE(cut);
    io d;
    EXPECT_EXIT(read_blocks(d, 2, whole.substr(0, cut)), testing::ExitedWithCode(255),
                "\nInput file has unrecognized format \\(node=");
  }
}

TEST_F(Exchange, CussensWriterListsParentsInIncreasingOrder) {
  io d;
  d.init(3, 0);
  add_entry(d, 0, -1.0, {});
  add_entry(d, 1, -10.5, {});
  add_entry(d, 1, -8.25, {2, 0});
  add_entry(d, 2, -1234.567891, {1});
  p.cachefile = path("out.jkl");
  d.writeCussenscache(p);
  EXPECT_EQ(file_text(p.cachefile),
            "3\n0 1\n-1.000000 0\n1 2\n-10.500000 0\n-8.250000 2 0 2\n2 1\n-1234.567891 1 1\n");
}

TEST_F(Exchange, CussensWrittenThenReadKeepsTheSets) {
  io d;
  d.init(4, 0);
  add_entry(d, 0, -1.25, {});
  add_entry(d, 0, -0.75, {1, 2, 3});
  add_entry(d, 1, -2.0000004, {3});
  add_entry(d, 2, -3.0, {0, 1});
  add_entry(d, 3, -4.0, {});
  p.cachefile = path("out.jkl");
  d.writeCussenscache(p);
  const std::string text = file_text(p.cachefile);
  io back;
  read_blocks(back, 4, text.substr(text.find('\n') + 1));
  for (size_t v = 0; v < 4; ++v) {
    ASSERT_EQ(back.cache[v].size(), d.cache[v].size());
    for (size_t e = 0; e < d.cache[v].size(); ++e) {
      EXPECT_TRUE(testsupport::same_set(back.cache[v][e].second, d.cache[v][e].second));
      EXPECT_EQ(back.cache[v][e].first, std::round(d.cache[v][e].first * 1e6) / 1e6);
    }
  }
}

// Field by field: masks 0..7 of three variables, bit j standing for variable j.
TEST_F(Exchange, HelsinkiWritesEveryPresentScore) {
  io d;
  d.init(3, 0);
  add_entry(d, 0, -5.0, {});
  add_entry(d, 0, -4.12345, {1, 2});
  add_entry(d, 1, 0.0, {});        // a real score of a single-state variable
  add_entry(d, 1, -2.0, {0});
  add_entry(d, 1, -1.5, {0});      // the same set again: the later entry wins
  add_entry(d, 2, 3.25, {0, 1});   // positive scores are written too
  p.cachefile = path("out.hel");
  d.writeHelsinkicache(p);
  EXPECT_EQ(file_text(p.cachefile),
            "-5.0000 - - - - - -4.1235 - \n"
            "0.0000 -1.5000 - - - - - - \n"
            "- - - 3.2500 - - - - \n");
}

TEST_F(Exchange, HelsinkiRefusesMoreThanTwentyVariables) {
  io d;
  d.init(21, 0);
  p.cachefile = path("big.hel");
  write_text(p.cachefile, "an earlier file\n");
  EXPECT_EXIT(d.writeHelsinkicache(p), testing::ExitedWithCode(255),
              "^Error writing Helsinki file for > 20 vars not possible\\.\n$");
  EXPECT_EQ(file_text(p.cachefile), "an earlier file\n");
}

TEST_F(Exchange, WritersReportFilesThatCannotBeOpened) {
  io d;
  d.init(2, 0);
  p.cachefile = path("missing/out");
  const std::string message = "^Error writing cache output file \\[" + p.cachefile + "\\]\\.\n$";
  EXPECT_EXIT(d.writeCussenscache(p), testing::ExitedWithCode(255), message);
  EXPECT_EXIT(d.writeHelsinkicache(p), testing::ExitedWithCode(255), message);
}

}  // namespace
