#include "io/textreader.hh"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

// A stream over a copy of text, closed when the test ends.
class Stream {
 public:
  explicit Stream(const std::string& text) : file(tmpfile()) {
    fwrite(text.data(), 1, text.size(), file);
    rewind(file);
  }
  ~Stream() { fclose(file); }
  FILE* file;
};

TEST(TextReader, NumbersLeaveTheRestOfTheirTokenForTheNextRead) {
  Stream s("  -8.25x 3,4\n\t7");
  textreader in(s.file);
  double d = 0;
  int i = 0;
  ASSERT_TRUE(in.next_double(d));
  EXPECT_EQ(d, -8.25);
  EXPECT_FALSE(in.next_int(i));  // "x" starts no number and stays unread
  EXPECT_EQ(i, 0);
  EXPECT_STREQ(in.token(), "x");
  ASSERT_TRUE(in.next_int(i));
  EXPECT_EQ(i, 3);
  EXPECT_STREQ(in.token(), ",4");
  ASSERT_TRUE(in.next_int(i));
  EXPECT_EQ(i, 7);
  EXPECT_FALSE(in.next_int(i));
  EXPECT_FALSE(in.next_double(d));
  EXPECT_EQ(in.token(), nullptr);
}

TEST(TextReader, IntegersOutsideTheIntRangeFail) {
  Stream s("2147483647 2147483648 -2147483649");
  textreader in(s.file);
  int i = 0;
  ASSERT_TRUE(in.next_int(i));
  EXPECT_EQ(i, 2147483647);
  EXPECT_FALSE(in.next_int(i));
  EXPECT_EQ(i, 2147483647);
}

// Tokens and numbers that straddle the 64 KiB block boundary come out whole.
TEST(TextReader, TokensAcrossBlockBoundariesStayWhole) {
  std::string text;
  for (int k = 0; text.size() < 200000; ++k) text += std::to_string(k * 7919) + (k % 3 ? " " : "\n");
  const std::string long_token(150000, 'z');
  text += long_token + " 12345";
  Stream s(text);
  textreader in(s.file);
  int value = 0;
  for (int k = 0;; ++k) {
    if (!in.next_int(value)) break;
    ASSERT_EQ(value, k * 7919);
  }
  EXPECT_EQ(std::string(in.token()), long_token);
  ASSERT_TRUE(in.next_int(value));
  EXPECT_EQ(value, 12345);
}

TEST(TextReader, LinesKeepTheirEndAndLongLinesComeInPieces) {
  const std::string long_line(textreader::max_line + 5, 'a');
  Stream s("first\n" + long_line + "\nlast");
  textreader in(s.file);
  std::string line;
  ASSERT_TRUE(in.line(line));
  EXPECT_EQ(line, "first\n");
  ASSERT_TRUE(in.line(line));
  EXPECT_EQ(line.size(), textreader::max_line);
  ASSERT_TRUE(in.line(line));
  EXPECT_EQ(line, "aaaaa\n");
  ASSERT_TRUE(in.line(line));
  EXPECT_EQ(line, "last");
  EXPECT_FALSE(in.line(line));
}

}  // namespace
