// Reader of the binary native score cache (layout in io/cachelayout.hh). The number of
// variables comes from the data set already read. Nothing in a file is taken on trust:
// every read is checked, a matrix's recorded dimensions are compared with n before
// anything is allocated, a file must end right after its last entry, and every score,
// parent-set element and matrix element must be one the writer can write. A file that
// breaks the layout ends the run with "Cache file %s has unrecognized format."; a
// value outside its meaning, with a message that names it.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "core/fail.hh"
#include "core/graph.hh"
#include "core/outputfile.hh"
#include "io/cachelayout.hh"
#include "io/cachetextreader.hh"
#include "io/io.hh"
#include "io/provenance.hh"

namespace {

[[noreturn]] void unrecognized(const std::string& name) {
  fatal("Cache file %s has unrecognized format.", name.c_str());
}

struct closer {
  void operator()(FILE* fp) const { fclose(fp); }
};
using filehandle = std::unique_ptr<FILE, closer>;

// Reads a matrix in the binary form into out, which must come out rows x cols. The
// count word and the record come in one read (one library call less per entry pays
// for the checks of the values).
template <typename T>
void read_matrix(FILE* fp, int rows, int cols, const std::string& name, matrix<T>& out) {
  unsigned char head[28];
  int32_t count = 0, n = 0, m = 0;
  if (fread(head, sizeof(head), 1, fp) != 1) unrecognized(name);
  std::memcpy(&count, head, 4);
  std::memcpy(&n, head + 4, 4);
  std::memcpy(&m, head + 8, 4);
  if (count != 1) unrecognized(name);
  if (n != rows || m != cols) unrecognized(name);
  out.clear();
  out.n = rows;
  out.m = cols;
  out.aloc(false, T(), nullptr);
  if (out.size() > 0 && fread(out.data, sizeof(T), size_t(out.size()), fp) != size_t(out.size()))
    unrecognized(name);
}

void expect_end(FILE* fp, const std::string& name) {
  if (fgetc(fp) != EOF) unrecognized(name);
}

bool by_score_then_set(const std::pair<double, matrix<char>>& a,
                       const std::pair<double, matrix<char>>& b) {
  if (a.first != b.first) return a.first < b.first;
  return a.second < b.second;
}

// 0 or 1 at every variable, 1 at v itself. The elements are or-ed together eight at a
// time: a test per element made the binary read 22% more instructions (callgrind, 180000
// entries of 60 variables), this way 6%.
bool valid_set(const matrix<char>& set, int v) {
  const char* e = set.data;
  const int size = set.size();
  uint64_t bits = 0;
  int k = 0;
  for (; k + 8 <= size; k += 8) {
    uint64_t word;
    std::memcpy(&word, e + k, 8);
    bits |= word;
  }
  for (; k < size; ++k) bits |= uint8_t(e[k]);
  return (bits & 0xfefefefefefefefeULL) == 0 && set[v] == 1;
}

// Appends the K entries of variable v's file to list, unsorted; returns K. record
// receives the build record that follows them, and has whether there is one.
int read_node_file(const std::string& name, int n, int v, parentsetlist& list,
                   buildrecord& record, bool& has) {
  filehandle fp(fopen(name.c_str(), "rb"));
  if (!fp) fatal("Error reading cache file [%s].", name.c_str());
  outputfile::note_input(name);
  int32_t count = 0;
  if (fread(&count, sizeof(count), 1, fp.get()) != 1 || count < 0) unrecognized(name);
  // Entries are appended only once read, so a huge K in a short file costs nothing.
  for (int32_t e = 0; e < count; ++e) {
    double value;
    if (fread(&value, sizeof(value), 1, fp.get()) != 1) unrecognized(name);
    matrix<char> set;
    read_matrix(fp.get(), n, 1, name, set);
    if (!std::isfinite(value))
      fatal("Cache file %s has a score that is not a finite number (variable %d, entry %d).",
            name.c_str(), v, int(e));
    list.emplace_back(value, std::move(set));
  }
  has = record.read(fp.get(), name);
  return count;
}

// Checks the sets appended to v's list from position `first` on and sorts the list. It
// runs once the build record is checked, so that a file of another variable is named as
// such rather than as a file of invalid sets.
void check_and_sort(parentsetlist& list, size_t first, int v, const std::string& name) {
  for (size_t e = first; e < list.size(); ++e)
    if (!valid_set(list[e].second, v))
      fatal("Cache file %s has an invalid parent set (variable %d, entry %d).", name.c_str(), v,
            int(e - first));
  std::sort(list.begin(), list.end(), by_score_then_set);
}

// An allowance matrix a data set can give: -1, 0 or 1, 0 on the diagonal, the
// required arcs (-1) without a cycle.
bool valid_allowance(const matrix<char>& allow) {
  const int n = allow.n;
  matrix<char> required(n, n, 0);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) {
      const char a = allow(i, j);
      if (a < -1 || a > 1 || (i == j && a != 0)) return false;
      required(i, j) = a == -1;
    }
  return acyclic(required).size() == 0;
}

