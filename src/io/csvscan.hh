// csvscanner: splits a CSV stream (RFC 4180) into records of fields, in one pass over
// fixed-size chunks of the file.
//
// Fields are separated by the separator (',' by default; ';' and tab are common) and
// records by line ends (LF, CRLF or a lone CR). A field that starts with '"' is quoted:
// it may hold separators and line ends, and "" stands for one '"'. Blanks (space, and
// tab unless tab separates) around an unquoted field and around the quotes are not
// part of the value. Lines that hold nothing but blanks are skipped. A '"' inside an
// unquoted field is kept as a character. A UTF-8 byte-order mark at the start of the
// file is skipped.
//
// The bytes of a record's fields are copied back to back into the caller's csvrecord,
// whose buffers keep their capacity from record to record: reading allocates only
// while records grow, never per value.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct csvrecord {
  // The fields' bytes at [0, used), back to back, and at least 8 bytes more, so that
  // the first 8 bytes of any field can be loaded as one word.
  std::vector<char> text;
  size_t used = 0;
  std::vector<uint32_t> ends;   // ends[k]: the end of field k in text; field k starts at ends[k-1]
  std::vector<uint8_t> quoted;  // quoted[k]: field k was quoted

  int size() const { return int(ends.size()); }
  const char* begin(int k) const { return text.data() + (k > 0 ? ends[size_t(k) - 1] : 0); }
  size_t length(int k) const { return ends[size_t(k)] - (k > 0 ? ends[size_t(k) - 1] : 0); }
  std::string str(int k) const { return std::string(begin(k), length(k)); }
};

class csvscanner {
 public:
  // name is the file's name, for messages; the file is read in chunks of chunk bytes.
  csvscanner(FILE* in, char separator, const std::string& name, size_t chunk = size_t(1) << 20);

  // Reads the next record into r; false at the end of the file. A quote left open at
  // the end of the file, or text after a closing quote, ends the run with a message
  // naming the file and the line.
  bool next(csvrecord& r);
  // The file line (from 1) on which the record last read starts.
  long long line() const { return firstline; }

 private:
  bool fill();
  void endfield(csvrecord& r);
  // Copies the bytes from pos on while keep[] says so, into r; the copy loop writes
  // through a pointer into room made once per chunk.
  void copyrun(csvrecord& r, const bool* keep);
  [[noreturn]] void malformed(const char* what) const;

  FILE* in;
  char separator;
  std::string name;
  std::vector<char> buffer;
  size_t pos = 0;
  size_t len = 0;
  long long lineno = 1;
  long long firstline = 1;
  bool plain[256];    // bytes that continue an unquoted field
  bool inquote[256];  // bytes that continue a quoted field
  size_t fieldstart = 0;
  bool fieldquoted = false;
  bool firstrecord = true;
};
