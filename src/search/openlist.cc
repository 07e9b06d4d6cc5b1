#include "search/openlist.hh"

#include <algorithm>
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
    : N(capacity), stride(used > 0 && used < capacity ? used : capacity) {}

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

void myqueue::insert(const plelement& e) {
  check(e.capacity() == N, "e.capacity() == N");
  uint32_t slot;
  if (!freeslots.empty()) {
    slot = freeslots.back();
    freeslots.pop_back();
  } else {
    slot = uint32_t(slotseq.size());
    slotseq.push_back(0);
    slotkey.push_back(0.0);
    pool.resize(pool.size() + size_t(stride));
  }
  std::memcpy(&pool[size_t(slot) * stride], e.getdata(), 4 * size_t(stride));
  const entry item{e.getss(), nextseq++, slot};
  slotseq[slot] = item.seq;
  slotkey[slot] = item.key;
  maxheap.push_back(item);
  std::push_heap(maxheap.begin(), maxheap.end(), belowmax);
  if (minkept) {
    minheap.push_back(item);
    std::push_heap(minheap.begin(), minheap.end(), abovemin);
  }
  ++live;
  account_record(N, +1);
}

// Removes stale entries from the top of heap.
template <typename Order>
void myqueue::droptop(std::vector<entry>& heap, Order order) {
  while (stale(heap.front())) {
    std::pop_heap(heap.begin(), heap.end(), order);
    heap.pop_back();
  }
}

template <typename Order, typename OtherOrder>
void myqueue::take(std::vector<entry>& heap, Order order, std::vector<entry>& other,
                   OtherOrder otherorder, plelement& out) {
  check(out.capacity() == N, "out.capacity() == N");
  droptop(heap, order);
  const entry top = heap.front();
  std::pop_heap(heap.begin(), heap.end(), order);
  heap.pop_back();
  *out.gets() = top.key;
  std::memcpy(out.getdata(), &pool[size_t(top.slot) * stride], 4 * size_t(stride));
  slotseq[top.slot] = 0;
  freeslots.push_back(top.slot);
  --live;
  account_record(N, -1);
  // Sweep the other heap once most of it is stale, so both stay within twice the size.
  if (other.size() > 2 * live + 64) {
    other.erase(std::remove_if(other.begin(), other.end(),
                               [this](const entry& x) { return stale(x); }),
                other.end());
    std::make_heap(other.begin(), other.end(), otherorder);
  }
}

// The smallest-first heap is kept only while begin is in use: the search pops the
// smallest node at its first step and under memory pressure, and otherwise only the
// greatest, so keeping both heaps cost every insert a second push (2% of the search's
// instructions on voting_435). Once the consecutive greatest-first pops exceed
// a sixteenth of the live nodes the heap is dropped; begin rebuilds it from the slots,
// at most 16 slot reads per pop made since. Entries order on (key, insertion number), a
// total order, so a rebuilt heap gives the same nodes as a kept one.
void myqueue::end(plelement& out) {
  take(maxheap, belowmax, minheap, abovemin, out);
  if (minkept && 16 * ++greatestpops > live) {
    minkept = false;
    minheap.clear();
  }
}

void myqueue::begin(plelement& out) {
  if (!minkept) {
    minheap.clear();
    for (uint32_t slot = 0; slot < slotseq.size(); ++slot)
      if (slotseq[slot] != 0) minheap.push_back({slotkey[slot], slotseq[slot], slot});
    std::make_heap(minheap.begin(), minheap.end(), abovemin);
    minkept = true;
  }
  greatestpops = 0;
  take(minheap, abovemin, maxheap, belowmax, out);
}

double myqueue::lastkey() {
  droptop(maxheap, belowmax);
  return maxheap.front().key;
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
