// bcnodes: the open nodes of branch-and-cut and the column fixings that a node means.
//
// A node is the list of arc decisions on its path from the root (parent u of child v
// required or forbidden) and the proved loss bound of its parent. The open list pops the
// smallest bound first and, among equal bounds, the deepest node, so that the two
// children of a node are searched before older nodes of the same bound.
//
// Applying a node sets to 0 the upper bound of every live column that contradicts it: a
// family of v without a required parent or with a forbidden one, and a family of v with
// a parent that v already reaches through required arcs (it would close a cycle). The
// fixings of the previous node are undone first, so the LP only ever sees the columns
// that change.
#pragma once

#include <cstdint>
#include <vector>

#include "search/clusterlp.hh"
#include "search/ilpmodel.hh"

struct arcdecision {
  int parent;
  int child;
  bool required;
};

struct bcnode {
  double bound;  // a lower bound on the loss of every network in the node
  std::vector<arcdecision> path;
  double change = 0.0;  // how far the last decision moved its arc's LP value
  std::vector<uint32_t> basis;  // the parent's final LP basis (clusterlp::savebasis)
};

class bcnodes {
 public:
  bcnodes(const ilpmodel& m, clusterlp& lp);

  void push(bcnode&& node);
  bcnode pop();
  bool empty() const { return heap.empty(); }
  size_t size() const { return heap.size(); }
  double smallestbound() const;  // of the open nodes, +infinity when none
  size_t bytes() const { return storedbytes; }

  // Makes the LP's column bounds those of the node; live columns only.
  void apply(const std::vector<arcdecision>& path);

 private:
  const ilpmodel& m;
  clusterlp& lp;
  std::vector<bcnode> heap;
  size_t storedbytes = 0;
  std::vector<int> nodefixed;       // columns the applied node set to 0
  std::vector<setword> forbidden;  // per variable, W words: parents ruled out
  std::vector<setword> required;   // per variable, W words: parents required
  std::vector<setword> ancestors;  // per variable, W words: through required arcs
};
