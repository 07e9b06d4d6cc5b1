#include "io/cachetextreader.hh"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "core/fail.hh"
#include "core/limits.hh"
#include "io/io.hh"

namespace {


// One row split at commas; runs of commas count as one separator, so empty fields
// are skipped.
struct textrow {
  std::vector<std::string> fields;

  void split(const char* line, size_t length) {
    fields.clear();
    size_t start = 0;
    while (start < length) {
      size_t stop = start;
      while (stop < length && line[stop] != ',') ++stop;
      if (stop > start) fields.emplace_back(line + start, stop - start);
      start = stop + 1;
    }
  }

  // The fields after the variable and the score, as bytes.
  matrix<char> elements(int n) const {
    matrix<char> set(n, 1);
    for (int k = 0; k < n; ++k) set[k] = char(strtol(fields[size_t(k) + 2].c_str(), nullptr, 10));
    return set;
  }
};

// Reads whole lines of any length, without the line end ("\n" or "\r\n").
class linereader {
 public:
  explicit linereader(FILE* file) : fp(file) {}
  ~linereader() { free(buffer); }
  bool next(size_t& length) {
    const ssize_t got = getline(&buffer, &capacity, fp);
    if (got < 0) return false;
    length = size_t(got);
    while (length > 0 && (buffer[length - 1] == '\n' || buffer[length - 1] == '\r')) --length;
    return true;
  }
  const char* text() const { return buffer; }

 private:
  FILE* fp;
  char* buffer = nullptr;
  size_t capacity = 0;
};

[[noreturn]] void bad_row(const char* reason, const std::string& name) {
  fatal("Cache file [%s] has unrecognized format (%s).", name.c_str(), reason);
}

// The first row fixes n: n empty lists, and n states at least where none were known.
void start_cache(io& d, int n) {
  d.n = n;
  d.cache.assign(size_t(n), parentsetlist());
  if (d.categ.size() < n) d.categ = matrix<int>(n, 1, 0);
}

void log_row(const matrix<char>& set, double value) {
  std::ostringstream line;
  line << "data=" << set.show(0, 0) << " :: " << value;
  io::messaging(io::debuglevel, line.str());
}

}  // namespace

void read_text_cache(io& d, const params& p) {
  const std::string& name = p.cachefile;
  FILE* fp = fopen(name.c_str(), "r");
  if (fp == nullptr) fatal("Error opening cache file for reading [%s].", name.c_str());
  d.cache.clear();
  d.cachesize = 0;
  linereader lines(fp);
  textrow row;
  size_t length = 0;
  int rows = 0;
  while (lines.next(length)) {
    if (p.verbose > 3) io::messaging(io::debuglevel, "reading line " + std::to_string(rows + 1));
    row.split(lines.text(), length);
    if (row.fields.empty()) bad_row("empty row", name);
    if (row.fields.size() < 2) bad_row("too few elements in a row", name);
    const size_t e = row.fields.size() - 2;
    // Beyond this many variables an n x n table no longer fits its int size.
    if (rows == 0 && e > size_t(max_square_side)) bad_row("wrong # of elements in a row", name);
    if (rows == 0) start_cache(d, int(e));
    else if (e != size_t(d.n)) bad_row("wrong # of elements in a row", name);
    const long v = strtol(row.fields[0].c_str(), nullptr, 10);
    if (v < 0 || v >= d.n) bad_row("incompatible node number", name);
    const double value = strtod(row.fields[1].c_str(), nullptr);
    matrix<char> set = row.elements(d.n);
    d.categ[int(v)] = std::max(d.categ[int(v)], int(set[int(v)]));
    set[int(v)] = 1;
    if (p.verbose > 3) log_row(set, value);
    ++d.cachesize;
    d.cache[size_t(v)].emplace_back(value, std::move(set));
    ++rows;
  }
  fclose(fp);
  if (rows == 0) fatal("Error reading cache file [%s] - cache not created.", name.c_str());
  if (p.verbose > 1)
    io::messaging(io::infolevel, "DORV file contains " + std::to_string(d.cachesize) + " scores");
  d.allow = matrix<char>(d.n, d.n, 0);
  d.initialstructure = d.allow;
  d.nrecords = 0;
}
