#include "search/openlist.hh"

#include <gtest/gtest.h>

#include <map>
#include <random>

#include "core/resources.hh"

namespace {

// A work element of capacity 8 whose first word carries a tag, to tell records apart.
void tagged(plelement& e, double key, uint32_t tag) {
  *e.gets() = key;
  e.getdata()[0] = tag;
}

}  // namespace

TEST(OpenList, CapacityThresholds) {
  const int cases[][2] = {{1, 8},     {8, 8},     {9, 16},    {120, 120}, {121, 128},
                          {128, 128}, {129, 256}, {257, 512}, {1024, 1024}, {2048, 2048}};
  for (const auto& c : cases) {
    std::unique_ptr<myqueue> queue;
    std::unique_ptr<plelement> element;
    setsize(queue, element, c[0]);
    EXPECT_EQ(element->capacity(), c[1]) << "words " << c[0];
    EXPECT_DOUBLE_EQ(element->getss(), -1e25);
    EXPECT_TRUE(queue->empty());
  }
}

TEST(OpenListDeathTest, NodeLargerThan2048Words) {
  std::unique_ptr<myqueue> queue;
  std::unique_ptr<plelement> element;
  EXPECT_EXIT(setsize(queue, element, 2049), testing::ExitedWithCode(109),
              "^Too many parents to build the internal structure\n$");
}

TEST(OpenList, EqualKeysKeepInsertionOrder) {
  myqueue queue(8);
  plelement e(8);
  tagged(e, 5, 1);
  queue.insert(e);
  tagged(e, 7, 2);
  queue.insert(e);
  tagged(e, 7, 3);
  queue.insert(e);
  EXPECT_EQ(queue.size(), 3u);
  EXPECT_DOUBLE_EQ(queue.lastkey(), 7);
  // end: greatest key, the last inserted among equals.
  queue.end(e);
  EXPECT_EQ(e.getdata()[0], 3u);
  queue.end(e);
  EXPECT_EQ(e.getdata()[0], 2u);
  queue.end(e);
  EXPECT_EQ(e.getdata()[0], 1u);
  EXPECT_DOUBLE_EQ(e.getss(), 5);
  EXPECT_TRUE(queue.empty());

  for (uint32_t tag : {1u, 2u, 3u}) {
    tagged(e, tag == 1 ? 5 : 7, tag);
    queue.insert(e);
  }
  // begin: smallest key, the first inserted among equals.
  queue.begin(e);
  EXPECT_EQ(e.getdata()[0], 1u);
  queue.begin(e);
  EXPECT_EQ(e.getdata()[0], 2u);
  EXPECT_DOUBLE_EQ(e.getss(), 7);
}

TEST(OpenList, SlotsAreReusedWithoutMixingRecords) {
  myqueue queue(16);
  plelement e(16);
  for (uint32_t t = 0; t < 10; ++t) {
    tagged(e, double(t), t);
    e.getdata()[15] = 100 + t;
    queue.insert(e);
  }
  for (int t = 0; t < 5; ++t) queue.begin(e);
  for (uint32_t t = 20; t < 25; ++t) {
    tagged(e, double(t), t);
    e.getdata()[15] = 100 + t;
    queue.insert(e);
  }
  for (uint32_t expect : {24u, 23u, 22u, 21u, 20u, 9u, 8u, 7u, 6u, 5u}) {
    queue.end(e);
    EXPECT_EQ(e.getdata()[0], expect);
    EXPECT_EQ(e.getdata()[15], 100 + expect);
    EXPECT_DOUBLE_EQ(e.getss(), double(expect));
  }
}

TEST(OpenList, UsageAndAccounting) {
  const double kb = resources::memkbs;
  const int npl = resources::npl;
  {
    myqueue queue(64);
    EXPECT_DOUBLE_EQ(queue.usage(), 0.0);
    plelement e(64);
    EXPECT_EQ(resources::npl, npl + 1);
    EXPECT_DOUBLE_EQ(resources::memkbs - kb, 280.0 / 1024);
    queue.insert(e);
    EXPECT_DOUBLE_EQ(queue.usage(), 392.0 / 1024);
    EXPECT_EQ(resources::npl, npl + 2);
    EXPECT_DOUBLE_EQ(resources::memkbs - kb, 560.0 / 1024);
    queue.insert(e);
    queue.end(e);
    EXPECT_EQ(resources::npl, npl + 2);
    queue.insert(e);
  }
  EXPECT_EQ(resources::npl, npl);
  EXPECT_NEAR(resources::memkbs, kb, 1e-9);
  myqueue big(2048);
  plelement e(2048);
  big.insert(e);
  EXPECT_DOUBLE_EQ(big.usage(), 8328.0 / 1024);
}

