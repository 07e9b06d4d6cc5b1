// ampl: writes an AMPL script that selects one cached parent set per variable by
// mixed-integer programming, maximising the total score under acyclicity and, when it
// can bind, a bound on the weighted treewidth.
#pragma once

#include "app/params.hh"
#include "io/io.hh"

class ampl {
 public:
  const params& p;
  const io& d;
  int n;

  ampl(const params& p, const io& d, int n) : p(p), d(d), n(n) {}

  void cplex_tw();
};
