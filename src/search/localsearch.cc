#include "search/localsearch.hh"

#include <cstring>
#include <ctime>
#include <sstream>
#include <string>
#include <vector>

#include "core/elim.hh"
#include "core/fail.hh"
#include "core/status.hh"
#include "core/graph.hh"
#include "io/constraints.hh"
#include "search/cycleguard.hh"
#include "search/familymasks.hh"
#include "search/stops.hh"
#include "search/summary.hh"
#include "search/widthguard.hh"

namespace {

void write_row(matrix<char>& S, int i, const matrix<char>& family) {
  for (int k = 0; k < S.m; ++k) S(i, k) = family[k];
}

bool same_family(const matrix<char>& a, const matrix<char>& b) {
  return a.size() == b.size() && std::memcmp(a.data, b.data, a.bytes()) == 0;
}

void log_move(const params& p, const std::string& head, int i, const matrix<char>& family) {
  if (p.verbose <= 3) return;
  io::messaging(io::debuglevel, head + " vertex=" + std::to_string(i) + " parents=" +
                                    family.show());
}

// Everything one climb works on: the working structure, its parent lists, the copy of
// the row under test with its mask and parent list, and the scratch of the two move
// tests. Built once per climb.
struct climb {
  matrix<char> work;
  matrix<int> parents;
  matrix<char> saved;
  std::vector<setword> savedmask;
  std::vector<int> savedparents;
  cycleguard cycles;
  widthguard width;

  climb(const matrix<char>& start, const io& d, const params& p, int W)
      : work(start), parents(start.n, start.n, 0), saved(start.n, 1, 0), savedmask(size_t(W)),
        savedparents(size_t(start.n) + 1), cycles(start.n), width(d.categ, p.maxtreewidth) {
    if (start.n > 0) getAdj(work, parents, -1);
  }
};

// One visit of variable i: scans its cache list from the best entry down to the last
// one that still beats `current`, and applies the first entry that keeps the structure
// acyclic and within the width bound. A candidate is tried on the parent lists alone
// (row i of the structure is written only for an elimination or a move); a refused one
// is undone at once, so row i and its parent list are exactly as before. Returns the
// entry's index, or -1.
int first_admissible_move(climb& s, const familymasks& masks, const io& d, const params& p,
                          int i, double current) {
  const parentsetlist& list = d.cache[i];
  const int n = s.work.n;
  for (int k = 0; k < n; ++k) s.saved[k] = s.work(i, k);
  masks.maskof(i, s.saved, s.savedmask.data());
  for (int c = 0; c <= s.parents(i, 0); ++c) s.savedparents[size_t(c)] = s.parents(i, c);
  for (int e = int(list.size()) - 1; e >= 0 && list[e].first > current; --e) {
    const matrix<char>& family = list[e].second;
    check(family.size() == n, "family.size() == n");
    const setword* mask = masks.of(i, e);
    // Equal families have equal masks, so the bytes are compared only on a mask match.
    if (masks.equal(mask, s.savedmask.data()) && same_family(family, s.saved)) continue;
    setparentlist(s.parents, i, mask, masks.W);
    if (s.cycles.closes_cycle(s.parents, i, s.saved)) {
      log_move(p, "cycle blocks update", i, family);
    } else if (s.width.surely_within(s.parents)) {
      write_row(s.work, i, family);
      log_move(p, "updated", i, family);
      return e;
    } else {
      double w = 0.0;
      write_row(s.work, i, family);
      bestfirst_elim(s.work, d.categ, w);
      if (s.width.bound >= w) {
        log_move(p, "updated", i, family);
        return e;
      }
      std::ostringstream head;
      head << "treewidth=" << w << " blocks update";
      log_move(p, head.str(), i, family);
      write_row(s.work, i, s.saved);
    }
    for (int c = 0; c <= s.savedparents[0]; ++c) s.parents(i, c) = s.savedparents[size_t(c)];
  }
  return -1;
}

}  // namespace

localsearch::localsearch(const params& p, const io& d, bool onlyeval)
    : p(p), d(d), scorer(d, p), onlyeval(onlyeval), localscores(d.n, 1, 0.0), masks(d) {}

