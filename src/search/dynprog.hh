// dynprog: exact dynamic programming over subsets of variables: the best total score of
// every set that can come first in a topological order, level by level, then a walk back
// from the full set to recover each variable's parent set.
#pragma once

#include "app/params.hh"
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

  int run(bool quiet);
  double dynprog_aux(int& code);
};
