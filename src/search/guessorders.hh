// guessorders: samples random orderings of the variables, builds a network greedily from
// the score cache for each (under topological constraints, or guided greedy selection
// with a descendant matrix), optionally polishes it by hill climbing, keeps the best.
#pragma once

#include "app/params.hh"
#include "core/matrix.hh"
#include "io/io.hh"
#include "search/localsearch.hh"

class guessorders {
 public:
  const params& p;
  const io& d;
  double bestvalue;
  bool uselocalsearch;
  bool topological = true;
  int retcode = 0;
  matrix<double> bestscores;
  matrix<double> guessscores;
  matrix<char> beststruct;
  int maxguesses;
  bool nosolution;
  localsearch climber;

  guessorders(const params& p, const io& d, double bestvalue, bool uselocalsearch,
              bool nosolution);

  int run(bool quiet);
  double guessorders_aux();
  matrix<char> guessO(const matrix<char>& K, const matrix<int>& order, const matrix<int>* elim);
};
