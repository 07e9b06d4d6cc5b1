// matrix<T>: the dense two-dimensional array behind almost every table of the system
// (data set, structures, constraint matrices, parent-set vectors, counts, scores).
//
// Storage is column-major: element (i, j) lives at data[i + j * n], so every column is
// contiguous. A matrix either owns its storage (desaloc true) or is a view onto storage
// owned elsewhere (desaloc false). Owned storage is accounted in resources::memkbs
// (size * sizeof(T) / 1024 KB); views account nothing. A matrix with n <= 0 or m <= 0
// is normalised to 0x0 with null data.
//
// Binary form (tofile / fromfile), integers little-endian:
//   0  4   count, always 1
//   4  4   n (int32)
//   8  4   m (int32)
//   12 1   desaloc of the written matrix
//   13 7   padding
//   20 8   the writer's address of data (meaningless to a reader)
//   28 ... n*m*sizeof(T) bytes of elements in storage order
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>

#include "core/fail.hh"
#include "core/log.hh"
#include "core/resources.hh"
#include "core/text.hh"

template <typename T>
class matrix {
 public:
  int n = 0;
  int m = 0;
  bool desaloc = true;
  T* data = nullptr;

  matrix() = default;
  // An owned n x m matrix with every element set to value.
  matrix(int rows, int cols, T value = T()) : n(rows), m(cols) { aloc(true, value, nullptr); }
  matrix(const matrix& other) : n(other.n), m(other.m) {
    aloc(false, T(), nullptr);
    if (size() > 0) std::memcpy(data, other.data, bytes());
  }
  matrix(matrix&& other) noexcept
      : n(other.n), m(other.m), desaloc(other.desaloc), data(other.data) {
    other.n = other.m = 0;
    other.data = nullptr;
    other.desaloc = true;
  }
  ~matrix() { clear(); }

  // A view of rows x cols elements at buffer; nothing is accounted or released.
  static matrix view(int rows, int cols, T* buffer) {
    matrix v;
    v.n = rows;
    v.m = cols;
    v.aloc(false, T(), buffer);
    return v;
  }

  matrix& operator=(const matrix& other) {
    if (this == &other) return *this;
    if (n != other.n || m != other.m) {
      clear();
      n = other.n;
      m = other.m;
      aloc(false, T(), nullptr);
    }
    copy(other);
    return *this;
  }
  matrix& operator=(matrix&& other) noexcept {
    if (this == &other) return *this;
    clear();
    n = other.n;
    m = other.m;
    desaloc = other.desaloc;
    data = other.data;
    other.n = other.m = 0;
    other.data = nullptr;
    other.desaloc = true;
    return *this;
  }

  // Gives storage for the current n x m: a view of buffer when it is not null,
  // otherwise an owned, accounted allocation. Optionally fills it with value.
  void aloc(bool init, T value, T* buffer) {
    if (n <= 0 || m <= 0) {
      n = m = 0;
      data = nullptr;
      return;
    }
    if (buffer != nullptr) {
      data = buffer;
      desaloc = false;
    } else {
      data = new T[size_t(n) * size_t(m)];
      desaloc = true;
      resources::memkbs += double(bytes()) / 1024.0;
    }
    if (init) std::fill(data, data + size(), value);
  }

  void clear() {
    if (data != nullptr && desaloc) {
      resources::memkbs -= double(bytes()) / 1024.0;
      delete[] data;
    }
    n = m = 0;
    data = nullptr;
  }

  bool matchsize(const matrix& other) const { return n == other.n && m == other.m; }

  void copy(const matrix& other) {
    check(matchsize(other), "matchsize(other)");
    if (size() > 0) std::memcpy(data, other.data, bytes());
  }

  // Changes the dimensions, keeping the overlapping block (or adopting buffer).
  void realoc(int newn, int newm = -1, T* buffer = nullptr) {
    if (newm < 0) newm = (m <= 0 && newn > 0) ? 1 : m;
    if (buffer == nullptr) {
      if (newn == n && newm == m) return;
      check(newn > 0 && newm > 0, "newn>0 && newm>0");
      T* fresh = new T[size_t(newn) * size_t(newm)];
      resources::memkbs += double(size_t(newn) * size_t(newm) * sizeof(T)) / 1024.0;
      const int rows = std::min(n, newn), cols = std::min(m, newm);
      for (int j = 0; j < cols; ++j)
        for (int i = 0; i < rows; ++i) fresh[i + size_t(j) * newn] = data[i + size_t(j) * n];
      if (data != nullptr) {
        check(desaloc, "desaloc");
        resources::memkbs -= double(bytes()) / 1024.0;
        delete[] data;
      }
      data = fresh;
      desaloc = true;
    } else {
      data = buffer;
    }
    n = newn;
    m = newm;
  }

  int size() const { return n * m; }
  size_t bytes() const { return size_t(n) * size_t(m) * sizeof(T); }

