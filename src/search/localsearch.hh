// localsearch: evaluates a structure against the score cache and improves it by
// first-improvement hill climbing over each variable's cached parent sets, keeping the
// network acyclic and within the treewidth bound.
#pragma once

#include "app/params.hh"
#include "core/matrix.hh"
#include "io/io.hh"
#include "scoring/score.hh"

class localsearch {
 public:
  int retcode = 0;
  const params& p;
  const io& d;
  score scorer;
  bool onlyeval;
  double curvalue = -1e100;
  matrix<char> curstruct;
  matrix<double> localscores;
  int iterations = 0;

  localsearch(const params& p, const io& d, bool onlyeval);

  int run(bool quiet);
  bool localsearch_aux(matrix<char>& structure, matrix<double>& scores, bool quiet);
  void showresult();
};
