// clustercuts: finds cluster constraints that an LP solution violates.
//
// For a set C of at least two variables, at least one member of every acyclic network
// has no parent inside C; in the program's terms, the families of C's members that
// take a parent inside C sum to at most |C| - 1. For a solution x, with w_v(C) the mass
// of v's families that take a parent in C, the violation of C's constraint is
//   viol(C) = 1 - sum over v in C of (1 - w_v(C)),
// so a violated cluster is a set whose members put almost all their mass on families
// with a parent inside it.
//
// The search is exact, as the sub-problem of Bartlett and Cussens (an integer program
// over the families with positive mass), solved here by a depth-first search over the
// variables instead of a solver call. It rests on three facts:
// - a most violated cluster can be taken strongly connected in the support graph (a
//   source component of C is at least as violated as C), so from a seed set IN the
//   search only adds a variable that is a parent of some family of IN;
// - deciding that variable u stays OUT kills every family all of whose parents are
//   OUT; a member's dead mass (1 - its largest possible w) can only grow, and the sum of
//   dead masses over IN bounds the violation of every cluster below the search node;
// - a variable whose own dead mass already closes that bound can only stay OUT, which
//   in turn kills more families (propagated to a fixpoint, undone on backtracking).
// Every seed explores the clusters that contain it and none of the earlier seeds, so
// each cluster is reached once. The search visits at most `budget` nodes per call; on
// an integral solution a cycle is always found (strong components, as a fallback).
#pragma once

#include <vector>

#include "search/ilpmodel.hh"

class clustercuts {
 public:
  explicit clustercuts(const ilpmodel& m);

  // Appends to out (W words each) clusters whose constraint x violates by more than
  // minviolation, at most one per seed, the most violated one the search finds for it.
  // Returns the number appended; nodes receives the search nodes visited.
  int separate(const double* x, int k, double minviolation, long budget,
               std::vector<setword>& out, long& nodes);

  // Triangles violated as 2-clusters: of three variables, at most one takes the two
  // others as parents. Appends cuts with k = 2.
  int triangles(const double* x, double minviolation, std::vector<setword>& out);

  // The strong components (of at least two variables) of the network that gives
  // variable v the family of column chosen[v]; appends their masks and returns how many.
  int cycles(const std::vector<int>& chosen, std::vector<setword>& out);

 private:
  const ilpmodel& m;
  const int n;
  const int W;

  // The support: families with positive mass and at least one parent, grouped by child.
  std::vector<int> famchild;
  std::vector<double> fammass;
  std::vector<int> famat;          // per variable, its families: famat[v] .. famat[v+1]-1
  std::vector<int> famcol;         // per family, its column
  std::vector<int> occurs;         // per variable, the families holding it as a parent
  std::vector<int> occursat;
  // Search state.
  enum : char { undecided, in, out };
  std::vector<char> state;
  std::vector<int> liveparents;    // per family, parents not OUT
  std::vector<int> inparents;      // per family, parents IN
  std::vector<double> alive;       // per variable, the mass of its live families
  std::vector<int> trail;          // variables set, in order, for undoing
  std::vector<int> members;
  int k = 1;                       // the order of the clusters searched
  double deadin = 0.0;             // sum over IN of (1 - alive)
  double target = 0.0;             // a cluster must beat this violation
  long visited = 0;
  long limit = 0;
  std::vector<setword> found;     // the best cluster of the current seed
  double foundviolation = 0.0;

  void load(const double* x);
  bool setout(int u);
  void setin(int u);
  void undo(size_t mark);
  bool propagate();
  double violation() const;
  void dive();
};
