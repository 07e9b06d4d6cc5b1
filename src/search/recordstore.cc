#include "search/recordstore.hh"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

recordstore::recordstore(int recordwords)
    : words(recordwords), tagwords((recordwords + 15) / 16),
      scratch(size_t(tagwords + recordwords), 0u) {
  classes.resize(size_t((recordwords + 3) / 4 + 1));
  for (size_t c = 0; c < classes.size(); ++c) {
    recordclass& rc = classes[c];
    rc.slotwords = headerwords + tagwords + 4 * int(c);
    while (size_t(2) << rc.shift <= size_t(chunkbytes) / (4 * size_t(rc.slotwords))) ++rc.shift;
    rc.perchunk = uint32_t(1) << rc.shift;
  }
}

uint32_t recordstore::newslot(int c) {
  recordclass& rc = classes[size_t(c)];
  if (!rc.freeslots.empty()) {
    const uint32_t index = rc.freeslots.back();
    rc.freeslots.pop_back();
    return index;
  }
  if (rc.used == rc.chunks.size() * rc.perchunk)
    rc.chunks.push_back(std::make_unique<uint32_t[]>(size_t(rc.perchunk) * rc.slotwords));
  return rc.used++;
}

namespace {

// Bit k of the two masks of a group: word k is all ones, or a literal (neither zero nor
// all ones). Full groups compare four words at a time where SSE2 is there (every x86-64
// target); the scalar loop serves the last, shorter group and other targets.
inline void groupmasks(const uint32_t* w, int size, uint32_t& ones, uint32_t& literal) {
  uint32_t zero = 0;
  ones = 0;
#ifdef __SSE2__
  if (size == 16) {
    const __m128i none = _mm_setzero_si128(), all = _mm_set1_epi32(-1);
    for (int q = 0; q < 4; ++q) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(w + 4 * q));
      zero |= uint32_t(_mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(v, none)))) << (4 * q);
      ones |= uint32_t(_mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(v, all)))) << (4 * q);
    }
    literal = ~(zero | ones) & 0xFFFFu;
    return;
  }
#endif
  for (int k = 0; k < size; ++k) {
    zero |= uint32_t(w[k] == 0) << k;
    ones |= uint32_t(w[k] == ~0u) << k;
  }
  literal = ~(zero | ones) & ((1u << size) - 1);
}

// Spreads the 16 low bits of x to the even bits of the result (bit k to bit 2k).
inline uint32_t spread(uint32_t x) {
  x = (x | (x << 8)) & 0x00FF00FFu;
  x = (x | (x << 4)) & 0x0F0F0F0Fu;
  x = (x | (x << 2)) & 0x33333333u;
  return (x | (x << 1)) & 0x55555555u;
}

// The inverse of spread: the even bits of x, packed into the 16 low bits.
inline uint32_t gather(uint32_t x) {
  x &= 0x55555555u;
  x = (x | (x >> 1)) & 0x33333333u;
  x = (x | (x >> 2)) & 0x0F0F0F0Fu;
  x = (x | (x >> 4)) & 0x00FF00FFu;
  return (x | (x >> 8)) & 0x0000FFFFu;
}

// For each 4-bit mask, the four words it stands for (bit j set: word j all ones), so that
// a full group's zero and all-ones words are written four at a time.
struct quadtable {
  uint32_t words[16][4];
  constexpr quadtable() : words() {
    for (int m = 0; m < 16; ++m)
      for (int j = 0; j < 4; ++j) words[m][j] = (m >> j) & 1 ? ~0u : 0u;
  }
};
constexpr quadtable quads;

}  // namespace

// Words go in groups of 16, one tag word each, made from the group's two masks. The
// literals of a group are copied whole when the group holds nothing else, else one by
// one over the set bits of its literal mask.
uint64_t recordstore::put(const uint32_t* in, double key, uint64_t seq) {
  uint32_t* tags = scratch.data();
  uint32_t* literals = tags + tagwords;
  int count = 0;
  for (int g = 0; g < tagwords; ++g) {
    const uint32_t* group = in + 16 * g;
    const int size = words - 16 * g < 16 ? words - 16 * g : 16;
    uint32_t ones, literal;
    groupmasks(group, size, ones, literal);
    tags[g] = spread(ones) | (spread(literal) << 1);
    if (literal == (1u << size) - 1) {
      std::memcpy(literals + count, group, 4 * size_t(size));
      count += size;
    } else {
      for (; literal != 0; literal &= literal - 1)
        literals[count++] = group[__builtin_ctz(literal)];
    }
  }
  const int c = (count + 3) / 4;
  const uint32_t index = newslot(c);
  uint32_t* at = slot(c, index);
  std::memcpy(at, &seq, sizeof seq);
  std::memcpy(at + 2, &key, sizeof key);
  std::memcpy(at + headerwords, tags, 4 * size_t(tagwords + count));
  return (uint64_t(c) << 32) | index;
}

// The inverse, group by group: zero and all-ones words from the tag word, then the
// literals into their places over the set bits of the literal mask.
void recordstore::take(uint64_t handle, uint32_t* out) {
  const int c = int(handle >> 32);
  const uint32_t index = uint32_t(handle);
  classes[size_t(c)].freeslots.push_back(index);  // first: it may need memory
  uint32_t* at = slot(c, index);
  const uint32_t* tags = at + headerwords;
  const uint32_t* literals = tags + tagwords;
  int count = 0;
  for (int g = 0; g < tagwords; ++g) {
    uint32_t* group = out + 16 * g;
    const int size = words - 16 * g < 16 ? words - 16 * g : 16;
    const uint32_t ones = gather(tags[g]);
    uint32_t literal = gather(tags[g] >> 1);
    if (literal == (1u << size) - 1) {
      std::memcpy(group, literals + count, 4 * size_t(size));
      count += size;
      continue;
    }
    if (size == 16) {
      for (int q = 0; q < 4; ++q)
        std::memcpy(group + 4 * q, quads.words[(ones >> (4 * q)) & 15], 16);
    } else {
      for (int k = 0; k < size; ++k) group[k] = 0u - ((ones >> k) & 1u);
    }
    for (; literal != 0; literal &= literal - 1) group[__builtin_ctz(literal)] = literals[count++];
  }
  const uint64_t free = 0;
  std::memcpy(at, &free, sizeof free);
}
