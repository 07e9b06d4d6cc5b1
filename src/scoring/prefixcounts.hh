// prefixcounts: the records merged into weighted classes for counting the families that
// the cache construction scores after one another: E + v for a parent set E and several
// v above every parent of E.
//
// Notation as in score.hh. The records are sorted once so that those agreeing on every
// variable above a threshold u are adjacent for every u (ordered by the highest variable
// first), and identical records are merged into one row with a weight. A level of the
// prefix E (its parents p_1 < ... < p_d) holds classes of rows: each with a
// representative record, a weight, the rank of its configuration of E among the
// configurations that occur (in configuration order) and its child state. Two rows that
// agree on that rank, on the child and on every variable above p_d count alike in every
// family E + v with v > p_d, so they are one class. A level is made from the level below
// by ranking (rank * r_v + value of v) and merging the classes that now agree; there are
// far fewer classes than records once p_d is high (alarm-cl_10000 with p_d = 28 and 6
// parents: about 1900 classes of 10000 records).
//
// A family E + v is then counted with one pass over E's classes into a table of (ranks
// of E) x r_v x r cells: its q x r table without the configurations no record has, in
// the same order. Those add nothing to a score, so the score is the same to the bit.
//
// Grow-only scratch that the memory counter ignores, like the count tables of score.
#pragma once

#include <cstdint>
#include <vector>

#include "scoring/columns.hh"

class prefixcounts {
 public:
  // Sorts and merges the records of a compact column store.
  void bind(const columnstore& columns, int records);
  void unbind() { source = nullptr; }
  bool bound() const { return source != nullptr; }

  // Makes the top level the prefix of the parents vars[0] < ... < vars[count-1] with
  // their numbers of states, for the given child with r states; keeps the levels that
  // the previous call shares.
  void setparents(const int* vars, const int* states, int count, int child, int r);
  int depth() const { return top; }
  int var(int d) const { return levels[size_t(d) + 1].var; }
  int states(int d) const { return levels[size_t(d) + 1].states; }
  int child() const { return childvar; }

  // The number of configurations of the family top prefix + a variable of rv states.
  long configurations(int rv) const { return long(levels[size_t(top)].observed) * rv; }
  // The number of classes of the top level.
  size_t classes() const { return levels[size_t(top)].rep.size(); }
  // Adds every class's weight to its cell of table (configurations(rv) x r, zeroed).
  void fill(int extra, uint32_t rv, uint32_t r, uint32_t* table) const;
  // The classes' cells in increasing order, with their weights.
  void sortcells(int extra, uint32_t rv, uint32_t r, std::vector<uint32_t>& cells,
                 std::vector<uint32_t>& weights);

 private:
  struct level {
    int var = -1;
    int states = 0;
    uint32_t observed = 1;        // configurations of the prefix that occur
    std::vector<uint32_t> rep;    // a record of the class
    std::vector<uint32_t> weight; // its number of records
    std::vector<uint32_t> rank;   // its configuration's rank
    std::vector<uint8_t> own;     // its child state
    // The highest variable in which the class's first record differs from the last one
    // of the class before it (the number of variables for the first class).
    std::vector<int32_t> split;
    void clear();
  };

  const columnstore* source = nullptr;
  int nvars = 0;
  std::vector<uint32_t> rows;     // the merged records in sorted order
  std::vector<uint32_t> rowweight;
  std::vector<int32_t> rowsplit;
  std::vector<level> levels;      // levels[0] holds no parent
  int top = 0;
  int childvar = -1;
  int childstates = 0;
  // Scratch of push and sortcells.
  std::vector<uint32_t> keys, slots, where, stamp, spare, sparew;
  uint32_t generation = 0;

  void startroot(int child, int r);
  void push(int var, int states);
};
