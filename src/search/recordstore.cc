#include "search/recordstore.hh"

#include <algorithm>

#include "core/bitcount.hh"

recordstore::recordstore(int recordwords)
    : words(recordwords), tagwords((recordwords + 15) / 16),
      scratch(size_t(tagwords + recordwords + 1), 0u) {
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
  // The spare word after the last slot lets take read one literal past a record's end
  // (see there).
  if (rc.used == rc.chunks.size() * rc.perchunk)
    rc.chunks.push_back(std::make_unique<uint32_t[]>(size_t(rc.perchunk) * rc.slotwords + 1));
  return rc.used++;
}

namespace {

constexpr uint32_t literalbits = 0xAAAAAAAAu;  // the high bit of each 2-bit tag

// The 2-bit tag of a word.
inline uint32_t tagof(uint32_t w) { return w == 0 ? 0u : w == ~0u ? 1u : 2u; }

}  // namespace

// Words go in groups of 16, one tag word each. A group of literals only, or of none,
// is copied whole or skipped (on sensors_5456 most groups are one or the other); a mixed
// group is written branch-free: every word goes to the literal area and the cursor
// moves only past literals.
uint64_t recordstore::put(const uint32_t* in, double key, uint64_t seq) {
  uint32_t* tags = scratch.data();
  uint32_t* literals = tags + tagwords;
  int count = 0;
  for (int g = 0; g < tagwords; ++g) {
    const int first = 16 * g;
    const int size = words - first < 16 ? words - first : 16;
    uint32_t tagword = 0;
    for (int k = 0; k < size; ++k) tagword |= tagof(in[first + k]) << (2 * k);
    tags[g] = tagword;
    const int groupliterals = bitcount32(tagword & literalbits);
    if (groupliterals == size) {
      std::memcpy(literals + count, in + first, 4 * size_t(size));
    } else if (groupliterals > 0) {
      int at = count;
      for (int k = 0; k < size; ++k) {
        literals[at] = in[first + k];
        at += int(tagword >> (2 * k + 1)) & 1;
      }
    }
    count += groupliterals;
  }
  const int c = (count + 3) / 4;
  const uint32_t index = newslot(c);
  uint32_t* at = slot(c, index);
  std::memcpy(at, &seq, sizeof seq);
  std::memcpy(at + 2, &key, sizeof key);
  std::memcpy(at + headerwords, tags, 4 * size_t(tagwords + count));
  return (uint64_t(c) << 32) | index;
}

// The inverse, group by group. In a mixed group the literal is read whatever the tag (a
// conditional move, no branch); after the last literal that read falls on the next slot
// or the chunk's spare word.
void recordstore::take(uint64_t handle, uint32_t* out) {
  const int c = int(handle >> 32);
  const uint32_t index = uint32_t(handle);
  classes[size_t(c)].freeslots.push_back(index);  // first: it may need memory
  uint32_t* at = slot(c, index);
  const uint32_t* tags = at + headerwords;
  const uint32_t* literals = tags + tagwords;
  int count = 0;
  for (int g = 0; g < tagwords; ++g) {
    const int first = 16 * g;
    const int size = words - first < 16 ? words - first : 16;
    const uint32_t tagword = tags[g];
    const int groupliterals = bitcount32(tagword & literalbits);
    if (groupliterals == size) {
      std::memcpy(out + first, literals + count, 4 * size_t(size));
    } else if (groupliterals == 0) {
      for (int k = 0; k < size; ++k) out[first + k] = 0u - ((tagword >> (2 * k)) & 1u);
    } else {
      int from = count;
      for (int k = 0; k < size; ++k) {
        const uint32_t tag = (tagword >> (2 * k)) & 3u;
        const uint32_t literal = literals[from];
        out[first + k] = tag == 2 ? literal : 0u - tag;
        from += int(tag >> 1);
      }
    }
    count += groupliterals;
  }
  const uint64_t free = 0;
  std::memcpy(at, &free, sizeof free);
}
