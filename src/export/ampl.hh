// ampl: writes an AMPL script that selects one cached parent set per variable by
// mixed-integer programming, maximising the total score under acyclicity and, when it
// can bind, a bound on the weighted treewidth. The script goes to the parameters'
// output stream; the writer reads the cleaned cache (one non-empty list per variable,
// ascending by score) and the numbers of states, and keeps nothing after the call.
//
// Model indices: AMPL's N is n - 1; variable j's entries are y<j>[0 .. s_j - 1] in
// cache-list order. c orders the elimination, cc the topology. Constraints of the
// order, treewidth and arc blocks share one running number (c0, c1, ...), continued
// by the cycle cuts (cas<u>).
#pragma once

#include <cstdio>

#include "core/params.hh"
#include "core/graph.hh"
#include "io/io.hh"

class ampl {
 public:
  const params& p;
  const io& d;
  int n;

  ampl(const params& p, const io& d, int n) : p(p), d(d), n(n) {}

  void cplex_tw();

  // Cycles among likely parent-set choices, the source of the cycle cuts: those of the
  // best sets after pruning variables that cannot lie on a cycle, plus those of up to
  // `cyclecuts` passes of random choices; empty without cuts. Logs one debug line per
  // variable in any case.
  cycleset cyclecandidates() const;

 private:
  // The bound can bind only when all variables together have more joint states.
  bool twactive() const;
  void write_declarations(FILE* out, bool tw) const;
  int write_order_constraints(FILE* out, bool tw) const;
  void write_score_constraints(FILE* out) const;
  int write_arc_constraints(FILE* out, bool tw, int u) const;
  void write_cycle_cuts(FILE* out, const cycleset& cycles, int u) const;
  void write_solve_and_print(FILE* out, bool tw) const;
};
