// guessorders: samples random orderings of the variables, builds a network greedily from
// the score cache for each, optionally polishes it by hill climbing, and keeps the best.
//
// Two ways to choose parents: under topological constraints (a variable takes parents
// only among the variables before it in the ordering) or by guided greedy selection
// (any parents that keep the network acyclic, tracked with a descendant matrix, the
// ordering fixing the visiting order and the elimination order of the width test).
// bestvalue, bestscores and beststruct always describe the same network; beststruct
// keeps the data record's initial structure until a guess beats the caller's value.
// Orderings are shuffled with the RNG functor only, so a seed fixes the whole run.
#pragma once

#include <cstdint>
#include <vector>

#include "core/params.hh"
#include "core/matrix.hh"
#include "io/io.hh"
#include "search/localsearch.hh"
#include "search/widthguard.hh"

class guessorders {
 public:
  const params& p;
  const io& d;
  double bestvalue;
  bool uselocalsearch;
  bool topological = true;
  int retcode = 0;  // a searchstatus (core/status.hh)
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
  // Guided greedy build over allowance matrix K, visiting the variables in `order` and
  // testing widths along `elim`; an empty matrix when some variable finds no set.
  matrix<char> guessO(const matrix<char>& K, const std::vector<int>& order,
                      const std::vector<int>* elim);

 private:
  widthguard width;
  // The width-guard weight of every cached family, by variable and entry: the scan of
  // choose_entry tests it first, for every entry it passes over.
  std::vector<std::vector<double>> familyweight;
  // Scratch of choose_entry: the rules and descendants of the variable in hand as masks.
  std::vector<setword> forbidden, required, descendant;

  void maskrules(int v, const matrix<char>& rules, const matrix<char>* descendants);

  matrix<char> build_topological(const matrix<char>& A, const std::vector<int>& order);
  int choose_entry(matrix<char>& S, matrix<int>& parents, int v, const matrix<char>& rules,
                   const matrix<char>* descendants, const std::vector<int>* elim);
  void keep_if_better(const matrix<char>& R);
};
