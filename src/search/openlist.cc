#include "search/openlist.hh"

#include <algorithm>
#include <cstring>
#include <utility>

#include "core/fail.hh"
#include "core/resources.hh"
#include "search/quadheap.hh"

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

// Plain word loops: the bitmaps are mostly a word or two, where a memcpy call per
// bitmap cost twice as much (on voting_435, 17 variables of one word each).
void plelement::get(bitmap* perVar, bitmap& below, bitmap& comp, int n) const {
  const int w = below.gN();
  const uint32_t* from = words.data();
  for (int k = 0; k < w; ++k) below.words()[k] = *from++;
  for (int k = 0; k < w; ++k) comp.words()[k] = *from++;
  for (int i = 0; i < n; ++i) {
    uint32_t* to = perVar[i].words();
    const int len = perVar[i].gN();
    for (int k = 0; k < len; ++k) to[k] = *from++;
  }
}

myqueue::myqueue(int capacity, int used)
    : N(capacity), records(used > 0 && used < capacity ? used : capacity) {}

myqueue::~myqueue() {
  resources::memkbs -= double(live) * record_kb(N);
  resources::npl -= int(live);
}

namespace {

// Heap orders on (key, insertion number): the greatest on top, or the smallest on top.
// Function objects rather than function pointers, so that the heap code inlines them.
struct belowmax_t {
  bool operator()(const myqueue::entry& a, const myqueue::entry& b) const {
    return a.key < b.key || (a.key == b.key && a.seq < b.seq);
  }
} belowmax;
struct abovemin_t {
  bool operator()(const myqueue::entry& a, const myqueue::entry& b) const {
    return a.key > b.key || (a.key == b.key && a.seq > b.seq);
  }
} abovemin;

}  // namespace

// Memory is claimed before anything changes (heap room, then the record's slot), so a
// refused allocation leaves the queue as it was.
void myqueue::insert(const plelement& e) {
  check(e.capacity() == N, "e.capacity() == N");
  makeroom(maxheap.entries);
  if (minkept) makeroom(minheap.entries);
  const entry item{e.getss(), nextseq, records.put(e.getdata(), e.getss(), nextseq)};
  ++nextseq;
  quadheap::push(maxheap.entries, item, belowmax);
  if (minkept) quadheap::push(minheap.entries, item, abovemin);
  ++live;
  account_record(N, +1);
}

void myqueue::makeroom(std::vector<entry>& heap) {
  if (heap.size() == heap.capacity()) heap.reserve(2 * heap.size() + 16);
}

// Removes stale entries from the top of heap.
template <typename Order>
void myqueue::droptop(nodeheap& heap, Order order) {
  std::vector<entry>& entries = heap.entries;
  while (heap.stale > 0 && stale(entries.front())) {
    quadheap::pop(entries, order);
    --heap.stale;
  }
}

template <typename Order, typename OtherOrder>
void myqueue::take(nodeheap& heap, Order order, nodeheap& other, OtherOrder otherorder,
                   plelement& out) {
  check(out.capacity() == N, "out.capacity() == N");
  droptop(heap, order);
  std::vector<entry>& entries = heap.entries;
  const entry top = entries.front();
  records.take(top.handle, out.getdata());  // the one step here that may need memory
  quadheap::pop(entries, order);
  *out.gets() = top.key;
  --live;
  account_record(N, -1);
  // The other heap, when kept, holds every live node, so its entry for this one is stale.
  if (!other.entries.empty()) ++other.stale;
  // Sweep the other heap once most of it is stale, so both stay within twice the size.
  if (other.entries.size() > 2 * live + 64) {
    other.entries.erase(std::remove_if(other.entries.begin(), other.entries.end(),
                                       [this](const entry& x) { return stale(x); }),
                        other.entries.end());
    quadheap::make(other.entries, otherorder);
    other.stale = 0;
  }
}

// The smallest-first heap is kept only while begin is in use: the search pops the
// smallest node at its first step and under memory pressure, and otherwise only the
// greatest, so keeping both heaps cost every insert a second push (2% of the search's
// instructions on voting_435). Once the consecutive greatest-first pops exceed a
// sixteenth of the live nodes the heap is dropped; begin rebuilds it from the stored
// records, at most 16 record reads per pop made since. Entries order on (key, insertion
// number), a total order, so a rebuilt heap gives the same nodes as a kept one.
void myqueue::end(plelement& out) {
  take(maxheap, belowmax, minheap, abovemin, out);
  if (minkept && 16 * ++greatestpops > live) {
    minkept = false;
    minheap = nodeheap();
  }
}

void myqueue::begin(plelement& out) {
  if (!minkept) {
    nodeheap rebuilt;
    rebuilt.entries.reserve(live);
    records.forlive([&rebuilt](double key, uint64_t seq, uint64_t handle) {
      rebuilt.entries.push_back({key, seq, handle});
    });
    quadheap::make(rebuilt.entries, abovemin);
    minheap = std::move(rebuilt);
    minkept = true;
  }
  greatestpops = 0;
  take(minheap, abovemin, maxheap, belowmax, out);
}

double myqueue::lastkey() {
  droptop(maxheap, belowmax);
  return maxheap.entries.front().key;
}

double myqueue::usage() const { return double(live) * (4.0 * N + 136.0) / 1024.0; }

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
  queue = std::make_unique<myqueue>(capacity, words);
}