TEST(OpenList, PackingOrderAndRoundTrip) {
  // n = 3: below and comp take one word each, then variables of 1, 2 and 1 words.
  const int n = 3;
  std::vector<bitmap> perVar;
  perVar.emplace_back(5);
  perVar.emplace_back(40);
  perVar.emplace_back(1);
  bitmap below(n), comp(n);
  below.set(2);
  comp.set(0);
  comp.set(1);
  perVar[0].set(4);
  perVar[1].set(0);
  perVar[1].set(39);
  perVar[2].set(0);
  plelement e(8);
  e.set(perVar.data(), below, comp, n);
  const uint32_t expect[6] = {4u, 3u, 16u, 1u, 1u << 7, 1u};
  for (int k = 0; k < 6; ++k) EXPECT_EQ(e.getdata()[k], expect[k]) << "word " << k;

  std::vector<bitmap> back;
  back.emplace_back(5);
  back.emplace_back(40);
  back.emplace_back(1);
  bitmap b2(n), c2(n);
  e.get(back.data(), b2, c2, n);
  EXPECT_EQ(b2.words()[0], 4u);
  EXPECT_EQ(c2.words()[0], 3u);
  for (int v = 0; v < n; ++v)
    for (int k = 0; k < back[v].gN(); ++k) EXPECT_EQ(back[v].words()[k], perVar[v].words()[k]);
}

TEST(OpenListDeathTest, PackingBeyondCapacity) {
  std::vector<bitmap> perVar;
  for (int v = 0; v < 3; ++v) perVar.emplace_back(100);  // 4 words each
  bitmap below(3), comp(3);
  plelement e(8);
  EXPECT_DEATH(e.set(perVar.data(), below, comp, 3), "cur \\+ ma\\[i\\]\\.gN\\(\\) <= M");
}

// Random inserts and pops from both ends, with many equal keys, against a plain ordered
// multimap (which inserts after equal keys): the same record comes out every time. Odd
// rounds pop in long phases from one end, as the search does, so the smallest-first
// order is dropped and rebuilt many times.
TEST(OpenList, AgreesWithOrderedMultimap) {
  std::mt19937 gen(3);
  for (int round = 0; round < 20; ++round) {
    myqueue queue(8);
    plelement e(8);
    std::multimap<double, uint32_t> reference;
    uint32_t tag = 0;
    for (int op = 0; op < 3000; ++op) {
      const unsigned pick = gen() % 10;
      if (pick < 5 || reference.empty()) {
        tagged(e, double(gen() % 12), ++tag);
        queue.insert(e);
        reference.emplace(e.getss(), tag);
      } else {
        const bool greatest = round % 2 == 0 ? pick < 8 : (op / 150) % 4 != 0;
        auto it = greatest ? std::prev(reference.end()) : reference.begin();
        if (greatest) {
          ASSERT_DOUBLE_EQ(queue.lastkey(), it->first);
          queue.end(e);
        } else {
          queue.begin(e);
        }
        ASSERT_EQ(e.getdata()[0], it->second) << "round " << round << " op " << op;
        ASSERT_DOUBLE_EQ(e.getss(), it->first);
        reference.erase(it);
      }
      ASSERT_EQ(queue.size(), reference.size());
    }
  }
}

// A queue keeps only the words a node uses; those come back intact, and the accounting
// still counts whole records.
TEST(OpenList, KeepsTheUsedWordsOfEachRecord) {
  std::unique_ptr<myqueue> queue;
  std::unique_ptr<plelement> e;
  setsize(queue, e, 9);
  ASSERT_EQ(e->capacity(), 16);
  for (uint32_t t = 1; t <= 3; ++t) {
    for (int k = 0; k < 9; ++k) e->getdata()[k] = 10 * t + uint32_t(k);
    *e->gets() = double(t);
    queue->insert(*e);
  }
  EXPECT_DOUBLE_EQ(queue->usage(), 3 * (4.0 * 16 + 136) / 1024);
  for (uint32_t t = 3; t >= 1; --t) {
    queue->end(*e);
    for (int k = 0; k < 9; ++k) EXPECT_EQ(e->getdata()[k], 10 * t + uint32_t(k));
  }
}
