// Working representation of the subset dynamic programming: variable sets as bit masks,
// the sets of one size ranked densely, and each variable's cached families as masks.
//
// Bit b of a mask stands for variable n-1-b. With that mapping the numeric order of
// masks of one size is the key order of the set vectors (element by element in
// variable order, 0 before 1), so that {2} < {1} < {0} for three variables. The sets of
// size k are ranked 0..C(n,k)-1 in that order by the combinatorial number system:
// rank = sum over the set bits c_1 < c_2 < ... < c_k of C(c_i, i).
#pragma once

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <cstdint>
#include <vector>

#include "io/io.hh"

namespace dpsets {

using setmask = uint32_t;
constexpr int maxvars = 32;

// Binomial coefficients C(a, b) for 0 <= a, b <= 32 (0 when b > a).
class binomials {
 public:
  binomials();
  uint64_t operator()(int a, int b) const { return table[a][b]; }

 private:
  uint64_t table[maxvars + 1][maxvars + 1];
};

inline setmask bit_of(int n, int variable) { return setmask(1) << (n - 1 - variable); }
inline int variable_of(int n, int bit) { return n - 1 - bit; }

// The rank of a mask among the masks with as many bits.
uint64_t rank_of(const binomials& c, setmask set);

// The next mask with as many bits in numeric order (Gosper's method).
inline setmask next_same_size(setmask set) {
  const setmask low = set & (~set + 1);
  const setmask ripple = set + low;
  return (((ripple ^ set) >> 2) / low) | ripple;
}

// Each variable's cache entries that agree with its row of the allowance matrix, best
// first, as parent masks (the variable's own bit cleared) with their scores and their
// positions in the variable's cache list. Every variable's run ends with a sentinel of
// mask 0, so a scan for the first entry inside a set needs no bound check: reaching the
// sentinel means that no entry is admissible. Three more sentinels close the array, so
// a scan may read up to three masks past its own sentinel.
class familytable {
 public:
  explicit familytable(const io& d);

  // The first entry of j (best first) whose parents all lie in `inside`; returns
  // end(j) when there is none. Four masks are tested per step (SSE2): the scans are the
  // bulk of the search, 10 to 170 entries each on the 20-25 variable score files, and
  // the wide test took a 25-variable search from 23 s to 11 s of processor time.
  int first_inside(int j, setmask inside) const {
    const setmask* m = masks.data() + start[j];
#ifdef __SSE2__
    const __m128i outside = _mm_set1_epi32(int(~inside));
    const __m128i zero = _mm_setzero_si128();
    for (int e = 0;; e += 4) {
      const __m128i group = _mm_loadu_si128(reinterpret_cast<const __m128i*>(m + e));
      const int hits = _mm_movemask_ps(
          _mm_castsi128_ps(_mm_cmpeq_epi32(_mm_and_si128(group, outside), zero)));
      if (hits != 0) return start[j] + e + __builtin_ctz(unsigned(hits));
    }
#else
    const setmask outside = ~inside;
    int e = 0;
    while (m[e] & outside) ++e;
    return start[j] + e;
#endif
  }
  // The score of j's best entry; -infinity when j has none.
  double top(int j) const { return tops[j]; }
  int end(int j) const { return start[j + 1] - 1; }
  double score(int e) const { return scores[e]; }
  int origin(int e) const { return origins[e]; }

 private:
  std::vector<setmask> masks;
  std::vector<double> scores;
  std::vector<int> origins;
  std::vector<double> tops;
  std::vector<int> start;  // run of variable j: start[j] .. start[j+1]-1, sentinel last
};

}  // namespace dpsets
