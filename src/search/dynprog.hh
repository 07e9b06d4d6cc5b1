// dynprog: exact dynamic programming over subsets of variables: the best total score of
// every set that can come first in a topological order, level by level, then a walk back
// from the full set to recover each variable's parent set. Honours the allowance matrix
// of the record; ignores the treewidth bound.
//
// The record's cache lists must be sorted ascending (best last), as the clean-up leaves
// them. beststruct starts as the caller's arc-free matrix and receives, row by row, the
// family vectors of the optimum; after a memory (14) or time (16) stop it stays as given
// and bestvalue is -1e100. Up to 32 variables: wider problems have levels of more than
// 2^30 sets and stop with code 14 at once. A cache that admits no network at all ends
// the run (exit code 255).
#pragma once

#include "core/params.hh"
#include "core/matrix.hh"
#include "io/io.hh"

class dynprog {
 public:
  const params& p;
  const io& d;
  double memlimit;
  double bestvalue;
  matrix<char> beststruct;
  int retcode = 0;

  dynprog(const params& p, const io& d, double memlimit, const matrix<char>& start,
          double bestvalue);

  // The search, then (unless quiet) the score line, the run summary and the structure
  // on the output stream; returns retcode.
  int run(bool quiet);
  // The search alone: the optimal total score, or -1e100 when a limit stopped it.
  double dynprog_aux(int& code);
};
