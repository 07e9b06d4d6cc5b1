// setlist: (parent set, score) pairs of the cache construction, the sets kept as bit
// strings of `words` 64-bit words in one flat array.
//
// Element k of a set is bit 63 - k%64 of word k/64, so comparing the words from the
// first one as unsigned numbers gives the order of parent-set vectors (lexicographic
// from element 0, 0 before 1), in which every subset precedes its supersets; subset
// tests are one and-not per word.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/bitcount.hh"

namespace setbits {
inline uint64_t bit(int k) { return uint64_t(1) << (63 - (k & 63)); }
inline bool has(const uint64_t* s, int k) { return (s[k >> 6] & bit(k)) != 0; }
inline void add(uint64_t* s, int k) { s[k >> 6] |= bit(k); }
inline void remove(uint64_t* s, int k) { s[k >> 6] &= ~bit(k); }
inline bool less(const uint64_t* a, const uint64_t* b, int words) {
  for (int x = 0; x < words; ++x)
    if (a[x] != b[x]) return a[x] < b[x];
  return false;
}
inline bool subset(const uint64_t* a, const uint64_t* b, int words) {  // a within b
  for (int x = 0; x < words; ++x)
    if ((a[x] & ~b[x]) != 0) return false;
  return true;
}
inline int count(const uint64_t* s, int words) {
  int c = 0;
  for (int x = 0; x < words; ++x) c += bitcount64(s[x]);
  return c;
}
}  // namespace setbits

struct setlist {
  int words = 1;
  std::vector<uint64_t> keys;
  std::vector<double> values;

  size_t size() const { return values.size(); }
  const uint64_t* key(size_t e) const { return keys.data() + e * words; }
  void push(const uint64_t* k, double v) {
    keys.insert(keys.end(), k, k + words);
    values.push_back(v);
  }
  void clear() {
    keys.clear();
    values.clear();
  }
  void erase(size_t e);
  void sortbyset();
  // Index of the set in a list in set order, or -1.
  long find(const uint64_t* k) const;
};
