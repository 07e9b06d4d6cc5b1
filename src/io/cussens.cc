// The Cussens (gob) score file, read as input and written by the cache-only action:
//   n
//   per variable V = 0 .. n-1:  "V K", then K lines "score p parent_1 .. parent_p"
// Scores are written with six decimals and parents in increasing order; a reader
// accepts parents in any order and repeated, the variable itself not counting.
#include <cmath>
#include <cstdio>
#include <string>

#include "core/fail.hh"
#include "core/outputfile.hh"
#include "io/io.hh"
#include "io/textreader.hh"

namespace {

// Reads one "score p parents" line of variable v into (value, set); false on any
// failed read, a token that is not wholly a number, a negative p or a parent index
// outside 0 .. n-1.
bool read_entry(textreader& in, int n, int v, double& value, matrix<char>& set) {
  int parents = 0;
  if (!in.next_whole_double(value) || !in.next_whole_int(parents) || parents < 0) return false;
  set = matrix<char>(n, 1, 0);
  set[v] = 1;
  for (int k = 0; k < parents; ++k) {
    int parent = -1;
    if (!in.next_whole_int(parent) || parent < 0 || parent >= n) return false;
    set[parent] = 1;
  }
  return true;
}

// The name of the score file for the messages that the format leaves unnamed.
const char* file_name(const params& p) { return p.inputfile.c_str(); }

}  // namespace

void io::readCussenscache(const params& p) {
  if (p.verbose >= 0) logtext("reading scores (Cussens format)\n");
  if (int(cache.size()) < n) cache.resize(size_t(n));
  textreader in(p.infile);
  for (int v = 0; v < n; ++v) {
    int read_v = -1, count = -1;
    if (!in.next_whole_int(read_v) || !in.next_whole_int(count) || read_v != v || count < 0)
      fatal("Input file has unrecognized format (node=%d).", v);
    logsearchspace += std::log(double(count));
    parentsetlist& list = cache[size_t(v)];
    // Entries are appended only once read, so a huge K with missing lines fails at
    // the first missing line without allocating for K.
    for (int e = 0; e < count; ++e) {
      double value = 0;
      matrix<char> set;
      if (!read_entry(in, n, v, value, set))
        fatal("Input file has unrecognized format (node=%d,parent=%d).", v, e);
      if (!std::isfinite(value))
        fatal("Input file [%s] has a score that is not a finite number (node=%d,parent=%d).",
              file_name(p), v, e);
      list.emplace_back(value, std::move(set));
    }
    // Counted once the entries exist, so a false K cannot overflow the total.
    cachesize += count;
    if (p.verbose > 2)
      messaging(infolevel, "cache [" + std::to_string(v) + "] has [" +
                               std::to_string(list.size()) + "] elements");
  }
  if (!in.at_end())
    fatal("Input file [%s] has unrecognized format (text after the last node).", file_name(p));
  if (p.verbose > 1)
    messaging(infolevel, "Score file contains " + std::to_string(cachesize) + " scores");
  // The n x n tables are made only once every variable has shown a parent set, so
  // that their size stays in proportion to the file; otherwise the clean-up ends the
  // run for the variable without parent sets.
  for (const parentsetlist& list : cache)
    if (list.empty()) return;
  make_square_tables();
}

void io::writeCussenscache(const params& p) const {
  if (p.verbose > 0) logtext("writing cache to file (Cussens format)\n");
  const std::string& name = p.cachefile;
  FILE* fp = outputfile::open(name);
  if (fp == nullptr) fatal("Error writing cache output file [%s].", name.c_str());
  fprintf(fp, "%d\n", n);
  for (int v = 0; v < n; ++v) {
    const parentsetlist& list = cache[size_t(v)];
    fprintf(fp, "%d %zu\n", v, list.size());
    for (const auto& entry : list) {
      const matrix<char>& set = entry.second;
      int parents = 0;
      for (int k = 0; k < set.size(); ++k) parents += (k != v && set[k] != 0);
      fprintf(fp, "%lf %d", entry.first, parents);
      for (int k = 0; k < set.size(); ++k)
        if (k != v && set[k] != 0) fprintf(fp, " %d", k);
      fprintf(fp, "\n");
    }
  }
  std::string failed;
  if (!outputfile::close(fp) || !outputfile::commit(failed))
    fatal("Error writing cache output file [%s].", name.c_str());
}
