// localsearch: evaluates a structure against the score cache and improves it by
// first-improvement hill climbing over each variable's cached parent sets, keeping the
// network acyclic and within the treewidth bound.
//
// Structures are n x n with the diagonal set, so that row i has the form of a cache
// entry's family vector; `localscores` always holds the local score of each row and
// `curvalue` their exact sum. A starting family that no search could choose (it breaks
// the constraints or the parent limit, or, without data, it is not in the cache) scores
// impossible_family, so that the climb replaces it by the variable's best admissible set.
// Callers: the driver (evaluate-only pre-run and algorithm 6), branch-and-bound (first
// incumbent) and order guessing (localsearch_aux on every built network).
#pragma once

#include "core/params.hh"
#include "core/matrix.hh"
#include "io/io.hh"
#include "scoring/score.hh"
#include "search/familymasks.hh"

class localsearch {
 public:
  static constexpr double impossible_family = -1e300;

  int retcode = 0;  // a searchstatus (core/status.hh)
  const params& p;
  const io& d;
  score scorer;
  bool onlyeval;
  double curvalue = -1e100;
  matrix<char> curstruct;
  matrix<double> localscores;
  int iterations = 0;  // variable visits of the last localsearch_aux call
  int moves = 0;       // parent sets replaced by the last localsearch_aux call

  localsearch(const params& p, const io& d, bool onlyeval);

  // Scores the initial structure; unless onlyeval, climbs and (unless quiet) prints.
  int run(bool quiet);
  // Climbs from `structure` (acyclic, diagonal set) with `scores` matching it; both are
  // updated in place. Returns true when at least one move was made.
  bool localsearch_aux(matrix<char>& structure, matrix<double>& scores, bool quiet);
  void showresult();

  const familymasks masks;  // of the cache, for the move tests of the climb

 private:
  double evaluate_family(int i, const matrix<char>& family);
  bool admissible(int i, const matrix<char>& family) const;
  double cached_score(int i, const matrix<char>& family) const;
};
