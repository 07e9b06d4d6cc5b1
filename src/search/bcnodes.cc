#include "search/bcnodes.hh"

#include <algorithm>
#include <cmath>

namespace {

// The heap order: the smallest bound on top, then the deepest path.
bool later(const bcnode& a, const bcnode& b) {
  if (a.bound != b.bound) return a.bound > b.bound;
  return a.path.size() < b.path.size();
}

}  // namespace

bcnodes::bcnodes(const ilpmodel& m, clusterlp& lp)
    : m(m), lp(lp), forbidden(size_t(m.n) * m.W), required(size_t(m.n) * m.W) {}

void bcnodes::push(bcnode&& node) {
  storedbytes += sizeof(bcnode) + node.path.capacity() * sizeof(arcdecision) + node.basis.capacity() * 4;
  heap.push_back(std::move(node));
  std::push_heap(heap.begin(), heap.end(), later);
}

bcnode bcnodes::pop() {
  std::pop_heap(heap.begin(), heap.end(), later);
  bcnode node = std::move(heap.back());
  heap.pop_back();
  storedbytes -= sizeof(bcnode) + node.path.capacity() * sizeof(arcdecision) + node.basis.capacity() * 4;
  return node;
}

double bcnodes::smallestbound() const { return heap.empty() ? HUGE_VAL : heap.front().bound; }

void bcnodes::apply(const std::vector<arcdecision>& path) {
  for (int j : nodefixed) lp.setupper(j, 1.0);
  nodefixed.clear();
  if (path.empty()) return;
  const int n = m.n, W = m.W;
  std::fill(forbidden.begin(), forbidden.end(), 0);
  std::fill(required.begin(), required.end(), 0);
  for (const arcdecision& a : path)
    addbit(&(a.required ? required : forbidden)[size_t(a.child) * W], a.parent);
  // Ancestors through required arcs, by closing the relation (n rounds at most): a
  // family of v may not take a parent that v is an ancestor of.
  ancestors = required;
  for (bool grew = true; grew;) {
    grew = false;
    for (int v = 0; v < n; ++v) {
      setword* a = &ancestors[size_t(v) * W];
      forbits(a, W, [&](int u) {
        const setword* b = &ancestors[size_t(u) * W];
        for (int w = 0; w < W; ++w)
          if (b[w] & ~a[w]) {
            a[w] |= b[w];
            grew = true;
          }
      });
    }
  }
  for (int v = 0; v < n; ++v)
    for (int u = 0; u < n; ++u)
      if (u != v && hasbit(&ancestors[size_t(u) * W], v)) addbit(&forbidden[size_t(v) * W], u);
  for (int v = 0; v < n; ++v) {
    const setword* f = &forbidden[size_t(v) * W];
    const setword* r = &required[size_t(v) * W];
    if (setsize(f, W) + setsize(r, W) == 0) continue;
    for (int j = m.start[v]; j < m.start[v + 1]; ++j) {
      if (!lp.live(j)) continue;
      const setword* p = m.parents(j);
      if (meet(p, f, W) || !within(r, p, W)) {
        lp.setupper(j, 0.0);
        nodefixed.push_back(j);
      }
    }
  }
}
