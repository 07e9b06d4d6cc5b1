// cyclefinder: the first cycle that acyclicAdj(adj, false, mask) would put in its set,
// found without walking every simple path.
//
// acyclicAdj starts a depth-first walk of all simple paths at each node not entered by an
// earlier start, and records a cycle when a node's neighbour is already on the path, the
// cycle written from that neighbour y. So a rotation (y, c1 .. cL-1) of a cycle is
// recorded exactly when some start reaches y without passing through c1 .. cL-1 (the
// start may be y itself). Its set orders cycles by length, then lexicographically, and
// every cycle is recorded in at least one rotation, so the first element is the smallest
// recorded rotation among the shortest cycles. This class finds it directly:
//   1. the girth g of the masked graph by a breadth-first search from every node;
//   2. for y in increasing order, the simple paths y -> .. of g nodes closing back to y,
//      in lexicographic order (neighbours in increasing order, depth-first), pruned by
//      the distance back to y;
//   3. the first such cycle whose rotation is recorded (a reachability test) is the answer.
// Cost: O(V E) for the girth plus the short enumeration, instead of exponential. Node sets
// are words of the graph's rows, so a breadth-first layer costs a few word operations.
#pragma once

#include <vector>

#include "core/bitmap.hh"
#include "core/wordset.hh"
#include "search/bbgraph.hh"

class cyclefinder {
 public:
  explicit cyclefinder(int n);
  // True and the cycle (c_{i+1} a child of c_i, c_0 of the last) when the nodes of mask
  // (all nodes when it has no words) hold a cycle of g.
  bool find(const bbgraph& g, const bitmap& mask, std::vector<int>& cycle);

 private:
  int W;
  // Word sets: the mask, the starts of the walk, the nodes on the path, scratch; within
  // row d (d = 0..n) holds the nodes at most d arcs away from the cycle's first node.
  std::vector<setword> inmask, starts, onpath, seen, layer, next, todo, within;
  std::vector<int> path;

  // FW: the word count when fixed at compile time (1), else 0; see bbgraph::closure.
  template <int FW>
  bool findw(const bbgraph& g, const bitmap& mask, std::vector<int>& cycle);
  template <int FW>
  int girth(const bbgraph& g);
  template <int FW>
  void distancesto(const bbgraph& g, int y, int len);
  template <int FW>
  bool extend(const bbgraph& g, int depth, int len);
  template <int FW>
  bool recorded(const bbgraph& g);
};
