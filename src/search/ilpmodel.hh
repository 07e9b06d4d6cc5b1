// ilpmodel: the integer program behind branch-and-cut, one 0/1 column per cached parent
// set that the allowance matrix admits and that can still take part in a network better
// than a given cutoff.
//
// Columns are grouped by variable, best family first: variable v owns the columns
// start[v] .. start[v+1]-1. A column's cost is its loss, the variable's best score minus
// the family's score (>= 0), so the program minimises the total loss subject to one
// family per variable and acyclicity; a network's score is topsum minus its loss.
// Parents are W-word bit masks (bit q of word q/64 for variable q), the variable's own
// bit clear, contiguous per column so that cluster tests are a few word operations.
#pragma once

#include <vector>

#include "core/wordset.hh"
#include "io/io.hh"

class ilpmodel {
 public:
  // Keeps the families that agree with the allowance matrix and whose loss leaves room
  // to beat cutoff: a family of v scoring s belongs to some network better than cutoff
  // only if s plus every other variable's best score exceeds it. A variable left
  // without a family makes the program infeasible (empty(v) is then true).
  ilpmodel(const io& d, double cutoff);

  int n;
  int W;
  std::vector<int> start;      // n + 1 entries
  std::vector<int> child;      // per column, its variable
  std::vector<int> entry;      // per column, its index in the variable's cache list
  std::vector<double> loss;    // per column
  std::vector<double> top;     // per variable, its best admitted score
  double topsum = 0.0;         // the sum of top: the score of a network of zero loss
  int dropped = 0;             // families left out by the cutoff

  int columns() const { return int(child.size()); }
  bool empty(int v) const { return start[v] == start[v + 1]; }
  const setword* parents(int j) const { return &masks[size_t(j) * size_t(W)]; }

 private:
  std::vector<setword> masks;
};
