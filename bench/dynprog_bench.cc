// Whole-search benchmark of the subset dynamic programming on a score file in the jkl
// (Cussens) format, read and cleaned up as a run does. With --bb the branch-and-bound
// search runs afterwards on the same cache, for agreement.
// Prints the case, n, the number of cached parent sets, the optimum, the wall time of
// the search alone, the processor time of the whole process (a fairer figure on a
// shared machine) and its peak resident memory. One case per process, so that the peak
// belongs to it; bench/dynprog_bench.sh runs the set of cases.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <string>

#include "core/params.hh"
#include "io/io.hh"
#include "search/branchandbound.hh"
#include "search/dynprog.hh"

namespace {

// Loads the score file through the program's own reader and clean-up, as a run with
// inputfile= does.
bool load(const char* path, params& p, io& d) {
  p.inputfile = path;
  p.infile = fopen(path, "r");
  if (p.infile == nullptr) return false;
  d.readDORVinput(p);
  d.readCussenscache(p);
  d.vacuum(p);
  fclose(p.infile);
  return true;
}

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  const bool withbb = argc == 3 && std::string(argv[2]) == "--bb";
  if (argc != 2 && !withbb) {
    std::cerr << "usage: dynprog_bench FILE.jkl [--bb]\n";
    return 2;
  }
  params p;
  p.verbose = -1;
  io d;
  if (!load(argv[1], p, d)) {
    std::cerr << "cannot read " << argv[1] << "\n";
    return 2;
  }
  dynprog search(p, d, double(p.maxmem), matrix<char>(d.n, d.n, 0), -1e100);
  int code = 0;
  const auto start = std::chrono::steady_clock::now();
  const double value = search.dynprog_aux(code);
  const double seconds = seconds_since(start);
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const double cpu = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec * 1e-6 +
                     usage.ru_stime.tv_sec + usage.ru_stime.tv_usec * 1e-6;
  std::string name = argv[1];
  name = name.substr(name.find_last_of('/') + 1);
  printf("%-30s n=%2d sets=%6d code=%2d optimum=%.6f wall=%.2fs cpu=%.2fs peak=%.0fMB", name.c_str(),
         d.n, d.cachesize, code, value, seconds, cpu, usage.ru_maxrss / 1024.0);
  if (withbb) {
    branchandbound exact(p, d, d.n, d.allow, matrix<char>(d.n, d.n, 0), -1e100);
    const auto bbstart = std::chrono::steady_clock::now();
    exact.run(true);
    printf(" bb=%.6f bbwall=%.2fs", exact.best, seconds_since(bbstart));
  }
  printf("\n");
  return 0;
}