// A structure of 0 and 1 without a cycle (the diagonal is ignored).
bool valid_structure(const matrix<char>& s) {
  for (int k = 0; k < s.size(); ++k)
    if (s[k] != 0 && s[k] != 1) return false;
  return acyclic(s).size() == 0;
}

void read_base_file(io& d, const std::string& x) {
  std::string name = x;
  filehandle fp(fopen(name.c_str(), "rb"));
  if (!fp) {
    name = x + ".dorv";
    fp.reset(fopen(name.c_str(), "rb"));
  }
  if (!fp) fatal("Input cache file not found [%s]", x.c_str());
  outputfile::note_input(name);
  // Without a data set there are no variables to read for, and the run ends for want
  // of a cache rather than on the base file's dimensions.
  if (d.n == 0) return;
  read_matrix(fp.get(), d.n, d.n, name, d.allow);
  read_matrix(fp.get(), d.n, d.n, name, d.initialstructure);
  expect_end(fp.get(), name);
  if (!valid_allowance(d.allow))
    fatal("Cache file %s has an invalid allowance matrix (elements -1, 0 or 1, 0 on the "
          "diagonal, required arcs without a cycle).", name.c_str());
  if (!valid_structure(d.initialstructure))
    fatal("Cache file %s has an invalid structure (elements 0 or 1, without a cycle).",
          name.c_str());
}

}  // namespace

void io::readDORVcache(const params& p) {
  if (p.verbose > 0) messaging(infolevel, "reading cache (DORV format)");
  if (p.cacheformat == "csv" || cachenames::ends_with(p.cachefile, ".dorv.csv")) {
    read_text_cache(*this, p);
    return;
  }
  const std::string& x = p.cachefile;
  if (int(cache.size()) < n) cache.resize(size_t(n));
  // The files of separate jobs must fit this run and one another: each record is
  // checked against this run's, and files with and without records do not mix.
  buildrecord run;
  std::string with, without;
  for (int v = 0; v < n; ++v) {
    parentsetlist& list = cache[size_t(v)];
    const std::string name = cachenames::node_file(x, v);
    buildrecord record;
    bool has = false;
    const size_t first = list.size();
    const int count = read_node_file(name, n, v, list, record, has);
    if (has && with.empty()) run = buildrecord::of(*this, p, v);
    if (has) record.checkagainst(run, v, name);
    (has ? with : without) = name;
    if (!with.empty() && !without.empty())
      fatal("Cache file [%s] has no build record, unlike [%s].", without.c_str(), with.c_str());
    check_and_sort(list, first, v, name);
    cachesize += count;
    logsearchspace += std::log(double(count));
    if (p.verbose > 0)
      logtext("cache [" + std::to_string(v) + "] has [" + std::to_string(list.size()) +
              "] elements\n");
  }
  read_base_file(*this, x);
}
