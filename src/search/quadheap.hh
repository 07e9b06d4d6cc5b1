// Heap operations on a vector with four children per node instead of two: half the
// levels, and a node's children sit side by side, so a pop on a heap of millions of
// open nodes touches half as many cache lines as std::pop_heap does. `before(a, b)`
// says that a must come out later than b (the std::push_heap convention); the top is
// entries[0]. With a total order the pops come out exactly as from std::pop_heap.
#pragma once

#include <cstddef>
#include <vector>

namespace quadheap {

template <typename T, typename Before>
void siftdown(std::vector<T>& heap, size_t at, Before before) {
  const size_t size = heap.size();
  const T moving = heap[at];
  for (;;) {
    const size_t first = 4 * at + 1;
    if (first >= size) break;
    const size_t last = first + 4 < size ? first + 4 : size;
    size_t top = first;
    for (size_t c = first + 1; c < last; ++c)
      if (before(heap[top], heap[c])) top = c;
    if (!before(moving, heap[top])) break;
    heap[at] = heap[top];
    at = top;
  }
  heap[at] = moving;
}

template <typename T, typename Before>
void push(std::vector<T>& heap, const T& item, Before before) {
  size_t at = heap.size();
  heap.push_back(item);
  while (at > 0) {
    const size_t parent = (at - 1) / 4;
    if (!before(heap[parent], item)) break;
    heap[at] = heap[parent];
    at = parent;
  }
  heap[at] = item;
}

// Removes the top.
template <typename T, typename Before>
void pop(std::vector<T>& heap, Before before) {
  heap.front() = heap.back();
  heap.pop_back();
  if (!heap.empty()) siftdown(heap, 0, before);
}

template <typename T, typename Before>
void make(std::vector<T>& heap, Before before) {
  for (size_t at = heap.size() / 4 + 1; at-- > 0;)
    if (at < heap.size()) siftdown(heap, at, before);
}

}  // namespace quadheap