  T& operator()(int i, int j) { return data[i + size_t(j) * n]; }
  const T& operator()(int i, int j) const { return data[i + size_t(j) * n]; }
  T& operator[](int k) { return data[k]; }
  const T& operator[](int k) const { return data[k]; }

  // Rows i .. k-1 as a new owned matrix; out of range ends the run.
  matrix line(int i, int k) const {
    if (i < 0 || k > n) fatal("line i=%d to %d n=%d m=%d\n", i, k, n, m);
    matrix out(k - i, m);
    for (int j = 0; j < m; ++j)
      for (int r = i; r < k; ++r) out(r - i, j) = (*this)(r, j);
    return out;
  }

  // Columns j .. k-1 as a new owned matrix; out of range ends the run.
  matrix column(int j, int k) const {
    if (j < 0 || k > m) fatal("column j=%d to %d n=%d m=%d\n", j, k, n, m);
    matrix out(n, k - j);
    if (out.size() > 0) std::memcpy(out.data, data + size_t(j) * n, out.bytes());
    return out;
  }

  void updateline(int i, const matrix& lin) {
    check(i >= 0 && i < n, "i>=0 && i<n");
    check(lin.size() == m, "lin.size() == m");
    for (int j = 0; j < m; ++j) (*this)(i, j) = lin.data[j];
  }

  // The sum of the elements in storage order.
  double sum() const {
    double total = 0.0;
    for (int k = 0; k < size(); ++k) total += double(data[k]);
    return total;
  }

  T max() const {
    check(n > 0 && m > 0, "n>0 && m>0");
    T best = data[0];
    for (int k = 1; k < size(); ++k)
      if (data[k] > best) best = data[k];
    return best;
  }

  matrix transpose() const {
    matrix out(m, n);
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < m; ++j) out(j, i) = (*this)(i, j);
    return out;
  }

  // "(n=..,m=..,data=e e e )" with elements in row order, default stream format.
  std::string show(int = 0, int = 0) const {
    std::ostringstream out;
    out << "(n=" << n << ",m=" << m << ",data=";
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < m; ++j) out << as_number((*this)(i, j)) << " ";
    out << ")";
    return out.str();
  }

  // Writes the matrix to standard error: a header line, then one line per row.
  void print(const char* name) const {
    std::string text = format("matrix::print(%s,%d,%d)\n", name, n, m);
    for (int i = 0; i < n; ++i) {
      for (int j = 0; j < m; ++j) text += format("%lf ", double((*this)(i, j)));
      text += "\n";
    }
    logtext(text);
  }

  // Strict order for ordered-set keys: fewer elements first, then fewer rows, then
  // element by element in row order with a tolerance of 1e-6.
  bool operator<(const matrix& other) const {
    if (size() != other.size()) return size() < other.size();
    if (n != other.n) return n < other.n;
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < m; ++j) {
        const double a = double((*this)(i, j)), b = double(other(i, j));
        if (b - 1e-6 > a) return true;
        if (a > b + 1e-6) return false;
      }
    return false;
  }

  void tofile(FILE* fp, int = 1) const {
    const int32_t qtd = 1;
    check(fwrite(&qtd, sizeof(int32_t), 1, fp) == 1, "fwrite(&qtd, sizeof(tint), 1, fp)==1");
    unsigned char record[24] = {0};
    const int32_t rows = n, cols = m;
    std::memcpy(record, &rows, 4);
    std::memcpy(record + 4, &cols, 4);
    record[8] = desaloc ? 1 : 0;
    const uint64_t address = reinterpret_cast<uintptr_t>(data);
    std::memcpy(record + 16, &address, 8);
    check(fwrite(record, sizeof(record), 1, fp) == 1, "fwrite(this, sizeof(matrix), 1, fp)==1");
    if (size() > 0)
      check(fwrite(data, sizeof(T), size(), fp) == size_t(size()),
            "fwrite(data, sizeof(TT), size(), fp) == ((size_t) size())");
  }

  void fromfile(FILE* fp, int = 1) {
    clear();
    int32_t qtd = 0;
    check(fread(&qtd, sizeof(int32_t), 1, fp) == 1, "fread(&qtd, sizeof(tint), 1, fp)==1");
    check(qtd == 1, "qtd==1");
    unsigned char record[24];
    check(fread(record, sizeof(record), 1, fp) == 1, "fread(this, sizeof(matrix), 1, fp)==1");
    int32_t rows, cols;
    std::memcpy(&rows, record, 4);
    std::memcpy(&cols, record + 4, 4);
    n = rows;
    m = cols;
    aloc(false, T(), nullptr);
    desaloc = true;
    if (size() > 0)
      check(fread(data, sizeof(T), size(), fp) == size_t(size()),
            "fread(data, sizeof(TT), size(), fp)== ((size_t) size())");
  }

 private:
  // char elements are small numbers, not characters.
  static auto as_number(T v) {
    if constexpr (sizeof(T) == 1) return int(v);
    else return v;
  }
};
