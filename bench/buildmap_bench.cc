// Speed of scoring and cache construction on a data set of the shared inputs.
// Usage: buildmap_bench [FILE [MAXPARENTS]] (default ../shared/data/alarm_10000.dat, 3).
//
// The first run builds the whole cache under BIC and BDeu (alpha 1) with the parent limit and
// reports wall time, scored candidates (the "#score-calls=" lines) and candidates per
// second. The second run times the local score of a fixed sample of families (every child with
// the empty set, every single parent, 40 random pairs and 40 random triples) and
// reports ns per record x family member (best of three passes); that includes the
// score sums after counting.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "core/params.hh"
#include "io/io.hh"
#include "scoring/buildmap.hh"
#include "scoring/score.hh"
#include "load_data.hh"

namespace {

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Builds the cache with stderr sent to a scratch file; returns the summed score calls.
long build(const io& d, const params& p, double& wall) {
  char name[] = "/tmp/buildmap_bench_XXXXXX";
  const int fd = mkstemp(name);
  fflush(stderr);
  const int saved = dup(2);
  dup2(fd, 2);
  double logspace = 0;
  int cachesize = 0;
  const auto start = std::chrono::steady_clock::now();
  { const auto lists = buildmap(d, p, logspace, cachesize); }
  wall = seconds_since(start);
  fflush(stderr);
  dup2(saved, 2);
  close(saved);
  long calls = 0;
  FILE* log = fopen(name, "r");
  char line[512];
  while (log && fgets(line, sizeof line, log)) {
    const char* at = strstr(line, "#score-calls=");
    if (at) calls += atol(at + 13);
  }
  if (log) fclose(log);
  close(fd);
  unlink(name);
  return calls;
}

// One timed pass over the family sample; returns seconds, adds to members and families.
double kernelpass(const io& d, const params& p, double& members, long& families, double& sink) {
  score s(d, p);
  std::mt19937 gen(12345);
  const int n = d.n;
  matrix<int> fam(n, 1, 0);
  members = 0;
  families = 0;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < n; ++i) {
    for (int size = 0; size <= 3; ++size) {
      const int count = size == 0 ? 1 : size == 1 ? n - 1 : 40;
      for (int f = 0; f < count; ++f) {
        for (int k = 0; k < n; ++k) fam[k] = 0;
        fam[i] = d.categ[i];
        int placed = 0;
        while (placed < size) {
          const int k = size == 1 ? (f < i ? f : f + 1) : int(gen() % unsigned(n));
          if (fam[k] == 0) fam[k] = d.categ[k], ++placed;
        }
        double a = 1, b = 1;
        sink += s.scorefamily(fam, i, a, b);
        members += size + 1;
        ++families;
      }
    }
  }
  return seconds_since(start);
}

// The best of three passes: the machine is shared and single passes vary by 50%.
void kernel(const io& d, const params& p, const char* label) {
  double members = 0, sink = 0, took = 1e300;
  long families = 0;
  for (int pass = 0; pass < 3; ++pass)
    took = std::min(took, kernelpass(d, p, members, families, sink));
  printf("%-5s kernel: %ld families, %.1f us per family, %.3f ns per record x member (sum %g)\n",
         label, families, took * 1e6 / families, took * 1e9 / (members * d.nrecords), sink);
}

}  // namespace

int main(int argc, char** argv) {
  const char* path = argc > 1 ? argv[1] : "../shared/data/alarm_10000.dat";
  const int limit = argc > 2 ? std::atoi(argv[2]) : 3;
  params p;
  p.verbose = 0;
  io d;
  if (!load_data_set(path, p, d)) return 1;
  for (int i = 0; i < d.n; ++i) d.maxparents[i] = std::min(d.maxparents[i], limit);
  printf("file %s: %d variables, %d records, parent limit %d\n", path, d.n, d.nrecords, limit);
  for (const double alpha : {0.0, 1.0}) {
    params q;
    q.verbose = 1;
    q.alpha = alpha;
    const char* label = alpha > 0 ? "BDeu" : "BIC";
    double wall = 0;
    const long calls = build(d, q, wall);
    printf("%-5s cache:  %.3f s wall, %ld scored candidates, %.0f candidates per second\n", label,
           wall, calls, calls / wall);
    q.verbose = 0;
    kernel(d, q, label);
  }
  return 0;
}
