#include "search/recordstore.hh"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <vector>

namespace {

// A record of zero words, all-ones words and other words in random proportions, so
// records of one length fall into many classes, a literal often comes last, and whole
// tag words of literals, zeros or ones occur.
std::vector<uint32_t> randomrecord(std::mt19937& gen, int words) {
  std::vector<uint32_t> record(static_cast<size_t>(words));
  const unsigned mix = gen() % 4;
  for (uint32_t& w : record) {
    const unsigned pick = gen() % 4;
    w = pick < mix ? uint32_t(gen()) | 1u : pick % 2 == 0 ? 0u : ~0u;
  }
  return record;
}

}  // namespace

// Interleaved puts and takes at several record lengths (one word, just under, at and
// over a tag word of 16, a large node): every record comes back word for word, the
// insertion numbers and keys stay with their records, and freed slots are reused.
TEST(RecordStore, RecordsComeBackIntact) {
  std::mt19937 gen(11);
  for (int words : {1, 15, 16, 17, 100, 1630}) {
    recordstore store(words);
    std::map<uint64_t, std::pair<uint64_t, std::vector<uint32_t>>> held;  // by seq
    std::vector<uint32_t> out(static_cast<size_t>(words));
    uint64_t seq = 0;
    for (int op = 0; op < 4000; ++op) {
      if (held.empty() || gen() % 5 < 3) {
        std::vector<uint32_t> record = randomrecord(gen, words);
        ++seq;
        const uint64_t handle = store.put(record.data(), double(seq) / 2, seq);
        ASSERT_EQ(store.seqof(handle), seq);
        held[seq] = {handle, record};
      } else {
        auto it = held.begin();
        std::advance(it, gen() % held.size());
        store.take(it->second.first, out.data());
        ASSERT_EQ(out, it->second.second) << "length " << words << " op " << op;
        ASSERT_EQ(store.seqof(it->second.first), 0u);
        held.erase(it);
      }
    }
    size_t visited = 0;
    store.forlive([&](double key, uint64_t s, uint64_t handle) {
      ++visited;
      ASSERT_EQ(held.count(s), 1u);
      EXPECT_EQ(held[s].first, handle);
      EXPECT_EQ(key, double(s) / 2);
    });
    EXPECT_EQ(visited, held.size());
  }
}
