// Graph routines on random networks of the shape the searches produce: every variable
// with up to three parents among the earlier ones (acyclic) or anywhere (cyclic).
// bestfirst_elim runs once per tested move of the hill climber, the cycle and strong
// component routines once per branch-and-bound node.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "core/elim.hh"
#include "core/graph.hh"
#include "../tests/core/plain_elim.hh"

namespace {

matrix<char> network(int n, bool acyclic_only, unsigned seed) {
  std::mt19937 gen(seed);
  matrix<char> S(n, n, 0);
  for (int i = 1; i < n; ++i)
    for (int k = 0, parents = int(gen() % 4); k < parents; ++k)
      S(i, acyclic_only ? int(gen() % unsigned(i)) : int(gen() % unsigned(n))) = 1;
  return S;
}

void BM_bestfirst_elim(benchmark::State& state) {
  const int n = int(state.range(0));
  const matrix<char> S = network(n, true, 1);
  const matrix<int> card(n, 1, 3);
  double width = 0;
  for (auto _ : state) benchmark::DoNotOptimize(bestfirst_elim(S, card, width));
}

void BM_bestfirst_plain(benchmark::State& state) {
  const int n = int(state.range(0));
  const matrix<char> S = network(n, true, 1);
  const matrix<int> card(n, 1, 3);
  double width = 0;
  for (auto _ : state) benchmark::DoNotOptimize(bestfirst_plain(S, card, width));
}

void BM_treewidth_elim(benchmark::State& state) {
  const int n = int(state.range(0));
  const matrix<char> S = network(n, true, 1);
  const matrix<int> card(n, 1, 3);
  double width = 0;
  const matrix<int> order = bestfirst_elim(S, card, width);
  const std::vector<int> v(order.data, order.data + n);
  for (auto _ : state) benchmark::DoNotOptimize(treewidth_elim(S, card, v));
}

void BM_acyclic(benchmark::State& state) {
  const matrix<char> S = network(int(state.range(0)), true, 2);
  for (auto _ : state) benchmark::DoNotOptimize(acyclic(S));
}

void BM_strongcomp(benchmark::State& state) {
  const int n = int(state.range(0));
  const matrix<char> S = network(n, false, 3);
  matrix<int> adj(n, n, 0);
  tarjan t(n);
  for (auto _ : state) {
    getAdjChild(S, adj, -1);
    benchmark::DoNotOptimize(t.strongcomp(adj));
  }
}

}  // namespace

BENCHMARK(BM_bestfirst_elim)->Arg(20)->Arg(50)->Arg(100)->Arg(200);
BENCHMARK(BM_bestfirst_plain)->Arg(20)->Arg(50)->Arg(100)->Arg(200);
BENCHMARK(BM_treewidth_elim)->Arg(50)->Arg(200);
BENCHMARK(BM_acyclic)->Arg(50)->Arg(200);
BENCHMARK(BM_strongcomp)->Arg(50)->Arg(200);
BENCHMARK_MAIN();