int localsearch::run(bool quiet) {
  const int n = d.n;
  const matrix<char>& given = d.initialstructure;
  curstruct = (given.n == n && given.m == n) ? given : matrix<char>(n, n, 0);
  if (acyclic(curstruct).size() > 0) fatal("Initial solution provided contains cycles.");
  localscores = matrix<double>(n, 1, 0.0);
  matrix<char> family(n, 1, 0);
  for (int i = 0; i < n; ++i) {
    curstruct(i, i) = 1;
    for (int k = 0; k < n; ++k) family[k] = curstruct(i, k);
    localscores[i] = evaluate_family(i, family);
  }
  curvalue = localscores.sum();
  retcode = searchstatus::finished;
  if (onlyeval) return searchstatus::finished;
  localsearch_aux(curstruct, localscores, false);
  if (!quiet) showresult();
  return retcode;
}

double localsearch::evaluate_family(int i, const matrix<char>& family) {
  if (d.nrecords <= 0) return cached_score(i, family);
  if (!admissible(i, family)) return impossible_family;
  matrix<int> cards(d.n, 1, 0);
  for (int k = 0; k < d.n; ++k)
    if (family[k] > 0) cards[k] = d.categ[k];
  scorer.update(cards, i);
  matrix<double> no_table;
  double a = 1.0, b = 1.0;
  return scorer.localscore(no_table, a, b);
}

// The tests the cache construction applies to every candidate: the allowance matrix,
// the parent limit and each constraint line.
bool localsearch::admissible(int i, const matrix<char>& family) const {
  const int n = d.n;
  int parents = 0;
  for (int k = 0; k < n; ++k) {
    if (k == i) continue;
    const bool member = family[k] > 0;
    parents += member;
    const char rule = d.allow.n == n ? d.allow(i, k) : 0;
    if ((rule == 1 && member) || (rule == -1 && !member)) return false;
  }
  if (d.maxparents.size() == n && parents > d.maxparents[i]) return false;
  for (int c = 0; c < d.nconstraints && c < int(d.constraints.size()); ++c) {
    int flag = 0;
    verifystrucon(d.constraints[c].c_str(), i, family, flag);
    if (flag == 0) return false;
  }
  return true;
}

double localsearch::cached_score(int i, const matrix<char>& family) const {
  if (i >= int(d.cache.size())) return impossible_family;
  for (const auto& entry : d.cache[i])
    if (same_family(entry.second, family)) return entry.first;
  return impossible_family;
}

// First-improvement hill climbing, visiting the variables cyclically: each visit moves
// the variable to its best admissible better-scoring set, if any; the climb ends when
// n visits in a row made no move (or at a limit). A visit on a variable already at its
// best set costs one comparison; a move test rewrites and, if refused, restores only
// one row and one parent list.
bool localsearch::localsearch_aux(matrix<char>& structure, matrix<double>& scores, bool quiet) {
  iterations = 0;
  moves = 0;
  const time_t start = time(nullptr);
  climb s(structure, d, p, masks.W);
  const int n = s.work.n;
  curvalue = scores.sum();
  if (n <= 0) {
    retcode = searchstatus::no_move;
    return false;
  }
  check(acyclic(structure).size() == 0, "acyclic(structure).empty()");
  int idle = 0;
  bool improved = false;
  for (int i = 0;; i = i + 1 < n ? i + 1 : 0) {
    if (time(nullptr) - start > p.maxseconds) {
      reportstop(p, io::warnlevel, time_limit_reached);
      retcode = searchstatus::heuristic_time_limit;
      return improved;
    }
    if (interrupted(p, io::warnlevel)) {
      retcode = searchstatus::interrupted;
      return improved;
    }
    if (iterations >= p.maxiter) {
      reportstop(p, io::warnlevel, iteration_limit_reached);
      retcode = searchstatus::heuristic_iteration_limit;
      return improved;
    }
    ++iterations;
    ++idle;
    const parentsetlist& list = d.cache[i];
    if (!list.empty() && list.back().first > scores[i]) {
      const int e = first_admissible_move(s, masks, d, p, i, scores[i]);
      if (e >= 0) {
        scores[i] = list[e].first;
        // Summed afresh, never adjusted by the difference: a replaced -1e300 would
        // otherwise absorb every other term.
        curvalue = scores.sum();
        for (int k = 0; k < n; ++k) structure(i, k) = s.work(i, k);
        if (p.verbose > 3 || (p.verbose > 1 && !quiet)) {
          std::ostringstream line;
          line << "localsearch improving to value=" << curvalue;
          io::messaging(io::infolevel, line.str());
        }
        idle = 0;
        improved = true;
        ++moves;
      }
    }
    if (idle >= n) break;
  }
  if (!improved) retcode = searchstatus::no_move;
  return improved;
}

// Heuristics prove nothing: the gap is -1.
void localsearch::showresult() {
  writeresult(p, d, {"hillclimbing", localscores.sum(), retcode, 0.0, p.maxiter, -1.0}, curstruct);
}
