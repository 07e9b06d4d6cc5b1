// textreader: buffered reading of a data-set file from an open C stream, by lines for
// the header part and by whitespace-separated tokens for the rest.
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
  // call; nullptr at end of input.
  char* token();

  // Bytes not yet handed out, when the stream is a regular file; -1 otherwise.
  long long remaining_bytes() const;

 private:
  FILE* in;
  std::vector<char> block;  // one spare byte past the data for a terminating zero
  size_t pos = 0;
  size_t end = 0;
  bool eof = false;

  bool refill();
};
