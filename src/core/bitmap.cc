#include "core/bitmap.hh"

#include <sstream>

#include "core/wordset.hh"
#include "core/log.hh"

namespace {
double accounted_kb(int words) { return (4.0 * words + 24.0) / 1024.0; }
}  // namespace

bitmap::bitmap(int bits) {
  if (bits > 0) allocate((bits - 1) / 32 + 1);
}

bitmap::bitmap(const bitmap& other) {
  allocate(other.w);
  if (w > 0) std::memcpy(data, other.data, 4 * size_t(w));
}

bitmap::bitmap(bitmap&& other) noexcept : data(other.data), w(other.w) {
  other.data = nullptr;
  other.w = 0;
}

bitmap::~bitmap() { release(); }

bitmap& bitmap::operator=(const bitmap& other) {
  if (this == &other) return *this;
  if (w != other.w) {
    release();
    allocate(other.w);
  }
  if (w > 0) std::memcpy(data, other.data, 4 * size_t(w));
  return *this;
}

bitmap& bitmap::operator=(bitmap&& other) noexcept {
  if (this == &other) return *this;
  release();
  data = other.data;
  w = other.w;
  other.data = nullptr;
  other.w = 0;
  return *this;
}

void bitmap::allocate(int words) {
  w = words > 0 ? words : 0;
  if (w == 0) return;
  data = new uint32_t[w]();
  resources::memkbs += accounted_kb(w);
}

void bitmap::release() {
  if (data != nullptr) {
    resources::memkbs -= accounted_kb(w);
    delete[] data;
  }
  data = nullptr;
  w = 0;
}

void bitmap::clearall() {
  if (w > 0) std::memset(data, 0, 4 * size_t(w));
}

void bitmap::setfirst(int bits) {
  clearall();
  for (int k = 0; k < w && bits > 0; ++k, bits -= 32)
    data[k] = bits >= 32 ? 0xffffffffu : ((1u << bits) - 1u);
}

int bitmap::sum() const {
  int total = 0;
  for (int k = 0; k < w; ++k) total += bitcount32(data[k]);
  return total;
}

bool bitmap::empty() const {
  for (int k = 0; k < w; ++k)
    if (data[k] != 0) return false;
  return true;
}

int bitmap::lowest() const {
  for (int k = 0; k < w; ++k)
    if (data[k] != 0) return 32 * k + __builtin_ctz(data[k]);
  return -1;
}

void bitmap::keeponly(int b) {
  clearall();
  set(b);
}

bool bitmap::frombitmap(const bitmap* sel, matrix<char>& structure, const parentsetlist* lists) {
  const int n = structure.n;
  for (int i = 0; i < n; ++i) {
    const int c = sel[i].highest();
    if (c < 0) return false;
    const matrix<char>& vec = lists[i][c].second;
    for (int k = 0; k < n; ++k) structure(i, k) = vec.data[k];
  }
  return true;
}

bool bitmap::upperfrombitmap(const bitmap* sel, matrix<char>& structure,
                             const parentsetlist* lists) {
  const int n = structure.n;
  if (structure.size() > 0) std::memset(structure.data, 0, structure.bytes());
  for (int j = 0; j < n; ++j) {
    const bitmap& b = sel[j];
    if (b.empty()) return false;
    for (int k = b.w - 1; k >= 0; --k) {
      uint32_t word = b.data[k];
      while (word != 0) {
        const int bit = 31 - __builtin_clz(word);
        word &= ~(1u << bit);
        const matrix<char>& vec = lists[j][32 * k + bit].second;
        for (int v = 0; v < n; ++v) structure(j, v) |= vec.data[v];
      }
    }
  }
  return true;
}

void bitmap::printbitmap(const bitmap* sel, unsigned count, const parentsetlist* lists) {
  std::ostringstream text;
  for (unsigned i = 0; i < count; ++i) {
    text << "[" << i << "] ";
    const bitmap& b = sel[i];
    for (int c = 0; c < 32 * b.w; ++c) {
      if (!b.test(c)) continue;
      text << c << "(";
      const matrix<char>& vec = lists[i][c].second;
      for (int k = 0; k < vec.size(); ++k) text << int(vec.data[k]);
      text << ") ";
    }
    text << "\n";
  }
  logtext(text.str());
}
