#include "search/guessorders.hh"

#include <cstdio>
#include <ctime>
#include <numeric>
#include <sstream>
#include <string>

#include "core/elim.hh"
#include "core/fail.hh"
#include "core/graph.hh"
#include "core/rng.hh"
#include "search/heuristicsummary.hh"

namespace {

// The standard shuffle: position i swaps with a position drawn from 0..i.
void shuffle(std::vector<int>& order, RNG& draw) {
  for (int i = 1; i < int(order.size()); ++i) std::swap(order[i], order[draw(i + 1)]);
}

// The allowance matrix of an ordering: a variable keeps its constraint values towards
// the variables up to it and may not take a later one as a parent. False when the
// ordering puts a required parent after its child.
bool topological_rules(const matrix<char>& allow, const std::vector<int>& order,
                       matrix<char>& A) {
  const int n = int(order.size());
  std::fill(A.data, A.data + A.size(), char(1));
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) {
      const char rule = allow(order[i], order[j]);
      if (j > i) {
        if (rule == -1) return false;
      } else {
        A(order[i], order[j]) = rule;
      }
    }
  return true;
}

// A family respects row v of a rule matrix (1 forbidden, -1 required parent).
bool respects(const matrix<char>& rules, int v, const matrix<char>& family) {
  for (int y = 0; y < family.size(); ++y) {
    if (y == v) continue;
    const char rule = rules(v, y);
    if ((rule == 1 && family[y] > 0) || (rule == -1 && family[y] <= 0)) return false;
  }
  return true;
}

// A parent among v's descendants would close a cycle.
bool has_descendant(const matrix<char>& D, int v, const matrix<char>& family) {
  for (int y = 0; y < family.size(); ++y)
    if (family[y] > 0 && D(v, y) > 0) return true;
  return false;
}

double sum_of(const matrix<double>& v) {
  double total = 0.0;
  for (int k = 0; k < v.size(); ++k) total += v[k];
  return total;
}

}  // namespace

guessorders::guessorders(const params& p, const io& d, double bestvalue, bool uselocalsearch,
                         bool nosolution)
    : p(p), d(d), bestvalue(bestvalue), uselocalsearch(uselocalsearch),
      guessscores(d.n, 1, 0.0), beststruct(d.n, d.n, 0), maxguesses(p.maxiter),
      nosolution(nosolution), climber(p, d, false), width(d.categ, p.maxtreewidth) {}

int guessorders::run(bool quiet) {
  if (maxguesses > 1000000 && p.verbose > 1)
    io::messaging(io::infolevel,
                  "Number of random guesses very high - it might take long to finish");
  bestvalue = guessorders_aux();
  if (quiet) return retcode;
  fprintf(p.outfile, "guessorders %lf\n", bestvalue);
  write_heuristic_summary(p.outfile, d, retcode, maxguesses);
  d.dooutput(p, beststruct);
  return retcode;
}

// Random restarts: each ordering is shuffled afresh; on even counts the visiting order
// is shuffled once more, so that it differs from the ordering behind A and E. While no
// network has beaten the start, up to ten times maxiter orderings are tried.
double guessorders::guessorders_aux() {
  const int n = d.n;
  const matrix<char>& given = d.initialstructure;
  beststruct = (given.n == n && given.m == n) ? given : matrix<char>(n, n, 0);
  retcode = bestvalue > -1e99 ? 3 : 13;
  bestscores = matrix<double>(n, 1, 0.0);
  const time_t start = time(nullptr);
  const long long limit = p.maxiter;
  int rejected = 0;
  RNG draw(p.reseedinterval);
  std::vector<int> order(n), elim;
  matrix<char> A(n, n, 1);
  for (long long k = 0;; ++k) {
    if (k >= limit) {
      if (!nosolution) {
        if (k < 10 * limit) retcode = 0;
        break;
      }
      if (k >= 10 * limit) break;
    }
    if (p.verbose > 3 || (p.verbose > 1 && k % 1000 == 0))
      io::messaging(io::infolevel, "#orderings-so-far=" + std::to_string(k));
    if (time(nullptr) - start > p.maxseconds) {
      if (p.verbose >= 0)
        io::messaging(io::warnlevel, "Maximum number of minutes reached. Stopping");
      retcode = retcode > 9 ? 16 : 6;
      return bestvalue;
    }
    std::iota(order.begin(), order.end(), 0);
    shuffle(order, draw);
    if (!topological_rules(d.allow, order, A)) continue;
    elim = order;
    if (k % 2 == 0) shuffle(order, draw);
    matrix<char> R = topological ? build_topological(A, order) : guessO(d.allow, order, &elim);
    if (R.n == 0) {
      ++rejected;
      if (rejected % 500 == 0 && p.verbose > 2)
        io::messaging(io::infolevel, "rejected by treewidth so far=" + std::to_string(rejected));
      continue;
    }
    if (uselocalsearch) climber.localsearch_aux(R, guessscores, true);
    keep_if_better(R);
  }
  return bestvalue;
}

