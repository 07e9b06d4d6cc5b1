#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "io/csvscan.hh"
#include "io/io.hh"

namespace {

FILE* stream_of(const std::string& text) {
  FILE* f = tmpfile();
  fwrite(text.data(), 1, text.size(), f);
  rewind(f);
  return f;
}

// Every record of the text, fields joined by "|".
std::vector<std::string> records(const std::string& text, char separator = ',',
                                 size_t chunk = 1 << 20) {
  FILE* f = stream_of(text);
  csvscanner scan(f, separator, "t.csv", chunk);
  csvrecord r;
  std::vector<std::string> out;
  while (scan.next(r)) {
    std::string joined;
    for (int k = 0; k < r.size(); ++k) joined += (k ? "|" : "") + r.str(k);
    out.push_back(joined + "@" + std::to_string(scan.line()));
  }
  fclose(f);
  return out;
}

void read_csv(io& d, const std::string& text, params p = params()) {
  p.infile = stream_of(text);
  p.inputfile = "t.csv";
  p.verbose = 0;
  d.readcsv(p);
  fclose(p.infile);
}

}  // namespace

// Quotes hold separators, line ends and doubled quotes; blanks around unquoted values
// and quotes go; blank lines are skipped; LF, CRLF and CR all end records; "@" gives the
// line a record starts on.
TEST(CsvScanner, Rfc4180Fields) {
  using v = std::vector<std::string>;
  EXPECT_EQ(records("a,b\n1,2\n"), (v{"a|b@1", "1|2@2"}));
  EXPECT_EQ(records("a,b\r\n\r\n \"x, \"\"y\"\"\" , z \r\n,\rlast"),
            (v{"a|b@1", "x, \"y\"|z@3", "|@4", "last@5"}));
  EXPECT_EQ(records("\"multi\nline\",2\n3,4"), (v{"multi\nline|2@1", "3|4@3"}));
  EXPECT_EQ(records("a;b c;\"d;e\"\n", ';'), (v{"a|b c|d;e@1"}));
  EXPECT_EQ(records("a\t b\t\n", '\t'), (v{"a|b|@1"}));
  EXPECT_EQ(records("in\"side,x\n"), (v{"in\"side|x@1"}));
  EXPECT_EQ(records("\xEF\xBB\xBF\"\",a\n"), (v{"|a@1"}));  // byte-order mark
}

// Across chunk boundaries: seeded random records (quoted fields with separators,
// doubled quotes and line ends; CRLF and LF) read back as written, in chunks of 1 to
// 9 bytes and of 1 MB.
TEST(CsvScanner, RecordsAcrossChunks) {
  std::mt19937 gen(99);
  std::string text;
  std::vector<std::string> expected;
  long long line = 1;
  while (text.size() < 20000) {
    std::string joined;
    const long long first = line;
    for (int k = 0; k < 4; ++k) {
      std::string value;
      for (int c = gen() % 12; c > 0; --c) value += "ab,\"\n x"[gen() % 7];
      const bool quote = value.find_first_of(",\"\n ") != std::string::npos || value.empty();
      std::string field = value;
      if (quote) {
        field = "\"";
        for (char ch : value) field += ch == '"' ? std::string("\"\"") : std::string(1, ch);
        field += "\"";
        line += std::count(value.begin(), value.end(), '\n');
      }
      text += (k ? "," : "") + field;
      joined += (k ? "|" : "") + value;
    }
    text += gen() % 2 ? "\r\n" : "\n";
    expected.push_back(joined + "@" + std::to_string(first));
    ++line;
  }
  for (size_t chunk : {1, 2, 3, 5, 9, 1 << 20})
    EXPECT_EQ(records(text, ',', chunk), expected) << chunk;
}

TEST(CsvScannerDeathTest, MalformedQuotes) {
  EXPECT_EXIT(records("a\n\"open,1\n"), testing::ExitedWithCode(255),
              "^CSV file t\\.csv line 3: a quoted field is not closed\\.\n$");
  EXPECT_EXIT(records("a,b\n\"x\"y,1\n"), testing::ExitedWithCode(255),
              "^CSV file t\\.csv line 2: text follows a closing quote\\.\n$");
}

// States are numbered in sorted order: numerically when every value is a number.
TEST(CsvReader, StatesInSortedOrder) {
  io d;
  read_csv(d, "num,word,mixed\n10,b,10\n9,a,9\n-1.5,c,x\n10,a,9\n");
  ASSERT_EQ(d.n, 3);
  EXPECT_EQ(d.labels, (std::vector<std::string>{"num", "word", "mixed"}));
  EXPECT_EQ(d.statenames[0], (std::vector<std::string>{"-1.5", "9", "10"}));
  EXPECT_EQ(d.statenames[2], (std::vector<std::string>{"10", "9", "x"}));
  const int expected[4][3] = {{2, 1, 0}, {1, 0, 1}, {0, 2, 2}, {2, 0, 1}};
  for (int t = 0; t < 4; ++t)
    for (int j = 0; j < 3; ++j) EXPECT_EQ(d.data(t, j), expected[t][j]) << t << "," << j;
  EXPECT_EQ(d.categ[0], 3);
  EXPECT_EQ(d.categ[1], 3);
}

TEST(CsvReaderDeathTest, BadFiles) {
  io d;
  EXPECT_EXIT(read_csv(d, "a,b\n1,2\n3\n"), testing::ExitedWithCode(255),
              "^CSV file t\\.csv line 3: 1 fields where the header has 2\\.\n$");
  EXPECT_EXIT(read_csv(d, "a,b,a\n1,2,3\n"), testing::ExitedWithCode(255),
              "^CSV file t\\.csv: column name \\[a\\] appears twice\\.\n$");
  EXPECT_EXIT(read_csv(d, "a,,b\n1,2,3\n"), testing::ExitedWithCode(255),
              "^CSV file t\\.csv: column 2 has no name\\.\n$");
  EXPECT_EXIT(read_csv(d, "a,b\n"), testing::ExitedWithCode(255),
              "^CSV file t\\.csv holds no data records\\.\n$");
  EXPECT_EXIT(read_csv(d, ""), testing::ExitedWithCode(255),
              "^CSV file t\\.csv is empty: a header line of variable names is expected\\.\n$");
}
