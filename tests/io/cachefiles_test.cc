#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <map>

#include "../search/random_cache.hh"
#include "cache_fixture.hh"

namespace {

using testsupport::add_entry;
using testsupport::file_text;
using testsupport::write_text;

class CacheFiles : public testsupport::scratchdir {
 protected:
  // Three variables with 2, 3 and 4 states; the lists are in ascending score order.
  void small_cache(io& d) {
    d.init(3, 0);
    d.categ[0] = 2;
    d.categ[1] = 3;
    d.categ[2] = 4;
    add_entry(d, 0, -20.000000123456789, {1});
    add_entry(d, 0, -10.5, {});
    add_entry(d, 1, -7.25, {0, 2});
    add_entry(d, 2, -1234.56789, {0});
  }
  void write(const io& d, const std::string& x) {
    p.cachefile = x;
    d.writeDORVcache(p, d.initialstructure);
  }
};

std::string unrecognized(const std::string& name) {
  return "^Cache file " + name + " has unrecognized format\\.\n$";
}

void expect_same_lists(const io& a, const io& b) {
  ASSERT_EQ(a.cache.size(), b.cache.size());
  for (size_t v = 0; v < a.cache.size(); ++v) {
    ASSERT_EQ(a.cache[v].size(), b.cache[v].size()) << "variable " << v;
    for (size_t e = 0; e < a.cache[v].size(); ++e) {
      EXPECT_TRUE(testsupport::same_bits(a.cache[v][e].first, b.cache[v][e].first));
      EXPECT_TRUE(testsupport::same_set(a.cache[v][e].second, b.cache[v][e].second));
    }
  }
}

TEST_F(CacheFiles, BinaryRoundTripKeepsEverythingBitForBit) {
  io written;
  testsupport::random_cache(written, 6, 9, 3, 17);
  written.allow(0, 1) = 1;
  written.allow(2, 4) = -1;
  written.initialstructure(3, 5) = 1;
  write(written, path("c"));

  io back;
  back.init(6, 0);
  back.cachesize = 3;
  back.logsearchspace = 1.5;
  p.cachefile = path("c");
  back.readDORVcache(p);
  expect_same_lists(written, back);
  double logs = 1.5;
  for (const auto& list : written.cache) logs += std::log(double(list.size()));
  EXPECT_EQ(back.cachesize, 3 + written.cachesize);
  EXPECT_DOUBLE_EQ(back.logsearchspace, logs);
  EXPECT_TRUE(testsupport::same_set(back.allow, written.allow));
  EXPECT_TRUE(testsupport::same_set(back.initialstructure, written.initialstructure));
}

TEST_F(CacheFiles, BinaryReaderSortsEachList) {
  io written;
  small_cache(written);
  std::swap(written.cache[0][0], written.cache[0][1]);
  write(written, path("c"));
  io back;
  back.init(3, 0);
  p.cachefile = path("c");
  back.readDORVcache(p);
  EXPECT_EQ(back.cache[0][0].first, -20.000000123456789);
  EXPECT_EQ(back.cache[0][1].first, -10.5);
}

TEST_F(CacheFiles, BaseFileNameEndingInDorvIsUsedAsIs) {
  io written;
  small_cache(written);
  write(written, path("c.dorv"));
  EXPECT_TRUE(std::filesystem::exists(path("c.dorv")));
  EXPECT_TRUE(std::filesystem::exists(path("c.dorv.node2.dorv")));
  EXPECT_TRUE(std::filesystem::exists(path("c.dorv.dorv.csv")));
  io back;
  back.init(3, 0);
  back.readDORVcache(p);
  expect_same_lists(written, back);
}

TEST_F(CacheFiles, TextFormKeepsSetsSixDecimalsAndStates) {
  io written;
  small_cache(written);
  write(written, path("c"));
  // Variable 2 of three, 4 states, parent 0: its own element holds the states.
  EXPECT_EQ(file_text(path("c.dorv.csv")),
            "#rows,4\n0,-20.000000,2,1,0\n0,-10.500000,2,0,0\n1,-7.250000,1,3,1\n"
            "2,-1234.567890,1,0,4\n");
  io back;
  p.cachefile = path("c.dorv.csv");
  back.readDORVcache(p);
  ASSERT_EQ(back.n, 3);
  EXPECT_EQ(back.cachesize, 4);
  EXPECT_EQ(back.nrecords, 0);
  EXPECT_EQ(back.categ[0], 2);
  EXPECT_EQ(back.categ[1], 3);
  EXPECT_EQ(back.categ[2], 4);
  for (size_t v = 0; v < 3; ++v) {
    ASSERT_EQ(back.cache[v].size(), written.cache[v].size());
    for (size_t e = 0; e < back.cache[v].size(); ++e) {
      EXPECT_DOUBLE_EQ(back.cache[v][e].first,
                       std::round(written.cache[v][e].first * 1e6) / 1e6);
      EXPECT_TRUE(testsupport::same_set(back.cache[v][e].second, written.cache[v][e].second));
    }
  }
  EXPECT_EQ(back.allow.n, 3);
  EXPECT_EQ(back.allow.max(), 0);
  EXPECT_EQ(back.initialstructure.max(), 0);
}

TEST_F(CacheFiles, TextRowOfThreeStateVariableWithTwoParents) {
  io written;
  written.init(4, 0);
  for (int v = 0; v < 4; ++v) add_entry(written, v, -1.0, {});
  written.cache[2].clear();
  add_entry(written, 2, -1234.56789, {0, 3});
  written.categ[2] = 3;
  p.node = 2;
  write(written, path("c"));
  EXPECT_EQ(file_text(path("c.node2.dorv.csv")), "#rows,1\n2,-1234.567890,1,0,3,1\n");
}

TEST_F(CacheFiles, TextStatesAreTheLargestOwnElementAndFormatOptionSelectsText) {
  write_text(path("t"), "1,-3.5,0,2,1\n1,-2,1,5,0\n0,-1,7,0,0\n");
  io back;
  back.init(3, 4);
  back.cache[0].emplace_back(-1.0, matrix<char>(3, 1, 1));
  p.cachefile = path("t");
  p.cacheformat = "csv";
  back.readDORVcache(p);
  EXPECT_EQ(back.cachesize, 3);
  EXPECT_EQ(back.cache[0].size(), 1u);
  EXPECT_EQ(back.categ[0], 7);
  EXPECT_EQ(back.categ[1], 5);
  EXPECT_EQ(back.cache[1][1].second[1], 1);
  EXPECT_EQ(back.cache[1][1].second[0], 1);
  EXPECT_EQ(back.nrecords, 0);
}

TEST_F(CacheFiles, CsvFormatWritesOnlyTheTextFile) {
  io written;
  small_cache(written);
  p.cacheformat = "csv";
  write(written, path("c"));
  EXPECT_TRUE(std::filesystem::exists(path("c.dorv.csv")));
  EXPECT_FALSE(std::filesystem::exists(path("c.node0.dorv")));
  EXPECT_FALSE(std::filesystem::exists(path("c.dorv")));
}

// A job for one variable writes only files no other job writes: its rows go to a text
// file of its own.
TEST_F(CacheFiles, NodeOptionWritesOneVariableAndTheBaseOnlyForNodeZero) {
  io written;
  small_cache(written);
  p.node = 1;
  write(written, path("a"));
  EXPECT_EQ(file_text(path("a.node1.dorv.csv")), "#rows,1\n1,-7.250000,1,3,1\n");
  EXPECT_FALSE(std::filesystem::exists(path("a.dorv.csv")));
  EXPECT_TRUE(std::filesystem::exists(path("a.node1.dorv")));
  EXPECT_FALSE(std::filesystem::exists(path("a.node0.dorv")));
  EXPECT_FALSE(std::filesystem::exists(path("a.dorv")));
  p.node = 0;
  write(written, path("b"));
  EXPECT_TRUE(std::filesystem::exists(path("b.node0.dorv")));
  EXPECT_FALSE(std::filesystem::exists(path("b.node1.dorv")));
  EXPECT_TRUE(std::filesystem::exists(path("b.dorv")));
  p.node = 7;  // no such variable: no rows, no files, no base
  write(written, path("z"));
  EXPECT_EQ(file_text(path("z.node7.dorv.csv")), "#rows,0\n");
}

TEST_F(CacheFiles, EmptyListAddsMinusInfinityToTheSearchSpace) {
  io written;
  small_cache(written);
  written.cache[1].clear();
  write(written, path("c"));
  io back;
  back.init(3, 0);
  back.readDORVcache(p);
  EXPECT_TRUE(back.cache[1].empty());
  EXPECT_EQ(back.logsearchspace, -INFINITY);
}

TEST_F(CacheFiles, WriteFailuresNameTheFile) {
  io written;
  small_cache(written);
  p.cachefile = path("missing/c");
  EXPECT_EXIT(written.writeDORVcache(p, written.initialstructure), testing::ExitedWithCode(255),
              "^Error writing cache output file \\[" + path("missing/c.dorv.csv") + "\\]\\.\n$");
  std::filesystem::create_directory(path("c.node1.dorv"));
  p.cachefile = path("c");
  EXPECT_EXIT(written.writeDORVcache(p, written.initialstructure), testing::ExitedWithCode(255),
              "^Error writing cache output file \\[" + path("c.node1.dorv") + "\\]\\.\n$");
  std::filesystem::create_directory(path("d.dorv"));
  p.cachefile = path("d");
  EXPECT_EXIT(written.writeDORVcache(p, written.initialstructure), testing::ExitedWithCode(255),
              "^Error writing cache output file \\[" + path("d.dorv") + "\\]\\.\n$");
}

// A cache write that fails at one file replaces none of the earlier cache's files and
// leaves no temporary behind.
TEST_F(CacheFiles, FailedWriteLeavesTheEarlierCacheWhole) {
  io earlier;
  small_cache(earlier);
  write(earlier, path("c"));
  std::filesystem::remove(path("c.node1.dorv"));
  std::filesystem::create_directory(path("c.node1.dorv"));
  std::map<std::string, std::string> before;
  for (const auto& f : std::filesystem::directory_iterator(dir))
    if (f.is_regular_file()) before[f.path().string()] = file_text(f.path().string());
  io later;
  small_cache(later);
  later.cache[0][0].first = -1.0;
  later.cache[2][0].first = -2.0;
  EXPECT_EXIT(write(later, path("c")), testing::ExitedWithCode(255),
              "^Error writing cache output file \\[" + path("c.node1.dorv") + "\\]\\.\n$");
  std::map<std::string, std::string> after;
  for (const auto& f : std::filesystem::directory_iterator(dir))
    if (f.is_regular_file()) after[f.path().string()] = file_text(f.path().string());
  EXPECT_EQ(after, before);
}

TEST_F(CacheFiles, BinaryReadFailuresNameTheFile) {
  io written;
  small_cache(written);
  write(written, path("c"));
  io back;
  back.init(3, 0);
  p.cachefile = path("none");
  EXPECT_EXIT(back.readDORVcache(p), testing::ExitedWithCode(255),
              "^Error reading cache file \\[" + path("none.node0.dorv") + "\\]\\.\n$");
  std::filesystem::copy_file(path("c.node0.dorv"), path("d.node0.dorv"));
  std::filesystem::copy_file(path("c.node1.dorv"), path("d.node1.dorv"));
  std::filesystem::copy_file(path("c.node2.dorv"), path("d.node2.dorv"));
  p.cachefile = path("d");
  EXPECT_EXIT(back.readDORVcache(p), testing::ExitedWithCode(255),
              "^Input cache file not found \\[" + path("d") + "\\]\n$");
}

TEST_F(CacheFiles, BinaryCacheWithoutDataSetLoadsNothing) {
  io written;
  small_cache(written);
  write(written, path("c"));
  io back;
  back.readDORVcache(p);
  EXPECT_TRUE(back.cache.empty());
  EXPECT_EQ(back.allow.size(), 0);
}

// The record's n is 3: a vector or matrix recorded with other dimensions is refused
// before anything is allocated for it.
TEST_F(CacheFiles, RecordedDimensionsMustMatchTheVariables) {
  io written;
  small_cache(written);
  write(written, path("c"));
  const std::string node = file_text(path("c.node1.dorv"));
  const std::string base = file_text(path("c.dorv"));
  const std::string message = unrecognized(path("c.node1.dorv"));
  const int32_t bad_dims[][2] = {{4, 1}, {3, 3}, {-3, 1}, {INT_MAX, INT_MAX}};
  io back;
  back.init(3, 0);
  p.cachefile = path("c");
  for (const auto& dims : bad_dims) {
    std::string changed = node;
    std::memcpy(&changed[4 + 8 + 4], dims, 8);
    write_text(path("c.node1.dorv"), changed);
    EXPECT_EXIT(back.readDORVcache(p), testing::ExitedWithCode(255), message);
  }
  write_text(path("c.node1.dorv"), node);
  std::string changed = base;
  const int32_t rows = 2;
  std::memcpy(&changed[37 + 4], &rows, 4);  // the structure matrix, after allow's 37 bytes
  write_text(path("c.dorv"), changed);
  EXPECT_EXIT(back.readDORVcache(p), testing::ExitedWithCode(255),
              unrecognized(path("c.dorv")));
}

TEST_F(CacheFiles, CountsThatCannotBeMetFailWithoutAllocating) {
  io written;
  small_cache(written);
  write(written, path("c"));
  io back;
  back.init(3, 0);
  p.cachefile = path("c");
  const std::string message = unrecognized(path("c.node0.dorv"));
  for (int32_t count : {-1, INT_MAX, 2000000000}) {
    std::string changed = file_text(path("c.node0.dorv"));
    std::memcpy(&changed[0], &count, 4);
    write_text(path("c.node0.dorv"), changed);
    EXPECT_EXIT(back.readDORVcache(p), testing::ExitedWithCode(255), message);
  }
}

// Each file of a binary cache cut at every length, or with a byte after its end, is an
// unrecognized format: never an abort, never a shorter list accepted.
TEST_F(CacheFiles, TruncatedNodeFileFailsAtEveryLength) {
  io written;
  small_cache(written);
  write(written, path("c"));
  const std::string whole = file_text(path("c.node0.dorv"));
  constexpr size_t entry = 8 + 28 + 3, record = 64;
  ASSERT_EQ(whole.size(), 4 + 2 * entry + record);
  io back;
  back.init(3, 0);
  p.cachefile = path("c");
  const std::string format = unrecognized(path("c.node0.dorv"));
  for (size_t cut = 0; cut <= whole.size(); ++cut) {
    SCOPED_TRACE(cut);
    write_text(path("c.node0.dorv"), cut < whole.size() ? whole.substr(0, cut) : whole + '\0');
    if (cut == 4 + 2 * entry)  // every entry, no build record unlike the other files
      EXPECT_EXIT(back.readDORVcache(p), testing::ExitedWithCode(255), "has no build record");
    else
      EXPECT_EXIT(back.readDORVcache(p), testing::ExitedWithCode(255), format);
  }
}

TEST_F(CacheFiles, TruncatedBaseFileFailsAtEveryLength) {
  io written;
  small_cache(written);
  write(written, path("c"));
  const std::string whole = file_text(path("c.dorv"));
  ASSERT_EQ(whole.size(), 2 * (28 + 9));
  io back;
  back.init(3, 0);
  p.cachefile = path("c");
  for (size_t cut = 0; cut <= whole.size(); ++cut) {
    SCOPED_TRACE(cut);
    write_text(path("c.dorv"), cut < whole.size() ? whole.substr(0, cut) : whole + 'x');
    EXPECT_EXIT(back.readDORVcache(p), testing::ExitedWithCode(255), unrecognized(path("c.dorv")));
  }
}

// Values no writer writes are refused with the file, variable and entry named.
TEST_F(CacheFiles, BinaryValuesOutsideTheirMeaningAreRefused) {
  io written;
  small_cache(written);
  write(written, path("c"));
  const std::string node = path("c.node0.dorv"), base = path("c.dorv");
  const double inf = INFINITY;
  std::string infinite(8, '\0');
  std::memcpy(&infinite[0], &inf, 8);
  const struct {
    const std::string& file;
    size_t at;
    std::string bytes;
    std::string message;
  } cases[] = {
      {node, 4, infinite, "has a score that is not a finite number \\(variable 0, entry 0\\)"},
      {node, 4 + 39 + 36 + 2, "\x02", "has an invalid parent set \\(variable 0, entry 1\\)"},
      {node, 4 + 36, std::string(1, '\0'), "has an invalid parent set \\(variable 0, entry 0\\)"},
      {base, 28 + 1, "\xfe", "has an invalid allowance matrix"},
      {base, 28 + 4, "\xff", "has an invalid allowance matrix"},  // on the diagonal
      {base, 37 + 28 + 1, std::string("\x01\x00\x01", 3), "has an invalid structure"},
  };
  io back;
  back.init(3, 0);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    const std::string kept = file_text(c.file);
    std::string changed = kept;
    changed.replace(c.at, c.bytes.size(), c.bytes);
    write_text(c.file, changed);
    EXPECT_EXIT(back.readDORVcache(p), testing::ExitedWithCode(255),
                "^Cache file " + c.file + " " + c.message);
    write_text(c.file, kept);
  }
}

