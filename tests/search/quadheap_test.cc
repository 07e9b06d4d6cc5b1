#include "search/quadheap.hh"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <utility>
#include <vector>

// Random pushes and pops, and heaps built at once, give the same sequence of tops as
// the standard binary heap under a total order (many equal first fields, told apart by
// the second).
TEST(QuadHeap, PopsAsTheStandardHeap) {
  using item = std::pair<int, int>;
  const auto before = [](const item& a, const item& b) { return a < b; };
  std::mt19937 gen(5);
  for (int round = 0; round < 30; ++round) {
    std::vector<item> quad, plain;
    int serial = 0;
    for (int k = 0; k < int(gen() % 200); ++k) quad.push_back({int(gen() % 7), ++serial});
    plain = quad;
    quadheap::make(quad, before);
    std::make_heap(plain.begin(), plain.end(), before);
    for (int op = 0; op < 2000; ++op) {
      if (plain.empty() || gen() % 2 == 0) {
        const item x{int(gen() % 7), ++serial};
        quadheap::push(quad, x, before);
        plain.push_back(x);
        std::push_heap(plain.begin(), plain.end(), before);
      } else {
        ASSERT_EQ(quad.front(), plain.front()) << "round " << round << " op " << op;
        quadheap::pop(quad, before);
        std::pop_heap(plain.begin(), plain.end(), before);
        plain.pop_back();
      }
      ASSERT_EQ(quad.size(), plain.size());
    }
  }
}
