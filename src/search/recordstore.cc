#include "search/recordstore.hh"

#include <algorithm>

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

// Branch-free: every word is written to the literal area and the cursor moves only past
// literals, so the loop has no unpredictable branch.
uint64_t recordstore::put(const uint32_t* in, double key, uint64_t seq) {
  uint32_t* tags = scratch.data();
  uint32_t* literals = tags + tagwords;
  std::fill(tags, literals, 0u);
  int count = 0;
  for (int k = 0; k < words; ++k) {
    const uint32_t w = in[k];
    const uint32_t tag = w == 0 ? 0u : w == ~0u ? 1u : 2u;
    tags[k >> 4] |= tag << (2 * (k & 15));
    literals[count] = w;
    count += int(tag >> 1);
  }
  const int c = (count + 3) / 4;
  const uint32_t index = newslot(c);
  uint32_t* at = slot(c, index);
  std::memcpy(at, &seq, sizeof seq);
  std::memcpy(at + 2, &key, sizeof key);
  std::memcpy(at + headerwords, tags, 4 * size_t(tagwords + count));
  return (uint64_t(c) << 32) | index;
}

// The literal is read whatever the tag (a conditional move, no branch); after the last
// literal that read falls on the next slot or the chunk's spare word.
void recordstore::take(uint64_t handle, uint32_t* out) {
  const int c = int(handle >> 32);
  const uint32_t index = uint32_t(handle);
  classes[size_t(c)].freeslots.push_back(index);  // first: it may need memory
  uint32_t* at = slot(c, index);
  const uint32_t* tags = at + headerwords;
  const uint32_t* literals = tags + tagwords;
  int count = 0;
  for (int k = 0; k < words; ++k) {
    const uint32_t tag = (tags[k >> 4] >> (2 * (k & 15))) & 3u;
    const uint32_t literal = literals[count];
    out[k] = tag == 2 ? literal : 0u - tag;
    count += int(tag >> 1);
  }
  const uint64_t free = 0;
  std::memcpy(at, &free, sizeof free);
}
