// Reading and writing score files and the native cache at scale.
//
//   cachefiles_bench SCORES.jkl [WORKDIR]   reads a Cussens score file
//   cachefiles_bench --make N K OUT.jkl     writes a random Cussens file of N variables
//                                           with K parent sets each (up to 3 parents)
//
// After reading, the cache is written in the binary and text forms under WORKDIR
// (default /tmp), read back from each, and written again as a Cussens file; every step
// prints its wall time. Run it under /usr/bin/time for the peak memory.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <random>
#include <string>

#include "core/params.hh"
#include "io/io.hh"

namespace {

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

int make_file(int n, int k, const char* name) {
  FILE* fp = fopen(name, "w");
  if (fp == nullptr) return 1;
  std::mt19937 gen(7);
  fprintf(fp, "%d\n", n);
  for (int v = 0; v < n; ++v) {
    fprintf(fp, "%d %d\n", v, k);
    for (int e = 0; e < k; ++e) {
      const int parents = int(gen() % 4);
      fprintf(fp, "%.8f %d", -1000.0 * (1.0 + double(gen() % 100000) / 1e5), parents);
      for (int j = 0; j < parents; ++j) fprintf(fp, " %d", int(gen() % unsigned(n)));
      fprintf(fp, "\n");
    }
  }
  fclose(fp);
  return 0;
}

template <typename F>
void timed(const char* what, F step) {
  const auto start = std::chrono::steady_clock::now();
  step();
  std::cerr << what << ": " << seconds_since(start) << " s\n";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 5 && std::string(argv[1]) == "--make")
    return make_file(atoi(argv[2]), atoi(argv[3]), argv[4]);
  if (argc < 2) {
    std::cerr << "usage: cachefiles_bench SCORES.jkl [WORKDIR] | --make N K OUT.jkl\n";
    return 1;
  }
  const std::string work = argc > 2 ? argv[2] : "/tmp";
  params p;
  p.verbose = -1;
  p.infile = fopen(argv[1], "r");
  int n = 0;
  if (p.infile == nullptr || fscanf(p.infile, "%d", &n) != 1) return 1;
  io d;
  d.init(n, 0);
  timed("read Cussens", [&] { d.readCussenscache(p); });
  std::cerr << "entries: " << d.cachesize << "\n";
  p.cachefile = work + "/bench_cache";
  timed("write binary+text", [&] { d.writeDORVcache(p, d.initialstructure); });
  io binary;
  binary.init(n, 0);
  timed("read binary", [&] { binary.readDORVcache(p); });
  io text;
  p.cachefile = work + "/bench_cache.dorv.csv";
  timed("read text", [&] { text.readDORVcache(p); });
  p.cachefile = work + "/bench_cache.jkl";
  timed("write Cussens", [&] { d.writeCussenscache(p); });
  return 0;
}
