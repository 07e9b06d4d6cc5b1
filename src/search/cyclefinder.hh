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
//      in lexicographic order (sorted neighbour lists, depth-first), pruned by the
//      distance back to y;
//   3. the first such cycle whose rotation is recorded (a reachability test) is the answer.
// Cost: O(V E) for the girth plus the short enumeration, instead of exponential.
#pragma once

#include <vector>

#include "core/bitmap.hh"
#include "core/matrix.hh"

class cyclefinder {
 public:
  explicit cyclefinder(int n);
  // True and the cycle (c_{i+1} a neighbour of c_i, c_0 of the last) when the nodes of
  // mask (all nodes when it has no words) hold a cycle of adj.
  bool find(const matrix<int>& adj, const bitmap& mask, std::vector<int>& cycle);

 private:
  int n;
  std::vector<char> inmask, blocked, seen;
  std::vector<int> dist, queue, starts, path;
  std::vector<std::vector<int>> parents;  // reverse arcs inside the mask

  int girth(const matrix<int>& adj);
  void distancesto(int y);
  bool extend(const matrix<int>& adj, int depth, int g);
  bool recorded();
};