void guessorders::keep_if_better(const matrix<char>& R) {
  const double total = sum_of(guessscores);
  if (!(total > bestvalue)) return;
  if (uselocalsearch && p.verbose > 1)
    io::messaging(io::infolevel, "Local search has been executed");
  retcode = 3;
  bestvalue = total;
  bestscores = guessscores;
  if (p.verbose > 2) {
    char text[64];
    snprintf(text, sizeof text, "%e", total);
    io::messaging(io::infolevel, std::string("updated structure with score=") + text);
  }
  beststruct = R;
  nosolution = false;
}

// Each variable, in visiting order, takes its best cached set allowed by A whose
// min-fill width stays strictly under the bound. A forbids later variables of the
// ordering, so the result is acyclic by construction.
matrix<char> guessorders::build_topological(const matrix<char>& A, const std::vector<int>& order) {
  const int n = d.n;
  matrix<char> S(n, n, 0);
  matrix<int> parents(n, n, 0);
  for (int v : order) {
    const int e = choose_entry(S, parents, v, A, nullptr, nullptr);
    if (e < 0) return matrix<char>();
    guessscores[v] = d.cache[v][e].first;
  }
  return S;
}

// Guided greedy: any parents allowed by K that are not descendants of the variable
// (the descendant matrix D grows with every accepted set), width measured along the
// fixed elimination order.
matrix<char> guessorders::guessO(const matrix<char>& K, const std::vector<int>& order,
                                 const std::vector<int>* elim) {
  const int n = d.n;
  matrix<char> S(n, n, 0), D(n, n, 0), seen(n, 1, 0);
  matrix<int> parents(n, n, 0);
  for (int g : order) {
    const int e = choose_entry(S, parents, g, K, &D, elim);
    if (e < 0) return matrix<char>();
    guessscores[g] = d.cache[g][e].first;
    std::fill(seen.data, seen.data + seen.size(), char(0));
    adddescend(S, D, seen, g);
  }
  check(acyclic(S).size() == 0, "acyclic(E).empty()");
  return S;
}

// Scans v's cache list from the best entry and returns the first that passes the cheap
// tests (family weight, rules, descendants) and then the width test, leaving it in row
// v of S; -1 when none does. Min-fill elimination when elim is null, else along elim.
int guessorders::choose_entry(matrix<char>& S, matrix<int>& parents, int v,
                              const matrix<char>& rules, const matrix<char>* descendants,
                              const std::vector<int>* elim) {
  const parentsetlist& list = d.cache[v];
  const char* tag = elim == nullptr ? " method=guessE " : "";
  for (int e = int(list.size()) - 1; e >= 0; --e) {
    const matrix<char>& family = list[e].second;
    check(family.size() == d.n, "family.size() == n");
    if (width.family_weight(family) > width.bound) continue;
    if (!respects(rules, v, family)) continue;
    if (descendants != nullptr && has_descendant(*descendants, v, family)) continue;
    for (int k = 0; k < d.n; ++k) S(v, k) = family[k];
    getAdj(S, parents, v);
    double w = 0.0;
    bool fits = width.surely_within(parents);
    if (!fits) {
      if (elim != nullptr) w = treewidth_elim(S, d.categ, *elim);
      else bestfirst_elim(S, d.categ, w);
      fits = width.bound > w;
    }
    if (p.verbose > 3) {
      std::ostringstream line;
      line << tag;
      if (fits) line << "updated vertex=";
      else line << "treewidth=" << w << " blocks update vertex=";
      line << v << " parents=" << family.show();
      io::messaging(io::debuglevel, line.str());
    }
    if (fits) return e;
  }
  return -1;
}
