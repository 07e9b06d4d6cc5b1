// familymasks: the parents of every cached family as bit masks, for searches that test
// many cached families against a structure: comparing or listing parents then costs a
// few word operations instead of a pass over n bytes.
//
// For variable v and entry e, W words hold bit q (word q/64, bit q%64) for every q != v
// whose byte in the family vector is positive; v's own byte is left out.
#pragma once

#include <vector>

#include "core/wordset.hh"
#include "io/io.hh"

class familymasks {
 public:
  explicit familymasks(const io& d);

  const int W;
  const setword* of(int v, int e) const { return &bits[at[size_t(v)] + size_t(e) * W]; }

  // The same mask for a family vector (n x 1) of variable v, written to out (W words).
  void maskof(int v, const matrix<char>& family, setword* out) const;
  bool equal(const setword* a, const setword* b) const { return sameset(a, b, W); }

 private:
  std::vector<setword> bits;
  std::vector<size_t> at;
};

// Row i of parent lists (core/graph.hh form) from a mask: its bits in increasing order,
// the list getAdj makes from a structure row holding the family.
inline void setparentlist(matrix<int>& parents, int i, const setword* mask, int W) {
  int count = 0;
  forbits(mask, W, [&](int q) { parents(i, ++count) = q; });
  parents(i, 0) = count;
}

