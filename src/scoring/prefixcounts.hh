// prefixcounts: counting the families that the cache construction scores one after
// another, E + v for a parent set E and several v above every parent of E.
//
// Notation as in score.hh. Identical records are merged once into one row with a
// weight (alarm-cl_10000: 6122 rows of 10000 records), kept as byte columns padded with
// rows of weight 0 to whole blocks. A level of the prefix E (parents p_1 < ... < p_d)
// holds, per row, the rank of its configuration of E among the configurations that
// occur, in configuration order (16 bits: the fast path takes at most 65536 rows). A
// level is made from the level below by ranking rank * r_p + value of p, so the
// levels of a common prefix are shared by the sets that follow one another in set
// order, whatever the child.
//
// A family E + v with child c has then the cell (rank * r_v + value of v) * r + value
// of c in a table of (ranks of E) x r_v x r cells: scorefamily's q x r table without
// the configurations no record has, in the same order. Those add nothing to a score,
// so the score is the same to the bit. Against scorefamily, which passes over every
// record once per family member, this is one pass per family over fewer rows, in 16-bit
// lanes when the table has at most 65536 cells, and a table that shrinks to what
// occurs (6 of alarm-cl's parents leave 223 of about 2000 configurations occupied).
//
// Grow-only scratch that the memory counter ignores, like the count tables of score.
#pragma once

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

  // Makes the top level the prefix of the parents vars[0] < ... < vars[count-1] with
  // their numbers of states; keeps the levels that the previous call shares.
  void setparents(const int* vars, const int* states, int count);
  int depth() const { return top; }
  int var(int d) const { return levels[size_t(d) + 1].var; }
  int states(int d) const { return levels[size_t(d) + 1].states; }

  // Configurations of the top prefix that occur.
  long observed() const { return long(levels[size_t(top)].observed); }
  // Rows of weight > 0.
  int rows() const { return count; }
  // Adds each row's weight to its cell of the family top prefix + extra (rv states)
  // with child c (r states) in table, of observed() * rv * r cells.
  void fill(int extra, uint32_t rv, int c, uint32_t r, uint32_t* table);
  // The cells of the rows in increasing order, with their weights.
  void sortcells(int extra, uint32_t rv, int c, uint32_t r, std::vector<uint32_t>& cells,
                 std::vector<uint32_t>& weights);

 private:
  struct level {
    int var = -1;
    int states = 0;
    uint32_t observed = 1;
    std::vector<uint16_t> rank;  // per row, 0 on the padding
  };

  bool bound_ = false;
  int count = 0;   // rows
  int padded = 0;  // rows rounded up to whole blocks
  std::vector<uint8_t> bytes;     // padded x variables, column-major
  std::vector<uint32_t> weight;   // records per row, 0 on the padding
  std::vector<level> levels;      // levels[0] holds no parent
  int top = 0;
  std::vector<uint16_t> keys16;
  std::vector<uint32_t> keys32, slots, banks, tocell, toweight;

  const uint8_t* column(int v) const { return bytes.data() + size_t(v) * size_t(padded); }
  void push(int var, int states);
  template <typename K>
  void numberkeys(const K* key, size_t table, level& out);
  void cellkeys(int extra, uint32_t rv, int c, uint32_t r);
};
