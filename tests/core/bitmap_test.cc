#include "core/bitmap.hh"

#include <gtest/gtest.h>

namespace {
matrix<char> family(int n, std::initializer_list<int> members) {
  matrix<char> v(n, 1);
  for (int k : members) v[k] = 1;
  return v;
}
}  // namespace

TEST(Bitmap, WordsAndAccounting) {
  const double before = resources::memkbs;
  {
    bitmap none(0);
    EXPECT_EQ(none.gN(), 0);
    EXPECT_TRUE(none.empty());
    EXPECT_EQ(none.sum(), 0);
    EXPECT_DOUBLE_EQ(resources::memkbs, before);
    EXPECT_EQ(bitmap(32).gN(), 1);
    bitmap two(33);
    EXPECT_EQ(two.gN(), 2);
    EXPECT_DOUBLE_EQ(resources::memkbs - before, 32.0 / 1024);
  }
  EXPECT_DOUBLE_EQ(resources::memkbs, before);
}

TEST(Bitmap, BitPacking) {
  bitmap b(40);
  b.set(0);
  b.set(33);
  EXPECT_EQ(b.sum(), 2);
  EXPECT_EQ(b.words()[0], 1u);
  EXPECT_EQ(b.words()[1], 2u);
  EXPECT_EQ(b.highest(), 33);
  EXPECT_EQ(b.lowest(), 0);
}

TEST(Bitmap, FromBitmapTakesHighestAllowed) {
  const int n = 3;
  parentsetlist lists[n];
  for (int i = 0; i < n; ++i) lists[i].push_back({-5.0, family(n, {i})});
  lists[0].push_back({-4.0, family(n, {0, 1})});
  lists[0].push_back({-3.0, family(n, {0, 2})});
  bitmap sel[n] = {bitmap(3), bitmap(1), bitmap(1)};
  sel[0].set(0);
  sel[0].set(2);
  sel[1].set(0);
  sel[2].set(0);
  matrix<char> s(n, n);
  EXPECT_TRUE(bitmap::frombitmap(sel, s, lists));
  EXPECT_EQ(s(0, 2), 1);
  EXPECT_EQ(s(0, 1), 0);
  EXPECT_EQ(s(0, 0), 1);
  sel[1].clearall();
  EXPECT_FALSE(bitmap::frombitmap(sel, s, lists));
}

TEST(Bitmap, UpperFromBitmapUnitesAllowedSets) {
  const int n = 5;
  parentsetlist lists[n];
  for (int i = 0; i < n; ++i) lists[i].push_back({-5.0, family(n, {i})});
  lists[2].push_back({-4.0, family(n, {2, 4})});
  bitmap sel[n] = {bitmap(1), bitmap(1), bitmap(2), bitmap(1), bitmap(1)};
  for (int i = 0; i < n; ++i) sel[i].set(0);
  sel[2].set(1);
  matrix<char> s(n, n);
  EXPECT_TRUE(bitmap::upperfrombitmap(sel, s, lists));
  EXPECT_EQ(s(2, 2), 1);
  EXPECT_EQ(s(2, 4), 1);
  EXPECT_EQ(s(2, 0), 0);
}
