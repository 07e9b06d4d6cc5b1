#include "search/openlist.hh"

#include <cstring>

#include "core/fail.hh"
#include "core/resources.hh"

double myqueue::minval = 0.0;

namespace {

double record_kb(int capacity) { return (4.0 * capacity + 24.0) / 1024.0; }

void account_record(int capacity, int sign) {
  resources::memkbs += sign * record_kb(capacity);
  resources::npl += sign;
}

}  // namespace

plelement::plelement(int capacity) : words(size_t(capacity), 0u) {
  account_record(capacity, +1);
}

plelement::~plelement() { account_record(capacity(), -1); }

plelement& plelement::operator=(const plelement& other) {
  if (this == &other) return *this;
  key = other.key;
  other.fillinto(*this);
  return *this;
}

void plelement::fillinto(plelement& other) const {
  check(other.capacity() == capacity(), "other.capacity() == capacity()");
  std::memcpy(other.words.data(), words.data(), 4 * words.size());
}

void plelement::set(const bitmap* perVar, const bitmap& below, const bitmap& comp, int n) {
  const int M = capacity();
  const int w = below.gN();
  check(2 * w <= M, "2 * w <= M");
  std::memcpy(&words[0], below.words(), 4 * size_t(w));
  std::memcpy(&words[w], comp.words(), 4 * size_t(w));
  int cur = 2 * w;
  for (int i = 0; i < n; ++i) {
    const int len = perVar[i].gN();
    check(cur + len <= M, "cur + ma[i].gN() <= M");
    std::memcpy(&words[cur], perVar[i].words(), 4 * size_t(len));
    cur += len;
  }
}

void plelement::get(bitmap* perVar, bitmap& below, bitmap& comp, int n) const {
  const int w = below.gN();
  std::memcpy(below.words(), &words[0], 4 * size_t(w));
  std::memcpy(comp.words(), &words[w], 4 * size_t(w));
  int cur = 2 * w;
  for (int i = 0; i < n; ++i) {
    const int len = perVar[i].gN();
    std::memcpy(perVar[i].words(), &words[cur], 4 * size_t(len));
    cur += len;
  }
}

myqueue::myqueue(int capacity) : N(capacity) {}

myqueue::~myqueue() {
  resources::memkbs -= double(index.size()) * record_kb(N);
  resources::npl -= int(index.size());
}

void myqueue::insert(const plelement& e) {
  check(e.capacity() == N, "e.capacity() == N");
  uint32_t slot;
  if (!freeslots.empty()) {
    slot = freeslots.back();
    freeslots.pop_back();
  } else {
    slot = uint32_t(pool.size() / size_t(N));
    pool.resize(pool.size() + size_t(N));
  }
  std::memcpy(&pool[size_t(slot) * N], e.getdata(), 4 * size_t(N));
  index.emplace(e.getss(), slot);  // placed after every equal key
  account_record(N, +1);
}

void myqueue::take(std::multimap<double, uint32_t>::iterator it, plelement& out) {
  check(out.capacity() == N, "out.capacity() == N");
  *out.gets() = it->first;
  std::memcpy(out.getdata(), &pool[size_t(it->second) * N], 4 * size_t(N));
  freeslots.push_back(it->second);
  index.erase(it);
  account_record(N, -1);
}

void myqueue::end(plelement& out) { take(std::prev(index.end()), out); }

void myqueue::begin(plelement& out) { take(index.begin(), out); }

double myqueue::usage() const { return double(index.size()) * (4.0 * N + 136.0) / 1024.0; }

int capacityfor(int words) {
  for (int capacity : plcapacities)
    if (words <= capacity) return capacity;
  return 0;
}

void setsize(std::unique_ptr<myqueue>& queue, std::unique_ptr<plelement>& element, int words) {
  const int capacity = capacityfor(words);
  if (capacity == 0)
    fatal_with_code(exitcode::node_too_large, "Too many parents to build the internal structure");
  element = std::make_unique<plelement>(capacity);
  queue = std::make_unique<myqueue>(capacity);
}
