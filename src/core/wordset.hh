// Variable sets as rows of 64-bit words, the form every hot loop outside `bitmap` uses
// (graph rows, cycle finder, family masks, elimination, cache construction): variable k
// is bit k % 64 of word k / 64, the lowest variable in the lowest bit; a set over n
// variables takes wordsfor(n) words, and the bits at n and above stay 0. The subset
// dynamic programming alone numbers its bits the other way round (see dynprog_sets.hh).
#pragma once

#include <cstdint>

using setword = uint64_t;

// Words per set over n variables; at least one, so that a row is never empty.
inline int wordsfor(int n) { return n > 64 ? (n + 63) / 64 : 1; }

inline setword bitof(int k) { return setword(1) << (k & 63); }
inline bool hasbit(const setword* s, int k) { return (s[k >> 6] >> (k & 63)) & 1; }
inline void addbit(setword* s, int k) { s[k >> 6] |= bitof(k); }
inline void dropbit(setword* s, int k) { s[k >> 6] &= ~bitof(k); }

// The index of the lowest set bit of a word that is not 0.
inline int lowestbit(setword w) { return __builtin_ctzll(w); }

// Bit counts. Without the POPCNT instruction (the default x86-64 target) the
// compiler's builtin is a call into the support library; the branch-free SWAR sum below
// is inline and a few times faster there (on sensors_5456 the call took 7% of a
// branch-and-bound run). With POPCNT enabled the builtin is one instruction.
inline int bitcount64(uint64_t x) {
#ifdef __POPCNT__
  return __builtin_popcountll(x);
#else
  x = x - ((x >> 1) & 0x5555555555555555ull);
  x = (x & 0x3333333333333333ull) + ((x >> 2) & 0x3333333333333333ull);
  x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Full;
  return int((x * 0x0101010101010101ull) >> 56);
#endif
}
inline int bitcount32(uint32_t x) { return bitcount64(x); }

inline int setsize(const setword* s, int words) {
  int c = 0;
  for (int w = 0; w < words; ++w) c += bitcount64(s[w]);
  return c;
}

// Calls visit(k) for every member k of a set, in increasing order.
template <typename Visit>
void forbits(const setword* s, int words, Visit visit) {
  for (int w = 0; w < words; ++w)
    for (setword bits = s[w]; bits != 0; bits &= bits - 1) visit(64 * w + lowestbit(bits));
}

// Whether two sets share a member.
inline bool meet(const setword* a, const setword* b, int words) {
  for (int w = 0; w < words; ++w)
    if ((a[w] & b[w]) != 0) return true;
  return false;
}

// Whether a lies within b.
inline bool within(const setword* a, const setword* b, int words) {
  for (int w = 0; w < words; ++w)
    if ((a[w] & ~b[w]) != 0) return false;
  return true;
}

inline bool sameset(const setword* a, const setword* b, int words) {
  for (int w = 0; w < words; ++w)
    if (a[w] != b[w]) return false;
  return true;
}

// The order of parent-set vectors: element by element from variable 0, a set without
// the first differing variable before the one with it. Every subset precedes its
// supersets.
inline bool setless(const setword* a, const setword* b, int words) {
  for (int w = 0; w < words; ++w) {
    const setword differ = a[w] ^ b[w];
    if (differ != 0) return (a[w] & differ & (~differ + 1)) == 0;
  }
  return false;
}
