// Cycle and strong-component routines on structure matrices and adjacency lists.
//
// Structure matrix: n x n matrix<char>, element (child, parent) > 0 means parent -> child;
// the diagonal is ignored. Adjacency list: n x n matrix<int>, element (v, 0) the number of
// neighbours, (v, 1..count) the neighbours in increasing order. A cycle is an L x 1
// matrix<int> in arc order; an empty matrix means no cycle.
#pragma once

#include <list>
#include <set>

#include "core/bitmap.hh"
#include "core/matrix.hh"

using cycleset = std::set<matrix<int>>;

// Children lists: for node i, every k != i with S(k, i) > 0. node >= 0 rebuilds that row only.
void getAdjChild(const matrix<char>& S, matrix<int>& adj, int node);
// Parent lists: for node i, every k != i with S(i, k) > 0. node >= 0 rebuilds that row only.
void getAdj(const matrix<char>& S, matrix<int>& adj, int node);

// The first cycle met by an iterative depth-first search along child-to-parent arcs.
matrix<int> acyclic(const matrix<char>& S);

// Cycles over an adjacency list, restricted to the nodes of mask (all when it has no words).
cycleset acyclicAdj(const matrix<int>& adj, bool firstonly, const bitmap& mask);

// Tarjan's strong components, sized once for n nodes and reused: each strongcomp call
// resets every per-run field. After a run, components holds the non-trivial components
// found (newest first; one empty bitmap when there is none), below the nodes reachable
// from any of them less the first, rest every node in neither. index is 10000 for
// nodes outside the mask.
class tarjan {
 public:
  static const bitmap incstd;

  int counter = 1;
  matrix<int> stack;
  matrix<int> index;
  matrix<int> lowlink;
  matrix<char> onstack;
  int stacksize = 0;
  int nodes = 0;
  int target = -1;
  char found = 0;
  std::list<bitmap> components;
  bitmap rest;
  bitmap below;

  explicit tarjan(int n);

  bool strongcomp(const matrix<int>& adj, int target = -1, const bitmap& mask = incstd);
  bool strongcompaux1(const matrix<int>& adj, int target, const bitmap& mask);
  void strongcompaux(const matrix<int>& adj, int v);
  void marcadown(const matrix<int>& adj, bitmap& seen, int v);
};
