// familymasks: the parents of every cached family as bit masks, for searches that test
// many cached families against a structure: comparing or listing parents then costs a
// few word operations instead of a pass over n bytes.
//
// For variable v and entry e, W words hold bit q (word q/64, bit q%64) for every q != v
// whose byte in the family vector is positive; v's own byte is left out.
#pragma once

#include <cstdint>
#include <vector>

#include "io/io.hh"

class familymasks {
 public:
  explicit familymasks(const io& d);

  const int W;
  const uint64_t* of(int v, int e) const { return &bits[at[size_t(v)] + size_t(e) * W]; }

  // The same mask for a family vector (n x 1) of variable v, written to out (W words).
  void maskof(int v, const matrix<char>& family, uint64_t* out) const;
  bool equal(const uint64_t* a, const uint64_t* b) const;

 private:
  std::vector<uint64_t> bits;
  std::vector<size_t> at;
};

// Calls visit(q) for every bit q of a W-word mask, in increasing order.
template <typename Visit>
void forbits(const uint64_t* mask, int W, Visit visit) {
  for (int w = 0; w < W; ++w)
    for (uint64_t word = mask[w]; word != 0; word &= word - 1)
      visit(64 * w + __builtin_ctzll(word));
}

// Row i of parent lists (core/graph.hh form) from a mask: its bits in increasing order,
// the list getAdj makes from a structure row holding the family.
inline void setparentlist(matrix<int>& parents, int i, const uint64_t* mask, int W) {
  int count = 0;
  forbits(mask, W, [&](int q) { parents(i, ++count) = q; });
  parents(i, 0) = count;
}

// Whether two W-word masks share a bit.
inline bool meet(const uint64_t* a, const uint64_t* b, int W) {
  for (int w = 0; w < W; ++w)
    if ((a[w] & b[w]) != 0) return true;
  return false;
}
