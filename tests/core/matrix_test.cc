#include "core/matrix.hh"

#include <gtest/gtest.h>

#include <cstdio>

TEST(Matrix, EmptyDimensionsAllocateNothing) {
  const double before = resources::memkbs;
  matrix<int> a(0, 5);
  EXPECT_EQ(a.n, 0);
  EXPECT_EQ(a.m, 0);
  EXPECT_EQ(a.data, nullptr);
  EXPECT_DOUBLE_EQ(resources::memkbs, before);
}

TEST(Matrix, AccountsOwnedStorageOnly) {
  const double before = resources::memkbs;
  {
    matrix<double> a(100, 10);
    EXPECT_DOUBLE_EQ(resources::memkbs - before, 7.8125);
    a.clear();
    EXPECT_DOUBLE_EQ(resources::memkbs, before);
  }
  double buffer[6];
  {
    matrix<double> v = matrix<double>::view(2, 3, buffer);
    EXPECT_FALSE(v.desaloc);
    EXPECT_DOUBLE_EQ(resources::memkbs, before);
  }
  EXPECT_DOUBLE_EQ(resources::memkbs, before);
}

TEST(Matrix, ColumnMajorStorage) {
  matrix<int> a(2, 3);
  a(1, 2) = 7;
  EXPECT_EQ(a.data[1 + 2 * 2], 7);
}

TEST(Matrix, AssignmentReallocatesOnDifferentShape) {
  matrix<int> a(2, 3, 4), b(3, 2, 1);
  b = a;
  EXPECT_EQ(b.n, 2);
  EXPECT_EQ(b.m, 3);
  EXPECT_EQ(b(1, 2), 4);
}

TEST(Matrix, OrderBySizeRowsThenElements) {
  matrix<int> row(1, 3), square(2, 2);
  EXPECT_TRUE(row < square);
  EXPECT_FALSE(square < row);
  matrix<double> a(3, 1), b(3, 1);
  a[0] = b[0] = 1;
  a[1] = b[1] = 2;
  a[2] = 3;
  b[2] = 4;
  EXPECT_TRUE(a < b);
  EXPECT_FALSE(b < a);
  b[2] = 3 + 1e-7;
  EXPECT_FALSE(a < b);
  EXPECT_FALSE(b < a);
}

TEST(Matrix, ReallocKeepsOverlap) {
  matrix<int> a(2, 2);
  a(0, 0) = 1;
  a(1, 0) = 2;
  a(0, 1) = 3;
  a(1, 1) = 4;
  a.realoc(3, 3);
  EXPECT_EQ(a(0, 0), 1);
  EXPECT_EQ(a(1, 0), 2);
  EXPECT_EQ(a(0, 1), 3);
  EXPECT_EQ(a(1, 1), 4);
  matrix<int> empty;
  empty.realoc(4, -1);
  EXPECT_EQ(empty.n, 4);
  EXPECT_EQ(empty.m, 1);
}

TEST(Matrix, ShowAndLine) {
  matrix<char> a(2, 2);
  a(0, 1) = 1;
  a(1, 0) = 2;
  EXPECT_EQ(a.show(0, 0), "(n=2,m=2,data=0 1 2 0 )");
  matrix<char> last = a.line(1, 2);
  EXPECT_EQ(last.show(), "(n=1,m=2,data=2 0 )");
  EXPECT_EXIT(a.line(2, 3), testing::ExitedWithCode(255), "line i=2 to 3 n=2 m=2\n\n");
}

TEST(Matrix, BinaryRoundTrip) {
  matrix<double> a(3, 2);
  for (int k = 0; k < 6; ++k) a[k] = k * 1.5;
  FILE* fp = tmpfile();
  a.tofile(fp, 1);
  long written = ftell(fp);
  EXPECT_EQ(written, 28 + 6 * 8);
  rewind(fp);
  matrix<double> b(1, 1);
  b.fromfile(fp, 1);
  EXPECT_EQ(b.n, 3);
  EXPECT_EQ(b.m, 2);
  for (int k = 0; k < 6; ++k) EXPECT_EQ(b[k], a[k]);
  fclose(fp);
}

TEST(Matrix, FromfileRejectsBadCount) {
  FILE* fp = tmpfile();
  const int bad = 2;
  fwrite(&bad, 4, 1, fp);
  rewind(fp);
  matrix<int> b;
  EXPECT_DEATH(b.fromfile(fp, 1), "qtd==1");
  fclose(fp);
}
