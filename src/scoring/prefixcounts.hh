// prefixcounts: counting the families that the cache construction scores one after
// another, E + v for a parent set E and several v above every parent of E, with a
// fixed child c.
//
// Notation as in score.hh. Identical records are merged once into one row with a
// weight (alarm-cl_10000: 6122 rows of 10000 records). A level of the prefix p_1 < ...
// < p_d numbers the configurations of its parents that occur, in configuration order
// (16-bit ranks: the fast path takes at most 65536 rows). A level is made from the
// level below by numbering rank * r_p + value of p, so the levels of a common prefix are
// shared by the sets that follow one another in set order.
//
// Groups. Rows that agree on the level's configuration, on c and on every variable
// above p_d fall into the same cell of every family E + v whose parents above p_d are
// all above it, and into the same group of every deeper level. A level therefore holds
// groups, each with its rank, child value, total weight and a representative row, and
// counting passes over the groups instead of the rows. For this the rows are sorted by
// (x_{n-1}, ..., x_0 without c, then c): the rows that agree on every variable above m
// but c are then a run (a class of m), and a class of m' > m a union of consecutive
// classes of m, so a level's groups come out of the level below in one pass. On
// alarm-cl_10000, BIC, variable 5, a level has 2081 groups on average (of 6122 rows).
//
// Set E = F + a (a its last parent) is counted on the level of F: the family E + v has
// the cell ((rank * r_a + value of a) * r_v + value of v) * r + value of c in a table
// over F's configurations that occur times r_a x r_v x r: scorefamily's q x r table
// without some configurations no record has, in the same order. Those add nothing to
// a score, so the score is the same to the bit. The level of E itself is never made:
// merging F's groups for E cost more than E's few families save (variable 5 above took
// 6.7 s with such levels, 3.5 s without). A level keeps the values of the variables above
// p_d per group once they are used, so the cells are computed without scattered reads,
// in vector code (variable 5: 3.5 s to 3.2 s, variable 20: 14.0 s to 11.2 s). When
// asked (rankprefix), the configurations rank * r_a + value of a that occur are numbered
// once per prefix and the tables hold only those: BDeu scans every cell of its tables
// (insurance-cl_10000 BDeu, 1000 records, variable 0: 16.8 s unnumbered, 12.3 s
// numbered, 14.4 s before the groups), BIC/AIC skip the empty cells cheaply and number
// only where the table would otherwise be too large to count densely.
//
// Grow-only scratch that the memory counter ignores, like the count tables of score.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "scoring/columns.hh"

class prefixcounts {
 public:
  // The most rows, and so ranks, a 16-bit rank holds.
  static constexpr int most = 65536;

  // Merges the records of a compact column store; false (and unbound) when more than
  // `most` distinct records remain.
  bool bind(const columnstore& columns, int records);
  void unbind() { bound_ = false; }
  bool bound() const { return bound_; }

  // Makes the prefix the parents vars[0] < ... < vars[count-1] with their numbers of
  // states, for families with child `child` of r states; keeps the levels that the
  // previous call shares (none when the child changes).
  void setparents(int child, int r, const int* vars, const int* states, int count);
  int depth() const { return top + (lastvar >= 0 ? 1 : 0); }
  int var(int d) const { return d < top ? levels[size_t(d) + 1].var : lastvar; }
  int states(int d) const { return d < top ? levels[size_t(d) + 1].states : laststates; }

  // Configurations of the prefix in the family tables.
  long observed() const;
  // Makes the tables of the prefix's families hold only the configurations of the whole
  // prefix that occur: smaller tables, for the price of numbering them.
  void rankprefix();
  // Groups counted per family.
  int groups() const { return levels[size_t(top)].size; }
  int rows() const { return count; }
  // Adds each group's weight to its cell of the family prefix + extra (rv states) with
  // the child (r states) in table, of observed() * rv * r cells.
  void fill(int extra, uint32_t rv, uint32_t r, uint32_t* table);
  // An upper bound of the log-likelihood sum_jk N_jk ln(N_jk / N_j) of every family
  // prefix + v with v above the prefix's last parent: the log-likelihood of the prefix
  // without its last parent, with all the variables above that one's predecessor (but
  // the child) added, a partition that refines the family's. Computed once per level,
  // in another order of additions than the family's sum: callers allow for rounding.
  double loglikbound();
  // The cells of the groups in increasing order, with their weights.
  void sortcells(int extra, uint32_t rv, uint32_t r, std::vector<uint32_t>& cells,
                 std::vector<uint32_t>& weights);

 private:
  struct level {
    int var = -1;  // p_d; -1 at the level without parents
    int states = 0;
    uint32_t observed = 1;
    int size = 0;   // groups
    int padded = 0; // groups rounded up to whole blocks; the padding has weight 0
    bool boundready = false;  // llbound holds loglikbound() of this level
    double llbound = 0;
    // Per group, in increasing order of first; the arrays only grow.
    std::vector<uint16_t> first;  // a row of its class (row 0 on the padding)
    std::vector<uint16_t> rank;
    std::vector<uint8_t> own;     // its child value
    std::vector<uint32_t> weight;
    // values[v * padded + g]: the value of variable v in group g, where ready[v].
    bool keeps = false;
    std::vector<uint8_t> values, ready;
    void grow(size_t most);
  };

  bool bound_ = false;
  int count = 0;  // rows
  int vars = 0;
  int child = -1;                  // the child the rows are sorted for
  int childstates = 0;
  std::vector<uint8_t> bytes;      // count x vars, column-major
  std::vector<uint32_t> weight;    // records per row
  std::vector<int> split;          // per row: see sortfor
  std::vector<level> levels;       // levels[0] holds no parent
  int top = 0;                     // the level of the prefix without its last parent
  int lastvar = -1, laststates = 1;  // the last parent; -1 (and 1 state) if none
  // The ranks of the whole prefix per group of level top, where ranked.
  bool ranked = false;
  uint32_t topobserved = 1;
  std::vector<uint16_t> toprank;
  std::vector<uint32_t> keys, slots, banks, tocell, toweight, totals;
  std::vector<uint16_t> keys16;
  std::vector<uint64_t> latest;
  std::vector<double> xlogxs;      // k ln k for whole k up to 65536 and the records
  uint32_t classes = 0;            // classes numbered so far
  std::vector<uint8_t> moved, scratch, scratch2, zeros;

  const uint8_t* column(int v) const { return bytes.data() + size_t(v) * size_t(count); }
  void sortfor(int c, int r);
  double xlogx(uint32_t k) const {
    return k < xlogxs.size() ? xlogxs[k] : double(k) * std::log(double(k));
  }
  const uint8_t* valuesof(level& at, int v, std::vector<uint8_t>& spare);
  void makeroom(level& at);
  void push(int var, int states);
  uint32_t numberkeys(size_t table);
  void mergegroups(const level& below, level& out);
  uint64_t* stamps(size_t keys, size_t many);
  template <typename K>
  void cellkeys(int extra, uint32_t rv, uint32_t r, K* out);
};
