#include "core/wordset.hh"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

int naivecount(uint64_t x) {
  int c = 0;
  for (; x != 0; x >>= 1) c += int(x & 1);
  return c;
}

}  // namespace

TEST(BitCount, CountsEveryBit) {
  std::mt19937_64 gen(9);
  std::vector<uint64_t> values = {0, ~0ull, 1, 1ull << 63, 0x8000000080000000ull};
  for (int k = 0; k < 64; ++k) values.push_back(~(1ull << k));
  for (int k = 0; k < 1000; ++k) values.push_back(gen() & gen());
  for (uint64_t x : values) {
    ASSERT_EQ(bitcount64(x), naivecount(x)) << x;
    ASSERT_EQ(bitcount32(uint32_t(x)), naivecount(uint32_t(x))) << x;
  }
}
