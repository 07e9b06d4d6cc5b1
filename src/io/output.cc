// Result output: the parent matrix of the final network, a conditional probability
// table per variable when a data set is loaded, and the network's total score.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "core/fail.hh"
#include "core/limits.hh"
#include "io/biffile.hh"
#include "io/graphfile.hh"
#include "io/truegraph.hh"
#include "io/io.hh"

namespace {

void print_parent_matrix(FILE* out, const matrix<char>& e) {
  fprintf(out, "matrix::print(%s,%d,%d)\n",
          "Each line corresponds to a variable, and indicates which are its parents", e.n, e.m);
  for (int i = 0; i < e.n; ++i) {
    for (int j = 0; j < e.m; ++j) fprintf(out, "%d ", int(e(i, j)));
    fprintf(out, "\n");
  }
}

// q, the product of the parents' numbers of states, computed in 64 bits; a family
// whose q does not fit a positive 32-bit int, or whose table r * q exceeds 1e8 cells
// when r is given, ends the run with the scoring code's 100M message.
int parent_configurations(const matrix<char>& e, const matrix<int>& categ, int v, int r) {
  int64_t q = 1;
  for (int u = 0; u < e.m; ++u) {
    if (u == v || e(v, u) <= 0) continue;
    q *= int64_t(categ[u]);
    if (q > INT32_MAX || q < 0 || (r > 0 && double(r) * double(q) > most_table_cells))
      table_too_large();
  }
  return int(q);
}

// The cached score of v's family as given by row v of e (diagonal set); a family the
// cache lacks ends the run.
double cached_family_score(const parentsetlist& list, const matrix<char>& e, int v) {
  for (const auto& entry : list) {
    const matrix<char>& set = entry.second;
    if (set.n != e.m || set.m != 1) continue;
    int k = 0;
    while (k < e.m && std::fabs(double(set[k]) - double(e(v, k))) <= 1e-6) ++k;
    if (k == e.m) return entry.first;
  }
  fatal("Resulting DAG has no corresponding information in the score cache - this should "
        "never happen");
}

// Counts v's family over the data, writes its table "table v" (state j outer,
// configuration k inner, theta(j|k) at k * r + j of the counted table) and returns
// its local score.
double data_family_score(const io& d, const params& p, const io::familytable& table,
                         matrix<int>& family, matrix<double>& cpt, const matrix<char>& e, int v) {
  const int r = d.categ[v];
  const int q = parent_configurations(e, d.categ, v, r);
  for (int u = 0; u < d.n; ++u) family[u] = (u == v || e(v, u) > 0) ? d.categ[u] : 0;
  const double value = table(family, v, cpt);
  fprintf(p.outfile, "table %d ", v);
  for (int j = 0; j < r; ++j)
    for (int k = 0; k < q; ++k) fprintf(p.outfile, "%.6lf ", cpt[k * r + j]);
  fprintf(p.outfile, "\n");
  return value;
}

void write_network(const io& d, const params& p, const matrix<char>& S,
                   std::vector<std::vector<double>>& tables) {
  bifnetwork net{d.labels, d.statenames, d.categ, S, std::move(tables)};
  for (int v = 0; v < d.n; ++v)
    if (net.names[size_t(v)].empty()) net.names[size_t(v)] = "v" + std::to_string(v);
  write_biffile(p.networkfile, net);
}

}  // namespace

// A record without data records (no input file, or only a score file or a text
// cache) takes each family's score from the cache and writes no tables.
double io::dooutput(const params& p, const matrix<char>& S, const familytable& table) const {
  matrix<char> e = S;
  for (int i = 0; i < e.n && i < e.m; ++i) e(i, i) = 0;
  print_parent_matrix(p.outfile, e);
  for (int i = 0; i < e.n && i < e.m; ++i) e(i, i) = 1;
  const bool from_cache = p.inputfile == params::notdef || nrecords <= 0;
  double total = 0.0;
  std::vector<std::vector<double>> tables;
  if (from_cache) {
    const parentsetlist none;
    for (int v = 0; v < n; ++v) {
      parent_configurations(e, categ, v, 0);
      total += cached_family_score(size_t(v) < cache.size() ? cache[size_t(v)] : none, e, v);
    }
  } else {
    matrix<int> family(n, 1, 0);
    matrix<double> cpt(1, 1, 0.0);
    for (int v = 0; v < n; ++v) {
      total += data_family_score(*this, p, table, family, cpt, e, v);
      if (p.networkfile != params::notdef) tables.emplace_back(cpt.data, cpt.data + cpt.size());
    }
  }
  fprintf(p.outfile, "score %lf\n", total);
  if (truestructure.size() > 0) write_comparison(p.outfile, compare_graphs(S, truestructure));
  if (p.graphfile != params::notdef) write_graphfile(p.graphfile, labels, S, total);
  if (p.networkfile != params::notdef && !from_cache) write_network(*this, p, S, tables);
  return total;
}
