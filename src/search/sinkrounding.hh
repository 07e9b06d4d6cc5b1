// sinkrounding: turns an LP solution into a network, the incumbent heuristic of
// branch-and-cut.
//
// Sinks first: among the variables still unplaced, the one whose best family inside the
// unplaced set carries the most LP mass (ties to the smaller loss) becomes the last of
// them in the order, and no other variable may take it as a parent any more. The order
// found this way is then improved by local search over orders (orderpolish), which also
// gives every variable its best family among its predecessors, so the network is
// acyclic. Cost: n rounds of a scan over the unplaced variables' candidate families,
// rescanning only the variables that lost their candidate, then the polish.
#pragma once

#include <vector>

#include "search/ilpmodel.hh"
#include "search/orderpolish.hh"

class sinkrounding {
 public:
  explicit sinkrounding(const ilpmodel& m);

  // Fills chosen (one column per variable) and returns the network's loss; returns
  // infinity when some variable has no family that fits the order.
  double round(const double* x, std::vector<int>& chosen);

 private:
  const ilpmodel& m;
  orderpolish polisher;
  std::vector<setword> unplaced;
  std::vector<int> candidate;
  std::vector<int> order;

  int bestinside(int v, const double* x) const;
};
