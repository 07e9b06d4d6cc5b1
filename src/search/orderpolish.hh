// orderpolish: local search over variable orders, the improvement step after rounding.
//
// A network is held as an order and, for every variable, its best family among those
// whose parents all come before it (the optimum for that order). A move takes one
// variable to another position; it changes the predecessors of the variable itself
// and, by one variable each, of those it passes, so a move is evaluated by walking the
// variable one place at a time and rescanning only the families that the step
// invalidates or may improve. The best move of each variable is made when it lowers
// the loss; passes repeat until none does. Cost per pass: n^2 steps of at most two
// family scans each.
#pragma once

#include <vector>

#include "search/ilpmodel.hh"

class orderpolish {
 public:
  explicit orderpolish(const ilpmodel& m);

  // Improves the network of `order` in place; chosen receives one column per variable
  // and the loss is returned.
  double polish(std::vector<int>& order, std::vector<int>& chosen);

 private:
  const ilpmodel& m;
  std::vector<setword> before;  // per variable, W words: the variables ahead of it
  std::vector<setword> scratch;

  int best(int v, const setword* allowed) const;
  double trymove(const std::vector<int>& order, const std::vector<int>& chosen, int from,
                 int& to) ;
};
