// bcsearch: the working state of one branch-and-cut run: the program, its LP relaxation
// with the cut pool, the separator, the rounding heuristic and the open nodes.
//
// Losses, not scores, are minimised inside (see ilpmodel); the incumbent is kept as a
// loss and one column per variable, and turned back into a score and a structure by
// the caller. A node is settled by a loop of LP solves and cluster cuts; when no cut is
// violated enough (or the node's round limit is met) it branches on the arc whose LP
// value is closest to one half. Every integral LP solution is checked for cycles.
#pragma once

#include <chrono>
#include <cmath>
#include <cstdint>
#include <vector>

#include "core/params.hh"
#include "io/io.hh"
#include "search/bcbranching.hh"
#include "search/bcnodes.hh"
#include "search/clustercuts.hh"
#include "search/clusterlp.hh"
#include "search/ilpmodel.hh"
#include "search/sinkrounding.hh"

class bcsearch {
 public:
  // cutoff: a network must score above it to count (the incumbent or initialbest).
  bcsearch(const params& p, const io& d, double cutoff);

  // Searches until the tree is closed or a limit stops it; returns the status
  // (0 proved, 3 node limit, 5 gap reached, 6 time limit, 14 LP failure or memory).
  int search();

  // Results: the best network found by the search itself (none when found is false),
  // its score, and the proved upper bound on the score of every network.
  bool found = false;
  std::vector<int> columns;  // per variable, the chosen column
  double bestscore;
  double boundscore;
  long nodes = 0;
  long cutsfound = 0;
  double peakmb = 0.0;

  const ilpmodel model;

  // Per variable, the cache entry of the network found.
  int entryof(int v) const { return model.entry[columns[v]]; }

 private:
  const params& p;
  const io& d;
  clusterlp lp;
  clustercuts separator;
  sinkrounding rounding;
  bcnodes open;
  bcbranching branching;
  double incumbent;  // loss of the best network known (the cutoff's loss at the start)
  double active = HUGE_VAL;  // the bound of the node in hand
  double closed = HUGE_VAL;  // the smallest proved bound of nodes closed by an integral LP
  std::vector<double> rootdj;
  double rootbound = 0.0;
  std::chrono::steady_clock::time_point started;
  double lastprogress = 0.0;
  std::vector<setword> found_clusters;
  std::vector<int> chosen;

  enum settled { branch, done, stop };
  settled process(const bcnode& node, bool root, int& status);
  bool settleintegral(double b);
  int cutround(bool root);
  bool split(bcnode& node);
  void loop(int& status);
  bool tryincumbent(const std::vector<int>& network, double loss);
  bool integral(const double* x);
  void fixbyreducedcost();
  double seconds() const;
  double tolerance() const;
  bool limitreached(int& status);
  bool gapreached() const;
  double globalbound() const;
  void progress(bool force);
  double memorymb() const;
};
