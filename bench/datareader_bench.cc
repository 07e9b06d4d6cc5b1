// Reading speed of the data-set reader: reads one data file several times and reports
// the wall time per read and per value. Usage: datareader_bench [FILE [REPEATS]];
// the default file is a 20000-record, 37-variable data set of the shared inputs.
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "core/params.hh"
#include "io/io.hh"

int main(int argc, char** argv) {
  const char* path = argc > 1 ? argv[1] : "../shared/data/alarm_20000.dat";
  const int repeats = argc > 2 ? std::atoi(argv[2]) : 5;
  double best = 1e300;
  long long values = 0;
  for (int r = 0; r < repeats; ++r) {
    params p;
    p.verbose = 0;
    p.infile = fopen(path, "r");
    if (p.infile == nullptr) {
      fprintf(stderr, "cannot open %s\n", path);
      return 1;
    }
    io d;
    const auto start = std::chrono::steady_clock::now();
    d.readDORVinput(p);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    fclose(p.infile);
    values = (long long)d.nrecords * d.n;
    if (took.count() < best) best = took.count();
  }
  printf("file %s\nvalues %lld\nbest of %d: %.2f ms, %.2f ns per value\n", path, values, repeats,
         best * 1e3, best * 1e9 / double(values > 0 ? values : 1));
  return 0;
}
