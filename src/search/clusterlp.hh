// clusterlp: the LP relaxation of the program, held in one COIN-OR CLP simplex object
// for the whole search, and the pool of every cluster constraint found so far.
//
// Rows 0..n-1 are the convexity rows (each variable takes families summing to 1); every
// later row is a cut over a cluster C and an order k: the families of C's members with
// at least k parents in C sum to at most |C| - k (k = 1 is the cluster constraint; a DAG
// restricted to C has at most |C| - k members with k parents inside). A row is written
// in whichever of two equivalent forms has fewer coefficients: that one, or, by the
// convexity rows, the other families of the members summing to at least k.
//
// Columns: the simplex holds only the active columns, at first each variable's cheapest
// families; after every solve the others are priced with the row prices, and those with
// a negative reduced cost join. All callers speak of model columns (ilpmodel indices);
// x() and reducedcosts() are dense over them. Column upper bounds carry the node's
// fixings; a column fixed for good (fix) stays at 0 and leaves the simplex.
//
// Cuts: all ever found stay in the pool; a row slack for `stale` solves in a row leaves
// the LP (only while its slack is basic, so the basis stays dual feasible) and returns
// when a solution violates it again. Every solve is a dual simplex from the last basis,
// or from a node's saved basis (savebasis, loadbasis).
//
// Bounds are proved from duals, not read off the simplex: for any row prices y with the
// right signs, y.b plus the sum over all model columns of min(d_j l_j, d_j u_j),
// d = c - A'y, bounds the loss of every solution within the column bounds, whatever the
// simplex tolerances and whichever columns are active; bound() recomputes it.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "search/ilpmodel.hh"

class ClpSimplex;

class clusterlp {
 public:
  explicit clusterlp(const ilpmodel& m);
  ~clusterlp();

  enum outcome { optimal, pruned, failed };

  // Dual simplex from the current basis, then pricing until no column improves;
  // pruned when infeasible or when the proved loss reaches cutoffloss.
  outcome solve(double cutoffloss);
  const double* x() const { return xs.data(); }
  double value() const;       // the simplex objective, the total loss
  double bound() const { return proved; }  // the proved lower bound (after solve)
  const std::vector<double>& reducedcosts() const { return dj; }  // of bound()
  long iterations() const { return pivots; }
  long trialiterations() const { return trialpivots; }
  int active() const { return int(modelcol.size()); }

  // Strong branching: begintrials() saves the basis of the solved LP; trial() solves
  // it with the given columns' upper bounds at 0, at most `pivots` dual pivots, and
  // returns the dual objective reached (+infinity when the trial passes cutoffloss or
  // is infeasible, -infinity when it says nothing), then puts the bounds and the basis
  // back; endtrials() re-solves the saved basis so that x() and bound() are the LP's.
  void begintrials();
  double trial(const std::vector<int>& columns, int pivots, double cutoffloss);
  void endtrials();

  // A compact basis: the columns not at their lower bound and the rows not basic, each
  // as (index << 3 | status), columns by model index, cut rows by pool index. Loading
  // brings back the columns and cut rows it names; other rows are basic.
  void savebasis(std::vector<uint32_t>& out) const;
  void loadbasis(const std::vector<uint32_t>& in);

  // Adds cuts (S words each: W words of members, then k) to the pool and their rows to
  // the LP when x violates them by more than minviolation; returns the rows added.
  int addcuts(const std::vector<setword>& cuts, double minviolation);
  // Puts back the pooled cuts that x violates by more than minviolation.
  int restorepooled(double minviolation);
  // Takes out rows slack at the current solution for `stale` solves in a row.
  int dropslack(int stale);
  int rows() const;           // cut rows in the LP
  int pooled() const { return int(pool.size()) / S; }

  double upper(int j) const { return ub[j]; }
  // Sets column j's upper bound, except for a column fixed for good.
  void setupper(int j, double u);
  // Fixes column j to 0 for the rest of the search (a proof says it cannot improve).
  void fix(int j);
  bool live(int j) const { return !dead[j]; }
  // Removes the columns fixed for good from the simplex.
  void compact();

 private:
  const ilpmodel& m;
  const int n, W, S;
  std::unique_ptr<ClpSimplex> lp;
  // Columns.
  std::vector<double> ub;        // per model column, its upper bound (0 or 1)
  std::vector<char> dead;        // per model column, fixed to 0 for good
  std::vector<int> lpcol;        // per model column, its simplex column or -1
  std::vector<int> modelcol;     // per simplex column from n on, its model column; the
                                 // first n are the variables' artificial columns
  bool artificial = false;       // whether the last solution uses one
  std::vector<double> xs;        // per model column, the solution
  std::vector<int> nonzero;      // the model columns with a nonzero in xs, ascending
  std::vector<int> supportat;    // per variable, its run of nonzero (n + 1 entries)
  std::vector<double> dj;        // per model column, the reduced cost of bound()
  std::vector<double> price;     // per row, the prices of bound(), signs clipped
  std::vector<double> base;      // per variable, see provebound
  std::vector<double> reach;     // per variable and parent, see provebound
  // Rows: per cut row (from n on), its pool cut, solves slack in a row, and whether it
  // is written in the hitting form (<= |C| - k) or the other (>= k).
  std::vector<setword> pool;
  std::vector<int> poolrow;      // per pool cut, its row or -1
  std::vector<int> rowcut;
  std::vector<int> age;
  std::vector<char> hitform;
  std::vector<std::vector<int>> rowsof;  // per variable, the cut rows over it
  std::vector<std::vector<int>> priced;  // the same at a nonzero price (provebound)
  bool rowsofstale = true;
  double proved = 0.0;
  long pivots = 0, trialpivots = 0;
  // Strong-branching state.
  std::vector<unsigned char> savedstatus;
  std::vector<double> savedx, saveddj;
  double savedproved = 0.0;
  // Scratch for building rows and columns.
  std::vector<int> cols, other, rowstarts, pending;
  std::vector<double> lower, upperrhs;

  void activate(const std::vector<int>& columns);
  bool coefficient(int j, int row) const;
  double reducedcost(int j) const;
  int pricein();
  void gather();
  double provebound();
  double excess(const setword* cut) const;  // of x(): > 0 when violated
  void indexsupport();
  void appendrow(int cut);
  void flushrows();
  void indexrows();
};
