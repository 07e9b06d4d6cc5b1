// bcbranching: the choice of the arc to branch on, by reliability branching.
//
// An arc (parent u of child v) has the LP value a, the mass of v's families holding u;
// forbidding it moves the value by a, requiring it by 1 - a. Pseudocosts keep, per arc
// and direction, the average gain in LP bound per unit of that move, learned from the
// children actually solved. Candidates (fractional arcs) are ranked by the product of
// their two estimated gains; those whose pseudocosts rest on fewer than `reliable`
// observations are measured first by strong branching: a few dual pivots on each child
// from the node's basis. Stopping after `lookahead` measured candidates that do not beat
// the best keeps the cost near the root, where the pseudocosts are still empty.
#pragma once

#include <vector>

#include "search/bcnodes.hh"
#include "search/clusterlp.hh"
#include "search/ilpmodel.hh"

class bcbranching {
 public:
  bcbranching(const ilpmodel& m, clusterlp& lp);

  // The arc for the LP solution in hand (bound its value, cutoff the incumbent's loss);
  // arc.required is the side to search first. False when no arc is fractional.
  bool choose(double bound, double cutoff, arcdecision& arc, double& change);
  // A child solved: its bound rose by gain when the arc's value moved by change.
  void observe(const arcdecision& arc, double change, double gain);
  long trials() const { return trialcount; }

 private:
  const ilpmodel& m;
  clusterlp& lp;
  std::vector<double> value;            // per arc u * n + v
  std::vector<double> gainsum[2];       // per arc, [0] forbidding, [1] requiring
  std::vector<int> seen[2];
  double totalsum[2] = {0.0, 0.0};
  long totalseen[2] = {0, 0};
  long trialcount = 0;
  std::vector<int> columns;             // scratch: the columns a child fixes

  double estimate(int arc, int side, double change) const;
  void childcolumns(int u, int v, bool required);
};
