// Reading speed of the CSV reader: reads one CSV file several times and reports the
// wall time per read, per value and per MB, and the peak resident memory.
// Usage: csvreader_bench [FILE [REPEATS]]. Without a file it writes a 100 MB CSV in the
// style of the alarm data (37 columns of words such as LOW, NORMAL, HIGH, TRUE, FALSE,
// fixed seed) to the temporary folder and reads that.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "core/params.hh"
#include "io/io.hh"

namespace {

std::string write_sample(double megabytes) {
  const std::string path = "/tmp/bnsl_bench_100mb.csv";
  FILE* f = fopen(path.c_str(), "w");
  if (f == nullptr) return path;
  const char* const words[] = {"LOW", "NORMAL", "HIGH", "TRUE", "FALSE", "ZERO", "ONE"};
  const int columns = 37;
  std::mt19937 gen(20240601);
  for (int j = 0; j < columns; ++j) fprintf(f, "%sVAR%d", j ? "," : "", j);
  fprintf(f, "\n");
  long long bytes = 0;
  while (bytes < megabytes * 1e6) {
    for (int j = 0; j < columns; ++j) {
      // Column j draws from 2 + j % 4 of the words: binary to five-valued variables.
      const char* w = words[(j % 3) + gen() % (2 + j % 4)];
      bytes += fprintf(f, "%s%s", j ? "," : "", w);
    }
    bytes += fprintf(f, "\n");
  }
  fclose(f);
  return path;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string path = argc > 1 ? argv[1] : write_sample(100);
  const int repeats = argc > 2 ? std::atoi(argv[2]) : 3;
  double best = 1e300;
  long long values = 0, bytes = 0;
  for (int r = 0; r < repeats; ++r) {
    params p;
    p.verbose = 0;
    p.inputfile = path;
    p.infile = fopen(path.c_str(), "r");
    if (p.infile == nullptr) {
      fprintf(stderr, "cannot open %s\n", path.c_str());
      return 1;
    }
    fseek(p.infile, 0, SEEK_END);
    bytes = ftell(p.infile);
    rewind(p.infile);
    io d;
    const auto start = std::chrono::steady_clock::now();
    d.readcsv(p);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    fclose(p.infile);
    values = (long long)d.nrecords * d.n;
    if (took.count() < best) best = took.count();
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  printf(
      "file %s (%.1f MB)\nvalues %lld\nbest of %d: %.0f ms, %.2f ns per value, %.0f MB/s\n"
      "peak resident memory %.0f MB\n",
      path.c_str(), bytes / 1e6, values, repeats, best * 1e3,
      best * 1e9 / double(values > 0 ? values : 1), bytes / 1e6 / best, usage.ru_maxrss / 1024.0);
  return 0;
}
