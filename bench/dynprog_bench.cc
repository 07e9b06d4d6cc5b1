// Whole-search benchmark of the subset dynamic programming on a score file in the jkl
// format (first line n; per variable "v K", then K lines "score p parent1 .. parentp").
// Prints the case, n, the number of cached parent sets, the optimum, the wall time of
// the search alone, the processor time of the whole process (a fairer figure on a shared
// machine) and its peak resident memory. One case per process,
// so that the peak belongs to it; bench/dynprog_bench.sh runs the set of cases.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

#include "app/params.hh"
#include "io/io.hh"
#include "search/dynprog.hh"

namespace {

// Reads the file into d with every list ascending by score (ties by set order), best
// last, as the clean-up leaves the cache.
bool read_jkl(const char* path, io& d) {
  std::ifstream in(path);
  int n = 0;
  if (!(in >> n) || n <= 0) return false;
  d.init(n, 0);
  for (int v = 0; v < n; ++v) {
    int variable = 0, count = 0;
    if (!(in >> variable >> count) || variable < 0 || variable >= n) return false;
    for (int e = 0; e < count; ++e) {
      double score = 0;
      int parents = 0;
      if (!(in >> score >> parents)) return false;
      matrix<char> family(n, 1);
      family[variable] = 1;
      for (int q = 0; q < parents; ++q) {
        int parent = 0;
        if (!(in >> parent) || parent < 0 || parent >= n) return false;
        family[parent] = 1;
      }
      d.cache[variable].push_back({score, family});
    }
  }
  for (auto& list : d.cache) {
    std::sort(list.begin(), list.end(), [](const auto& a, const auto& b) {
      if (a.first != b.first) return a.first < b.first;
      return a.second < b.second;
    });
    d.cachesize += int(list.size());
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: dynprog_bench FILE.jkl\n";
    return 2;
  }
  io d;
  if (!read_jkl(argv[1], d)) {
    std::cerr << "cannot read " << argv[1] << "\n";
    return 2;
  }
  params p;
  p.verbose = -1;
  dynprog search(p, d, double(p.maxmem), matrix<char>(d.n, d.n, 0), -1e100);
  int code = 0;
  const auto start = std::chrono::steady_clock::now();
  const double value = search.dynprog_aux(code);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::string name = argv[1];
  name = name.substr(name.find_last_of('/') + 1);
  const double cpu = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec * 1e-6 +
                     usage.ru_stime.tv_sec + usage.ru_stime.tv_usec * 1e-6;
  printf("%-30s n=%2d sets=%6d code=%2d optimum=%.6f wall=%.2fs cpu=%.2fs peak=%.0fMB\n",
         name.c_str(), d.n, d.cachesize, code, value, seconds, cpu, usage.ru_maxrss / 1024.0);
  return 0;
}
