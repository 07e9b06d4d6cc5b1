// widthguard: the treewidth test of the heuristic searches, with a cheap sufficient
// condition that spares most eliminations.
//
// A structure meets the bound when ln(1 + maxtreewidth) is at least (or, for order
// guessing, strictly above) its weighted width, the width an elimination order gives
// (core/elim.hh). Every clique met by any elimination lies inside one connected
// component of the moral graph, and the moral graph has the same components as the
// structure's underlying undirected graph, so the width never exceeds the heaviest
// component's weight. When that weight is below the bound by a safety margin, the
// elimination cannot refuse the structure and need not run: the answer is the same.
// It pays on small or loosely connected networks; on a connected 37-variable network
// it never decides (bench/heuristics_bench), at 0.4 us against 16 us per elimination.
#pragma once

#include <vector>

#include "core/matrix.hh"

class widthguard {
 public:
  double bound;                // ln(1 + maxtreewidth)
  std::vector<double> logcard;  // ln(number of states) per variable

  widthguard(const matrix<int>& categ, double maxtreewidth);

  // Sum of ln(number of states) over the members of a family vector (n x 1).
  double family_weight(const matrix<char>& family) const;

  // True when the structure whose parent lists are `parents` (core/graph.hh form)
  // certainly has a weighted width below the bound, whichever elimination is used.
  bool surely_within(const matrix<int>& parents);

 private:
  // Width sums can differ from the component sums in the last bits; the margin keeps
  // the shortcut from deciding a case that the elimination would decide otherwise.
  static constexpr double margin = 1e-9;

  bool usable = true;  // false when some variable has no states (ln would be -inf)
  double total = 0.0;  // weight of all variables together
  std::vector<int> root;
  std::vector<double> weight;

  int find(int v);
};
