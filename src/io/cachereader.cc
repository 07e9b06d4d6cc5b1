// Reader of the binary native score cache (layout in io/cachelayout.hh). The number of
// variables comes from the data set already read; every matrix's recorded dimensions
// are checked against it before anything is allocated, so a damaged file can neither
// make the reader allocate without bound nor read past its storage.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/fail.hh"
#include "io/cachelayout.hh"
#include "io/cachetextreader.hh"
#include "io/io.hh"
#include "io/provenance.hh"

namespace {

[[noreturn]] void unrecognized(const std::string& name) {
  fatal("Cache file %s has unrecognized format.", name.c_str());
}

// Reads a matrix in the binary form into out, which must come out rows x cols. A file
// cut short inside the matrix stops the run at the failing read's assertion.
template <typename T>
void read_matrix(FILE* fp, int rows, int cols, const std::string& name, matrix<T>& out) {
  int32_t count = 0;
  check(fread(&count, sizeof(count), 1, fp) == 1, "fread(&qtd, sizeof(tint), 1, fp)==1");
  check(count == 1, "qtd==1");
  unsigned char record[24];
  check(fread(record, sizeof(record), 1, fp) == 1, "fread(this, sizeof(matrix), 1, fp)==1");
  int32_t n = 0, m = 0;
  std::memcpy(&n, record, 4);
  std::memcpy(&m, record + 4, 4);
  if (n != rows || m != cols) unrecognized(name);
  out.clear();
  out.n = rows;
  out.m = cols;
  out.aloc(false, T(), nullptr);
  if (out.size() > 0)
    check(fread(out.data, sizeof(T), size_t(out.size()), fp) == size_t(out.size()),
          "fread(data, sizeof(TT), size(), fp)== ((size_t) size())");
}

bool by_score_then_set(const std::pair<double, matrix<char>>& a,
                       const std::pair<double, matrix<char>>& b) {
  if (a.first != b.first) return a.first < b.first;
  return a.second < b.second;
}

// Appends the K entries of one per-variable file to list; returns K. record receives
// the build record that follows them, and has whether there is one.
int read_node_file(const std::string& name, int n, parentsetlist& list, buildrecord& record,
                   bool& has) {
  FILE* fp = fopen(name.c_str(), "rb");
  if (fp == nullptr) fatal("Error reading cache file [%s].", name.c_str());
  int32_t count = 0;
  if (fread(&count, sizeof(count), 1, fp) != 1 || count < 0) unrecognized(name);
  // Entries are appended only once read, so a huge K in a short file costs nothing.
  for (int32_t e = 0; e < count; ++e) {
    double value;
    if (fread(&value, sizeof(value), 1, fp) != 1) unrecognized(name);
    matrix<char> set;
    read_matrix(fp, n, 1, name, set);
    list.emplace_back(value, std::move(set));
  }
  has = record.read(fp, name);
  fclose(fp);
  std::sort(list.begin(), list.end(), by_score_then_set);
  return count;
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
    const int count = read_node_file(name, n, list, record, has);
    if (has && with.empty()) run = buildrecord::of(*this, p, v);
    if (has) record.checkagainst(run, v, name);
    (has ? with : without) = name;
    if (!with.empty() && !without.empty())
      fatal("Cache file [%s] has no build record, unlike [%s].", without.c_str(), with.c_str());
    cachesize += count;
    logsearchspace += std::log(double(count));
    if (p.verbose > 0)
      logtext("cache [" + std::to_string(v) + "] has [" + std::to_string(list.size()) +
              "] elements\n");
  }
  std::string base_name = x;
  FILE* fp = fopen(base_name.c_str(), "rb");
  if (fp == nullptr) {
    base_name = x + ".dorv";
    fp = fopen(base_name.c_str(), "rb");
  }
  if (fp == nullptr) fatal("Input cache file not found [%s]", x.c_str());
  // Without a data set there are no variables to read for, and the run ends for want
  // of a cache rather than on the base file's dimensions.
  if (n == 0) {
    fclose(fp);
    return;
  }
  read_matrix(fp, n, n, base_name, allow);
  read_matrix(fp, n, n, base_name, initialstructure);
  fclose(fp);
}
