// score: the sufficient statistics of one family (a child and a candidate parent set)
// and its decomposable local score under BIC, AIC or BDeu.
//
// Notation: N records, r the child's number of states, q the number of parent
// configurations, N_j the (weighted) records in configuration j, N_jk those of them with
// child state k. Configuration index: mixed radix over the parents in increasing
// variable index, the lowest-indexed parent the most significant digit.
#pragma once

#include <vector>

#include "core/matrix.hh"

class io;
class params;

class score {
 public:
  int nrecords = 0;
  int nvars = 0;
  const matrix<int>* data = nullptr;
  const std::vector<std::vector<matrix<double>>>* weights = nullptr;
  matrix<int> family;  // n x 1: r at the child, the parents' state counts, 0 elsewhere
  int child = -1;
  int nconfigs = 1;
  int nstates = -1;
  int verbose = 0;
  bool aic = false;
  double alpha = 0.0;

  // Shared count tables: views over grow-only arrays that the memory counter ignores.
  static matrix<double> counts;   // N_j, q x 1
  static matrix<double> counts2;  // N_jk at j * r + k, q*r x 1
  static double* countsdata;
  static int countsdatasize;
  static double* counts2data;
  static int counts2datasize;

  score() = default;
  score(const io& d, const params& p);

  void update(const matrix<int>& fam, int childvar);
  void producecounts();
  double localscore(matrix<double>& cpt, double& a, double& b);
};
