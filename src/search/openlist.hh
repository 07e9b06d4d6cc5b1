// The open list of the branch-and-bound search and its packed node records.
//
// A search node is a flat record of N 32-bit words followed by its key (the node's upper
// bound). The words hold, in this order and without gaps: the `below` bitmap (w words,
// w = (n-1)/32+1), the `comp` bitmap (w words), then the allowed-parent-set bitmap of
// variable 0, 1, ..., n-1, each with its own word count; words after the last bitmap are
// unused. N is one of twenty capacities chosen by setsize from the words a node needs.
//
// Accounting: every live record (the work element and every queued node) adds
// (4N + 24)/1024 KB to resources::memkbs and 1 to resources::npl; usage() estimates the
// queue at (4N + 136)/1024 KB per node.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/bitmap.hh"
#include "search/recordstore.hh"

// One node record with a capacity fixed at construction.
class plelement {
 public:
  explicit plelement(int capacity);  // key -1e25, words zero
  plelement(const plelement&) = delete;
  ~plelement();
  plelement& operator=(const plelement& other);  // key and words; same capacity

  void get(bitmap* perVar, bitmap& below, bitmap& comp, int n) const;
  void set(const bitmap* perVar, const bitmap& below, const bitmap& comp, int n);
  double* gets() { return &key; }
  double getss() const { return key; }
  void fillinto(plelement& other) const;
  uint32_t* getdata() { return words.data(); }
  const uint32_t* getdata() const { return words.data(); }
  bool operator<(const plelement& other) const { return key < other.key; }
  bool operator>(const plelement& other) const { return key > other.key; }
  int capacity() const { return int(words.size()); }

 private:
  std::vector<uint32_t> words;
  double key = -1e25;
};

// The open list: nodes ordered by key; equal keys keep insertion order. Records are kept
// compressed in a recordstore, holding only the words a node uses (the record's capacity
// is rounded up, up to twice the need). Two binary heaps over (key, insertion number,
// handle) give the greatest and the smallest node (the latter kept only while
// smallest-first pops are in use, see end); a node taken from one heap leaves a stale
// entry in the other (its slot's insertion number no longer matches), skipped when met
// and swept out once stale entries outnumber live ones. The flat heaps replace an
// ordered tree whose node-by-node descent dominated the search.
class myqueue {
 public:
  // Records of `capacity` words of which the first `used` (all when 0) carry the node.
  explicit myqueue(int capacity, int used = 0);
  myqueue(const myqueue&) = delete;
  myqueue& operator=(const myqueue&) = delete;
  ~myqueue();

  void insert(const plelement& e);
  bool empty() const { return live == 0; }
  void end(plelement& out);    // greatest key, the last inserted among equals
  void begin(plelement& out);  // smallest key, the first inserted among equals
  uint64_t size() const { return live; }
  double usage() const;        // KB
  double lastkey();            // the greatest key; the queue must not be empty

  struct entry {
    double key;
    uint64_t seq;
    uint64_t handle;
  };

 private:
  int N;
  recordstore records;
  // A heap and how many of its entries are stale: the search pops from one heap for long
  // stretches, and with no stale entry the top needs no look at its record.
  struct nodeheap {
    std::vector<entry> entries;
    uint64_t stale = 0;
  };
  nodeheap maxheap, minheap;
  bool minkept = false;           // whether minheap holds every live node (see end)
  uint64_t greatestpops = 0;      // end calls since the last begin
  uint64_t live = 0;
  uint64_t nextseq = 1;

  static void makeroom(std::vector<entry>& heap);
  bool stale(const entry& e) const { return records.seqof(e.handle) != e.seq; }
  template <typename Order>
  void droptop(nodeheap& heap, Order order);
  template <typename Order, typename OtherOrder>
  void take(nodeheap& heap, Order order, nodeheap& other, OtherOrder otherorder,
            plelement& out);
};

// The capacities a node record can have, smallest first.
constexpr int plcapacities[20] = {8,  16, 24, 32,  40,  48,  56,   64,   72,   80,
                                  88, 96, 104, 112, 120, 128, 256, 512, 1024, 2048};

// The smallest capacity holding `words`, or 0 when none does.
int capacityfor(int words);

// Creates the open list and the work element for nodes of `words` words. Above 2048
// words it ends the program with "Too many parents to build the internal structure"
// and exit code 109.
void setsize(std::unique_ptr<myqueue>& queue, std::unique_ptr<plelement>& element, int words);
