// Speed of the heuristic searches on a real data set: hill climbing from the empty
// network (moves and visits per second), order guessing with 1000 orderings in both
// parent-selection modes, with and without polishing (orderings per second), and the
// cost of one move test: the incremental cycle guard against the full cycle search, the
// width shortcut against the min-fill elimination.
// Usage: heuristics_bench [FILE [MAXTREEWIDTH]]; the default file is a 1000-record,
// 37-variable data set of the shared inputs, scored with BIC.
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "core/params.hh"
#include "core/elim.hh"
#include "core/graph.hh"
#include "core/rng.hh"
#include "io/io.hh"
#include "scoring/buildmap.hh"
#include "search/cycleguard.hh"
#include "search/guessorders.hh"
#include "search/localsearch.hh"
#include "search/widthguard.hh"
#include "load_data.hh"

namespace {

using clock_type = std::chrono::steady_clock;

double seconds_since(clock_type::time_point start) {
  return std::chrono::duration<double>(clock_type::now() - start).count();
}

// One climb from the empty network makes about one move per variable, so the climb is
// repeated to get a measurable time.
void bench_climb(const params& p, const io& d) {
  constexpr int repeats = 200;
  long moves = 0, visits = 0;
  double score = 0;
  const auto start = clock_type::now();
  for (int r = 0; r < repeats; ++r) {
    localsearch climb(p, d, false);
    climb.run(true);
    moves += climb.moves;
    visits += climb.iterations;
    score = climb.curvalue;
  }
  const double took = seconds_since(start);
  printf("hill climbing x%d: %.3f s, %ld moves, %ld visits, %.0f moves/s, %.0f visits/s, "
         "score %f\n",
         repeats, took, moves, visits, moves / took, visits / took, score);
}

void bench_guess(params p, const io& d, bool topological, bool polish) {
  p.maxiter = 1000;
  rng::seed(1);
  guessorders search(p, d, -1e100, polish, true);
  search.topological = topological;
  const auto start = clock_type::now();
  search.guessorders_aux();
  const double took = seconds_since(start);
  printf("guess orders (%s, %s): %.3f s, %.0f orderings/s, best %f\n",
         topological ? "topological" : "guided", polish ? "polished" : "unpolished", took,
         1000 / took, search.bestvalue);
}

// Every cached family of every variable tried against the climbed network, each test
// done both ways.
void bench_move_tests(const params& p, const io& d) {
  localsearch climb(p, d, false);
  climb.run(true);
  matrix<char> W(climb.curstruct);
  const int n = W.n;
  matrix<int> parents(n, n, 0);
  getAdj(W, parents, -1);
  matrix<char> before(n, 1, 0);
  cycleguard cycles(n);
  widthguard width(d.categ, p.maxtreewidth);
  double guard_s = 0, full_s = 0, shortcut_s = 0, elim_s = 0;
  long tests = 0, cyclic = 0, shortcut = 0;
  for (int i = 0; i < n; ++i) {
    for (int k = 0; k < n; ++k) before[k] = W(i, k);
    for (const auto& entry : d.cache[i]) {
      for (int k = 0; k < n; ++k) W(i, k) = entry.second[k];
      getAdj(W, parents, i);
      auto start = clock_type::now();
      const bool closes = cycles.closes_cycle(parents, i, before);
      guard_s += seconds_since(start);
      start = clock_type::now();
      const bool full = !acyclicAdj(parents, true, bitmap()).empty();
      full_s += seconds_since(start);
      if (closes != full) printf("disagreement at variable %d\n", i);
      ++tests;
      if (closes) {
        ++cyclic;
      } else {
        start = clock_type::now();
        shortcut += width.surely_within(parents);
        shortcut_s += seconds_since(start);
        start = clock_type::now();
        double w = 0;
        bestfirst_elim(W, d.categ, w);
        elim_s += seconds_since(start);
      }
    }
    for (int k = 0; k < n; ++k) W(i, k) = before[k];
    getAdj(W, parents, i);
  }
  const long acyclic = tests - cyclic;
  printf("move tests: %ld (%ld cyclic); cycle guard %.0f ns, full cycle search %.0f ns\n", tests,
         cyclic, guard_s * 1e9 / tests, full_s * 1e9 / tests);
  printf("width: shortcut decided %ld of %ld; shortcut %.0f ns, min-fill elimination %.0f ns\n",
         shortcut, acyclic, shortcut_s * 1e9 / acyclic, elim_s * 1e9 / acyclic);
}

}  // namespace

int main(int argc, char** argv) {
  const char* path = argc > 1 ? argv[1] : "../shared/data/alarm_1000.dat";
  params p;
  p.verbose = -1;
  p.score = "bic";
  p.reseedinterval = 1500;  // fixed, like the seed, so that runs repeat
  if (argc > 2) p.maxtreewidth = std::atof(argv[2]);
  io d;
  if (!load_data_set(path, p, d)) return 1;
  d.cache = buildmap(d, p, d.logsearchspace, d.cachesize);
  d.vacuum(p);
  printf("file %s: %d variables, %d records, %d cached parent sets, maxtreewidth %g\n", path, d.n,
         d.nrecords, d.cachesize, p.maxtreewidth);
  bench_climb(p, d);
  for (bool topological : {true, false})
    for (bool polish : {true, false}) bench_guess(p, d, topological, polish);
  bench_move_tests(p, d);
  return 0;
}
