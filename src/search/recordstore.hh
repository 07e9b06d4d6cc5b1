// recordstore: the storage behind the open list, holding node records of a fixed word
// length in compressed form.
//
// A node's words are mostly whole zero words (entries cut away, variables fixed to one
// set) or whole one words (entries still allowed); only the rest is stored as is. A
// stored record is
//   header   2 words of the insertion number (0 marks a free slot), 2 words of the key
//   tags     2 bits per record word, 16 to a tag word: 0 zero word, 1 all ones, 2 literal
//   literals the literal words, in record order
// Records are grouped into classes by their literal count rounded up to a multiple of
// four, each class a list of equal slots in fixed chunks with its own free list, so the
// storage grows a chunk at a time (no reallocation of everything stored) and a freed
// slot is reused by a record of its class. On the shared caches a record takes 40-55% of
// its plain size (sensors_5456: 1,630 words, a third of them literal); the peak memory of
// a search falls accordingly (nltcs_3236 after 3M iterations 3.6 -> 1.6 GB, sensors_5456
// after 300k 3.4 -> 0.9 GB), and it runs no slower, having less memory to touch.
//
// A handle names a slot: the class in the upper 32 bits, the slot within it below.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

class recordstore {
 public:
  explicit recordstore(int recordwords);

  // Stores a record of recordwords words with its key and insertion number (> 0). Both
  // calls change nothing when an allocation fails.
  uint64_t put(const uint32_t* words, double key, uint64_t seq);
  // Copies the record back into words and frees its slot.
  void take(uint64_t handle, uint32_t* words);
  uint64_t seqof(uint64_t handle) const { return readseq(slotat(handle)); }

  // Calls visit(key, seq, handle) for every stored record.
  template <typename Visit>
  void forlive(Visit visit) const;

 private:
  static constexpr int headerwords = 4;
  static constexpr int chunkbytes = 1 << 20;

  struct recordclass {
    int slotwords = 0;
    uint32_t perchunk = 0;  // slots per chunk, a power of two
    int shift = 0;          // log2 of perchunk
    uint32_t used = 0;      // slots handed out so far, live or free
    std::vector<std::unique_ptr<uint32_t[]>> chunks;
    std::vector<uint32_t> freeslots;
  };

  int words;
  int tagwords;
  std::vector<recordclass> classes;  // class c holds up to 4c literal words
  std::vector<uint32_t> scratch;     // the compressed form of the record being stored

  uint32_t* slot(int c, uint32_t index) const {
    const recordclass& rc = classes[size_t(c)];
    return rc.chunks[index >> rc.shift].get() +
           size_t(index & (rc.perchunk - 1)) * size_t(rc.slotwords);
  }
  uint32_t* slotat(uint64_t handle) const { return slot(int(handle >> 32), uint32_t(handle)); }
  // Header fields are copied bytewise: slots are only word aligned.
  static uint64_t readseq(const uint32_t* at) {
    uint64_t seq;
    std::memcpy(&seq, at, sizeof seq);
    return seq;
  }
  static double readkey(const uint32_t* at) {
    double key;
    std::memcpy(&key, at + 2, sizeof key);
    return key;
  }
  uint32_t newslot(int c);
};

template <typename Visit>
void recordstore::forlive(Visit visit) const {
  for (size_t c = 0; c < classes.size(); ++c)
    for (uint32_t i = 0; i < classes[c].used; ++i) {
      const uint64_t handle = (uint64_t(c) << 32) | i;
      const uint32_t* at = slotat(handle);
      const uint64_t seq = readseq(at);
      if (seq != 0) visit(readkey(at), seq, handle);
    }
}
