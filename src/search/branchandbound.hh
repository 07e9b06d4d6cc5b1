// branchandbound: the exact best-first branch-and-bound search over the score cache.
// A node restricts each variable to a subset of its cached parent sets; its key, the sum
// of every variable's best allowed score, bounds every network inside it.
#pragma once

#include "app/params.hh"
#include "core/matrix.hh"
#include "io/io.hh"

class branchandbound {
 public:
  const params& p;
  const io& d;
  int n;
  matrix<char> constraints;
  matrix<char> bestE;
  double best;
  int status = -1;

  branchandbound(const params& p, const io& d, int n, const matrix<char>& constraints,
                 const matrix<char>& start, double best);

  int run(bool quiet);
};
