#include "search/guessorders.hh"

#include <cstdio>
#include <ctime>
#include <numeric>
#include <sstream>
#include <string>

#include "core/elim.hh"
#include "core/fail.hh"
#include "core/status.hh"
#include "core/graph.hh"
#include "core/rng.hh"
#include "search/familymasks.hh"
#include "search/stops.hh"
#include "search/summary.hh"

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

}  // namespace

guessorders::guessorders(const params& p, const io& d, double bestvalue, bool uselocalsearch,
                         bool nosolution)
    : p(p), d(d), bestvalue(bestvalue), uselocalsearch(uselocalsearch),
      guessscores(d.n, 1, 0.0), beststruct(d.n, d.n, 0), maxguesses(p.maxiter),
      nosolution(nosolution), climber(p, d, false), width(d.categ, p.maxtreewidth),
      familyweight(d.cache.size()), forbidden(size_t(climber.masks.W)),
      required(size_t(climber.masks.W)), descendant(size_t(climber.masks.W)) {
  for (size_t v = 0; v < d.cache.size(); ++v)
    for (const auto& entry : d.cache[v])
      familyweight[v].push_back(width.family_weight(entry.second));
}

int guessorders::run(bool quiet) {
  if (maxguesses > 1000000 && p.verbose > 1)
    io::messaging(io::infolevel,
                  "Number of random guesses very high - it might take long to finish");
  bestvalue = guessorders_aux();
  if (quiet) return retcode;
  return writeresult(p, d, {"guessorders", bestvalue, retcode, 0.0, maxguesses, -1.0}, beststruct);
}

// Random restarts: each ordering is shuffled afresh; on even counts the visiting order
// is shuffled once more, so that it differs from the ordering behind A and E. While no
// network has beaten the start, up to ten times maxiter orderings are tried.
double guessorders::guessorders_aux() {
  const int n = d.n;
  const matrix<char>& given = d.initialstructure;
  beststruct = (given.n == n && given.m == n) ? given : matrix<char>(n, n, 0);
  retcode = bestvalue > -1e99 ? searchstatus::iteration_limit
                                 : searchstatus::heuristic_iteration_limit;
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
        if (k < 10 * limit) retcode = searchstatus::finished;
        break;
      }
      if (k >= 10 * limit) break;
    }
    if (p.verbose > 3 || (p.verbose > 1 && k % 1000 == 0))
      io::messaging(io::infolevel, "#orderings-so-far=" + std::to_string(k));
    if (time(nullptr) - start > p.maxseconds) {
      reportstop(p, io::warnlevel, time_limit_reached);
      retcode = retcode == searchstatus::heuristic_iteration_limit
                    ? searchstatus::heuristic_time_limit
                    : searchstatus::time_limit;
      return bestvalue;
    }
    if (interrupted(p, io::warnlevel)) {
      retcode = searchstatus::interrupted;
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
  const double total = guessscores.sum();
  if (!(total > bestvalue)) return;
  if (uselocalsearch && p.verbose > 1)
    io::messaging(io::infolevel, "Local search has been executed");
  retcode = searchstatus::iteration_limit;
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

// Row v of a rule matrix (1 forbidden, -1 required parent) and of the descendant
// matrix as masks over the other variables; a family's own byte is tested apart.
void guessorders::maskrules(int v, const matrix<char>& rules, const matrix<char>* descendants) {
  std::fill(forbidden.begin(), forbidden.end(), 0);
  std::fill(required.begin(), required.end(), 0);
  std::fill(descendant.begin(), descendant.end(), 0);
  for (int y = 0; y < d.n; ++y) {
    if (y == v) continue;
    if (rules(v, y) == 1) addbit(forbidden.data(), y);
    if (rules(v, y) == -1) addbit(required.data(), y);
    if (descendants != nullptr && (*descendants)(v, y) > 0) addbit(descendant.data(), y);
  }
}

// Scans v's cache list from the best entry and returns the first that passes the cheap
// tests (family weight, rules, descendants; word operations on the family's mask) and
// then the width test, leaving it in row v of S; -1 when none does. Min-fill
// elimination when elim is null, else along elim.
int guessorders::choose_entry(matrix<char>& S, matrix<int>& parents, int v,
                              const matrix<char>& rules, const matrix<char>* descendants,
                              const std::vector<int>* elim) {
  const parentsetlist& list = d.cache[v];
  const familymasks& masks = climber.masks;
  const int W = masks.W;
  const char* tag = elim == nullptr ? " method=guessE " : "";
  maskrules(v, rules, descendants);
  const bool ownisdescendant = descendants != nullptr && (*descendants)(v, v) > 0;
  for (int e = int(list.size()) - 1; e >= 0; --e) {
    const matrix<char>& family = list[e].second;
    check(family.size() == d.n, "family.size() == n");
    if (familyweight[v][e] > width.bound) continue;
    const setword* mask = masks.of(v, e);
    bool refused = meet(mask, forbidden.data(), W);
    for (int w = 0; w < W && !refused; ++w) refused = (required[size_t(w)] & ~mask[w]) != 0;
    if (refused) continue;
    if (meet(mask, descendant.data(), W) || (ownisdescendant && family[v] > 0)) continue;
    for (int k = 0; k < d.n; ++k) S(v, k) = family[k];
    setparentlist(parents, v, mask, W);
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
