// tokenreader: reads whitespace-separated decimal numbers from an open file through
// one large buffer, with the semantics of scanf's "%d" and "%lf": leading whitespace is
// skipped, a number is parsed as far as it goes, and whatever follows it is left for
// the next read. Used for score files with millions of numbers, where a library
// scanf call per number dominates the reading time.
//
// The reader takes over the file from its current position; it does not own it.
#pragma once

#include <cstdio>
#include <vector>

class tokenreader {
 public:
  explicit tokenreader(FILE* fp);

  // Each returns false, and leaves out unchanged, when no number can be read here
  // (end of input, or text that does not start a number). An int out of range fails.
  bool next_int(int& out);
  bool next_double(double& out);

 private:
  FILE* fp;
  std::vector<char> buffer;  // [pos, end) unread; buffer[end] is always '\0'
  size_t pos = 0;
  size_t end = 0;
  bool eof = false;

  // Skips whitespace and makes the whole following token lie in the buffer.
  // Returns the token's end, or pos itself at end of input.
  size_t prepare_token();
  bool refill();
};
