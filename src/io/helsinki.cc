// The Helsinki score file: one line per variable V with 2^n fields, field m holding
// the score of V's parent set whose members are the set bits j of m (four decimals
// and a blank), or "- " when the cache has no such set. Masks containing V itself are
// never in the cache. Only written, and only for at most 20 variables.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "core/fail.hh"
#include "core/outputfile.hh"
#include "io/io.hh"

namespace {
constexpr int most_variables = 20;
}

// Each variable's list is scattered into a dense table of 2^n scores with a presence
// flag per mask (a later entry with the same mask wins), then the table is written in
// mask order. Cost: n * 2^n fields; at n = 20 the file holds about 40 MB of "- ".
void io::writeHelsinkicache(const params& p) const {
  if (p.verbose > 0) logtext("writing cache to file (Helsinki format)\n");
  const std::string& name = p.cachefile;
  // Refused before the target is touched.
  if (n > most_variables) fatal("Error writing Helsinki file for > 20 vars not possible.");
  FILE* fp = outputfile::open(name);
  if (fp == nullptr) fatal("Error writing cache output file [%s].", name.c_str());
  const size_t masks = size_t(1) << n;
  std::vector<double> table(masks);
  std::vector<char> present(masks);
  for (int v = 0; v < n; ++v) {
    std::fill(present.begin(), present.end(), 0);
    for (const auto& entry : cache[size_t(v)]) {
      const matrix<char>& set = entry.second;
      size_t mask = 0;
      for (int j = 0; j < set.size() && j < n; ++j)
        if (j != v && set[j] != 0) mask |= size_t(1) << j;
      table[mask] = entry.first;
      present[mask] = 1;
    }
    for (size_t m = 0; m < masks; ++m) {
      if (present[m]) fprintf(fp, "%.4lf ", table[m]);
      else fputs("- ", fp);
    }
    fputc('\n', fp);
  }
  std::string failed;
  if (!outputfile::close(fp) || !outputfile::commit(failed))
    fatal("Error writing cache output file [%s].", name.c_str());
}
