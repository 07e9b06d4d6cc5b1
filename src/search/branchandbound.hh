// branchandbound: the exact best-first branch-and-bound search over the score cache.
// A node restricts each variable to a subset of its cached parent sets; its key, the sum
// of every variable's best allowed score, bounds every network inside it.
//
// run() takes a first incumbent from hill climbing and order guessing, then solve()
// searches from the root and writes the results. The incumbent (bestE, best, status)
// lives here; the working state of one search lives in a bbsearch.
#pragma once

#include "core/params.hh"
#include "core/matrix.hh"
#include "core/status.hh"
#include "io/io.hh"

class bbsearch;

class branchandbound {
 public:
  const params& p;
  const io& d;
  int n;
  matrix<char> constraints;
  matrix<char> bestE;
  double best;
  int status = searchstatus::unproved;

  branchandbound(const params& p, const io& d, int n, const matrix<char>& constraints,
                 const matrix<char>& start, double best);

  int run(bool quiet);
  // The incumbent from the heuristic searches; ends the run when the constraints admit
  // no structure.
  void initialincumbent();
  // The search from the root with the current incumbent, and its results.
  int solve();

 private:
  int report(const bbsearch& s, double k);
};
