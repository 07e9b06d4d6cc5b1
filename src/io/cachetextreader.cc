#include "io/cachetextreader.hh"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/fail.hh"
#include "core/limits.hh"
#include "core/outputfile.hh"
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
};

// A field that is a whole decimal integer within [low, high]. A field holding a
// zero byte is never whole.
bool whole_integer(const std::string& field, long low, long high, long& out) {
  const char* s = field.c_str();
  char* stop = nullptr;
  errno = 0;
  out = strtol(s, &stop, 10);
  return stop != s && size_t(stop - s) == field.size() && errno != ERANGE && out >= low &&
         out <= high;
}

bool whole_finite(const std::string& field, double& out) {
  const char* s = field.c_str();
  char* stop = nullptr;
  out = strtod(s, &stop);
  return stop != s && size_t(stop - s) == field.size() && std::isfinite(out);
}

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

// The position the reader has reached, for the messages.
struct place {
  const std::string& name;
  long long line = 0;
};

[[noreturn]] void bad_row(const char* reason, const place& at) {
  fatal("Cache file [%s] has unrecognized format (%s).", at.name.c_str(), reason);
}

// Refusals the older reader let through name the line as well.
[[noreturn]] void bad_row_at(const char* reason, const place& at) {
  fatal("Cache file [%s] has unrecognized format (%s, line %lld).", at.name.c_str(), reason,
        at.line);
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

// The vector of variable v: 0 or 1 at every other variable, v's number of states at v
// itself (stored as 1 in the vector).
matrix<char> row_elements(const textrow& row, int n, int v, int& states, const place& at) {
  matrix<char> set(n, 1);
  for (int k = 0; k < n; ++k) {
    const std::string& field = row.fields[size_t(k) + 2];
    long value = 0;
    if (k == v) {
      if (!whole_integer(field, 0, INT_MAX, value)) bad_row_at("number of states is not a count", at);
      states = int(value);
      set[k] = 1;
    } else if (field.size() == 1 && (field[0] == '0' || field[0] == '1')) {
      set[k] = char(field[0] - '0');
    } else {
      bad_row_at("element is not 0 or 1", at);
    }
  }
  return set;
}

// Header rows "#rows,R" announce the rows that follow, so that a file cut short at a
// line end is told from a whole one. expected is -1 before the first header (a file of
// an earlier version, unchecked), else the rows still due in the current section.
void take_header(const textrow& row, long long& expected, const place& at) {
  long count = 0;
  if (row.fields.size() != 2 || row.fields[0] != "#rows" ||
      !whole_integer(row.fields[1], 0, LONG_MAX, count))
    bad_row_at("header row is not #rows,count", at);
  if (expected > 0) bad_row_at("fewer rows than its header announces", at);
  expected = count;
}

}  // namespace

void read_text_cache(io& d, const params& p) {
  const std::string& name = p.cachefile;
  std::unique_ptr<FILE, int (*)(FILE*)> file(fopen(name.c_str(), "r"), fclose);
  FILE* fp = file.get();
  if (fp == nullptr) fatal("Error opening cache file for reading [%s].", name.c_str());
  outputfile::note_input(name);
  d.cache.clear();
  d.cachesize = 0;
  linereader lines(fp);
  textrow row;
  place at{name};
  size_t length = 0;
  int rows = 0;
  long long expected = -1;
  while (lines.next(length)) {
    ++at.line;
    if (p.verbose > 3) io::messaging(io::debuglevel, "reading line " + std::to_string(at.line));
    row.split(lines.text(), length);
    if (!row.fields.empty() && row.fields[0][0] == '#') {
      take_header(row, expected, at);
      continue;
    }
    if (expected == 0) bad_row_at("more rows than its header announces", at);
    if (row.fields.empty()) bad_row("empty row", at);
    if (row.fields.size() < 2) bad_row("too few elements in a row", at);
    const size_t e = row.fields.size() - 2;
    // Beyond this many variables an n x n table no longer fits its int size.
    if (rows == 0 && e > size_t(max_square_side)) bad_row("wrong # of elements in a row", at);
    if (rows == 0) start_cache(d, int(e));
    else if (e != size_t(d.n)) bad_row("wrong # of elements in a row", at);
    long v = -1;
    if (!whole_integer(row.fields[0], 0, d.n - 1, v)) bad_row("incompatible node number", at);
    double value = 0;
    if (!whole_finite(row.fields[1], value)) bad_row_at("score is not a finite number", at);
    int states = 0;
    matrix<char> set = row_elements(row, d.n, int(v), states, at);
    d.categ[int(v)] = std::max(d.categ[int(v)], states);
    if (p.verbose > 3) log_row(set, value);
    ++d.cachesize;
    d.cache[size_t(v)].emplace_back(value, std::move(set));
    ++rows;
    if (expected > 0) --expected;
  }
  file.reset();
  if (expected > 0) bad_row_at("fewer rows than its header announces", at);
  if (rows == 0) fatal("Error reading cache file [%s] - cache not created.", name.c_str());
  if (p.verbose > 1)
    io::messaging(io::infolevel, "DORV file contains " + std::to_string(d.cachesize) + " scores");
  d.nrecords = 0;
  // The n x n tables are made only when every variable has a row, so that their size
  // stays in proportion to the file; otherwise the clean-up ends the run for the
  // variable without parent sets.
  for (const parentsetlist& list : d.cache)
    if (list.empty()) return;
  d.allow = matrix<char>(d.n, d.n, 0);
  d.initialstructure = d.allow;
}
