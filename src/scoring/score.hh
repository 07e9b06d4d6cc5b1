// score: the sufficient statistics of one family (a child and a candidate parent set)
// and its decomposable local score under BIC, AIC or BDeu.
//
// Notation: N records, r the child's number of states, q the number of parent
// configurations, N_j the (weighted) records in configuration j, N_jk those of them with
// child state k. Configuration index: mixed radix over the parents in increasing
// variable index, the lowest-indexed parent the most significant digit; cell j*r + k.
//
// The data are read through a column store (scoring/columns.hh) prepared on first use
// for the bound data matrix; the data must not change while a score object is bound.
#pragma once

#include <cstdint>
#include <vector>

#include "core/matrix.hh"
#include "scoring/columns.hh"
#include "scoring/prefixcounts.hh"
#include "scoring/scoresum.hh"

class io;
class params;

class score {
 public:
  int nrecords = 0;
  int nvars = 0;
  const matrix<int>* data = nullptr;
  const std::vector<std::vector<matrix<double>>>* weights = nullptr;
  matrix<int> family;  // n x 1: r at the child, the parents' state counts, 0 elsewhere
  int child = -1;
  int nconfigs = 1;
  int nstates = -1;
  int verbose = 0;
  bool aic = false;
  double alpha = 0.0;

  // The count tables of the current family: views over grow-only arrays that the
  // memory counter ignores, each object its own.
  matrix<double> counts;   // N_j, q x 1
  matrix<double> counts2;  // N_jk at j * r + k, q*r x 1
  std::vector<double> countsdata;
  std::vector<double> counts2data;

  // scorefamily counts tables of more cells than this by sorting the records' cell
  // indices; smaller ones in a dense table (see scorefamily).
  int densecells = 1 << 15;

  score() = default;
  score(const io& d, const params& p);

  // Sets the family, sizes and zeroes the count tables and fills them.
  void update(const matrix<int>& fam, int childvar);
  // Fills the count tables (sized and zeroed by the caller) for the current family.
  void producecounts();
  // The local score of the current counts; fills cpt when it is non-empty on entry.
  // a and b receive the BDeu bound terms and are left alone under BIC and AIC.
  double localscore(matrix<double>& cpt, double& a, double& b);

  // update followed by localscore without a table, to the same bits, but faster: a
  // family without weight vectors is counted in private scratch, so the count tables
  // are left undefined afterwards.
  double scorefamily(const matrix<int>& fam, int childvar, double& a, double& b);

  // Counting from a prefix of parents (scoring/prefixcounts.hh). The cache construction
  // scores, after a parent set E, the sets E + v for several v above every parent of E:
  // setprefix makes the object hold the record classes of the parents of fam (its
  // members but the child), sharing what the previous call's prefix has in common;
  // scoreextension then scores fam, which must be that family plus `extra` above every
  // parent of it, to the same bits as scorefamily. Other families, weight vectors, wide
  // values and debug output take scorefamily's way.
  void setprefix(const matrix<int>& fam, int childvar);
  double scoreextension(const matrix<int>& fam, int childvar, int extra, double& a, double& b);
  // Whether the BIC or AIC score of fam (as for scoreextension) certainly lies strictly
  // between floor and ceiling, known without counting it from a bound of the prefix; false
  // when that is not known (and always under BDeu, with weight vectors or debug output).
  bool extensionwithin(const matrix<int>& fam, int childvar, int extra, double floor,
                       double ceiling);

 private:
  columnstore columns;
  std::vector<int> parents;      // the current family's parents, increasing
  std::vector<int> radix;        // per counted column: its number of states
  std::vector<const uint8_t*> bytecols;
  std::vector<const int*> intcols;
  std::vector<uint32_t> cells;   // per record: its cell j*r + k
  std::vector<uint16_t> cells16; // the same for tables of at most 65536 cells
  bool narrow = false;           // cells16 holds the current indices
  std::vector<uint32_t> sorted;  // radix-sort output
  std::vector<uint32_t> hist;    // dense cell counts
  scoresum sum;

  prefixcounts merged;
  enum class merge { untried, bound, refused };
  merge mergedstate = merge::untried;
  std::vector<int> prefixstates;
  std::vector<uint32_t> mergedcells, mergedweights;
  std::vector<uint32_t> exttable;  // zero between calls: the scan clears what it read

  void setfamily(const matrix<int>& fam, int childvar);
  void prepare();
  bool familycomplete() const;
  void computecells(bool allownarrow);
  void countweighted();
  void spreadrecord(int t, const std::vector<int>& members);
  bool extends(int extra) const;
  template <typename C>
  double densescore(const C* c, long configs, double& a, double& b);
  double scantable(uint32_t* h, long configs, bool clear, double& a, double& b);
  double sparsescore(uint32_t* c, long configs, double& a, double& b);
  double scanruns(const uint32_t* cell, const uint32_t* weight, size_t count, double& a,
                  double& b);
  double finish(double& a, double& b);
};
