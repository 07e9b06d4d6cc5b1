// branchandcut: the exact search by integer programming over the score cache, with the
// result contract of branch-and-bound: the same first incumbent (hill climbing, then
// order guessing), the same limits and statuses, the same result block with the score
// line named ilpscore.
//
// The program has one 0/1 column per cached family and one convexity row per variable;
// acyclicity comes from cluster constraints found as cutting planes (bcsearch). The
// incumbent (bestE, best) lives here; run() leaves in it the best network known.
#pragma once

#include "core/params.hh"
#include "core/matrix.hh"
#include "io/io.hh"

class branchandcut {
 public:
  const params& p;
  const io& d;
  matrix<char> bestE;
  double best = -1e100;
  double bound = 1e100;  // proved upper bound on the score of every network
  int status = -1;

  branchandcut(const params& p, const io& d);

  // The search, then the result block and the network on the output stream; returns
  // the status (+10 when no network beats initialbest).
  int run();

 private:
  int report(long nodes, double peakmb);
};
