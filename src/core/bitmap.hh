// bitmap: a fixed-width bit set in 32-bit words (bit b in word b/32 at position b%32).
// Used over the variables and over the entries of one variable's cached parent-set
// list. A bitmap for k bits has (k-1)/32+1 words (none for k <= 0); bits beyond k stay
// 0. While it holds storage it accounts (4w + 24) / 1024 KB in resources::memkbs.
//
// A parent-set selection is an array of n bitmaps, bitmap i over variable i's list:
// bit c set means entry c is allowed. Lists are in ascending score order, so the
// highest set bit is the best allowed parent set.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "core/matrix.hh"

// One variable's cached parent sets: (local score, n x 1 parent-set vector with 1 at
// each parent and at the variable itself), ascending by score, best last.
using parentsetlist = std::vector<std::pair<double, matrix<char>>>;

class bitmap {
 public:
  explicit bitmap(int bits = 0);
  bitmap(const bitmap& other);
  bitmap(bitmap&& other) noexcept;
  ~bitmap();
  bitmap& operator=(const bitmap& other);
  bitmap& operator=(bitmap&& other) noexcept;

  int gN() const { return w; }
  uint32_t* words() { return data; }
  const uint32_t* words() const { return data; }

  void set(int b) { data[b >> 5] |= 1u << (b & 31); }
  void reset(int b) { data[b >> 5] &= ~(1u << (b & 31)); }
  bool test(int b) const { return (data[b >> 5] >> (b & 31)) & 1u; }
  void clearall();
  void setfirst(int bits);  // sets bits 0..bits-1, clears the rest
  int sum() const;
  bool empty() const;
  // Index of the highest set bit, -1 when empty. Inline: branch-and-bound asks it of
  // every variable of every node.
  int highest() const {
    for (int k = w - 1; k >= 0; --k)
      if (data[k] != 0) return 32 * k + 31 - __builtin_clz(data[k]);
    return -1;
  }
  int lowest() const;   // index of the lowest set bit, -1 when empty
  void keeponly(int b);  // clears every bit but b (b must be set)

  static bool frombitmap(const bitmap* sel, matrix<char>& structure, const parentsetlist* lists);
  static bool upperfrombitmap(const bitmap* sel, matrix<char>& structure,
                              const parentsetlist* lists);
  static void printbitmap(const bitmap* sel, unsigned count, const parentsetlist* lists);

 private:
  uint32_t* data = nullptr;
  int w = 0;

  void allocate(int words);
  void release();
};