TEST_F(CacheFiles, MalformedTextRowsAreReported) {
  struct bad {
    std::string text;
    std::string reason;
  };
  const bad cases[] = {
      {"0,-1,1,0\n\n1,-2,0,1\n", "empty row"},
      {"0,-1,1,0\n1\n", "too few elements in a row"},
      {"0,-1,1,0\n1,-2,0,1,0\n", "wrong # of elements in a row"},
      {"0,-1,1,0\n2,-2,0,1\n", "incompatible node number"},
      {"-1,-2,0,1\n", "incompatible node number"},
      {"0x,-2,1,0\n", "incompatible node number"},
      {"0,-1,1,0\n1,junk,0,1\n", "score is not a finite number, line 2"},
      {"0,1e999,1,0\n", "score is not a finite number, line 1"},
      {"0,nan,1,0\n", "score is not a finite number, line 1"},
      {"0,-1,1,257\n", "element is not 0 or 1, line 1"},
      {"0,-1,1,1x\n", "element is not 0 or 1, line 1"},
      {std::string("0,-1,1,0\0\n", 11), "element is not 0 or 1, line 1"},
      {"0,-1,-2,0\n", "number of states is not a count, line 1"},
      {"#rows,2\n0,-1,1,0\n", "fewer rows than its header announces, line 2"},
      {"#rows,1\n0,-1,1,0\n#rows,1\n", "fewer rows than its header announces, line 3"},
      {"#rows,1\n0,-1,1,0\n1,-1,0,1\n", "more rows than its header announces, line 3"},
      {"#rows,x\n0,-1,1,0\n", "header row is not #rows,count, line 1"},
  };
  // A first row of 46341 elements would make n x n tables overflow their int size.
  std::string wide = "0,-1";
  for (int k = 0; k < 46341; ++k) wide += ",0";
  wide += "\n";
  p.cachefile = path("t.dorv.csv");
  write_text(p.cachefile, wide);
  {
    io back;
    EXPECT_EXIT(back.readDORVcache(p), testing::ExitedWithCode(255),
                "^Cache file \\[" + p.cachefile +
                    "\\] has unrecognized format \\(wrong # of elements in a row\\)\\.\n$");
  }
  for (const bad& c : cases) {
    write_text(p.cachefile, c.text);
    io back;
    EXPECT_EXIT(back.readDORVcache(p), testing::ExitedWithCode(255),
                "^Cache file \\[" + p.cachefile + "\\] has unrecognized format \\(" + c.reason +
                    "\\)\\.\n$");
  }
}

