// textreader: buffered reading of a data-set or score file from an open C stream, by
// lines for the header part, by whitespace-separated tokens for the rest, and by
// numbers with the semantics of scanf's "%d" and "%lf" for score files with millions
// of numbers, where a library scanf call per number dominates the reading time.
//
// The stream is read in large blocks with fread; tokens are handed out as pointers into
// the block, terminated in place, so reading a token allocates nothing. A token always
// lies whole in the block: the block grows only when a single token is longer than it,
// which bounds the memory by the longest token of the file. The first line is read by
// the caller with fgets, so that a score-file reader can go on with the same stream.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

class textreader {
 public:
  // The longest line handed out at once, as fgets with a buffer of 10000 bytes does.
  static constexpr size_t max_line = 9999;

  explicit textreader(FILE* stream);

  // The next line, at most max_line characters, its line end included when it fits.
  // False at end of input.
  bool line(std::string& out);

  // The next run of non-blank characters, zero-terminated and writable until the next
  // call; nullptr at end of input. A token holding a zero byte comes out empty, which
  // no reader takes for a number (every other token has a character).
  char* token();

  // A number parsed as far as it goes from the start of the next token; whatever follows
  // it is left for the next read. False, with out unchanged, at end of input or when
  // the text there starts no number; an int out of range fails too.
  bool next_int(int& out) { return read_int(out, false); }
  bool next_double(double& out) { return read_double(out, false); }
  // The same for a number that must be the whole token: a token with anything after its
  // number (a zero byte included) fails and stays unread.
  bool next_whole_int(int& out) { return read_int(out, true); }
  bool next_whole_double(double& out) { return read_double(out, true); }
  // Whether nothing but blanks is left.
  bool at_end();

  // Whether at least `bytes` bytes are not yet handed out. A regular file answers from
  // its size; any other stream reads ahead, keeping what it read for the next reads.
  bool holds(long long bytes);

  // Bytes not yet handed out, when the stream is a regular file; -1 otherwise.
  long long remaining_bytes() const;

 private:
  FILE* in;
  std::vector<char> block;  // one spare byte past the data for a terminating zero
  size_t pos = 0;
  size_t end = 0;
  bool eof = false;
  // The first zero byte at or after pos, or none: tokens are tested against it with one
  // comparison, the search is made once per block read.
  static constexpr size_t none = size_t(-1);
  size_t zero = none;

  bool refill();
  void find_zero(size_t from);
  char* zeroed_token(size_t stop);
  char* take(size_t stop);
  // Skips blanks and makes the whole next token lie in the block; returns its end, or
  // pos itself at end of input.
  size_t whole_token();
  // Parses the next token's leading number in place; see textreader.cc.
  template <typename Parse>
  bool parse_next(Parse parse, bool whole);
  bool read_int(int& out, bool whole);
  bool read_double(double& out, bool whole);
};