TEST_F(CacheFiles, TextFileMissingOrEmpty) {
  io back;
  p.cachefile = path("none.dorv.csv");
  EXPECT_EXIT(back.readDORVcache(p), testing::ExitedWithCode(255),
              "^Error opening cache file for reading \\[" + p.cachefile + "\\]\\.\n$");
  p.cachefile = path("empty.dorv.csv");
  write_text(p.cachefile, "");
  EXPECT_EXIT(back.readDORVcache(p), testing::ExitedWithCode(255),
              "^Error reading cache file \\[" + p.cachefile + "\\] - cache not created\\.\n$");
}

// The text form cut at every line end is refused: its header row counts the rows.
TEST_F(CacheFiles, TextFormCutAtEveryLineEndFails) {
  io written;
  small_cache(written);
  write(written, path("c"));
  const std::string whole = file_text(path("c.dorv.csv"));
  p.cachefile = path("cut.dorv.csv");
  for (size_t cut = 0; cut < whole.size(); cut = whole.find('\n', cut) + 1) {
    SCOPED_TRACE(cut);
    write_text(p.cachefile, whole.substr(0, cut));
    io back;
    EXPECT_EXIT(back.readDORVcache(p), testing::ExitedWithCode(255),
                "^(Cache file|Error reading cache file) \\[" + p.cachefile + "\\]");
  }
}

// A text cache or score file that names 40000 variables but gives parent sets for few
// of them costs memory in proportion to its size: no 40000 x 40000 table is made.
TEST_F(CacheFiles, UnbackedVariableClaimsMakeNoSquareTables) {
  std::string row = "0,-1,1";
  for (int k = 1; k < 40000; ++k) row += ",0";
  write_text(path("wide.dorv.csv"), row + "\n");
  std::string scores = "40000\n0 1\n-1 0\n";
  for (int v = 1; v < 40000; ++v) scores += std::to_string(v) + " 0\n";
  write_text(path("wide.jkl"), scores);
  const double before = resources::memkbs;
  io text;
  p.cachefile = path("wide.dorv.csv");
  text.readDORVcache(p);
  EXPECT_EQ(text.n, 40000);
  EXPECT_EQ(text.allow.size(), 0);
  io gob;
  p.infile = fopen(path("wide.jkl").c_str(), "r");
  gob.readDORVinput(p);
  gob.readCussenscache(p);
  fclose(p.infile);
  EXPECT_EQ(gob.n, 40000);
  EXPECT_EQ(gob.allow.size(), 0);
  EXPECT_LT(resources::memkbs - before, 4096.0);
}

}  // namespace
