#include "search/cyclefinder.hh"

#include <algorithm>

cyclefinder::cyclefinder(int n)
    : W(wordsfor(n)), inmask(W), starts(W), onpath(W), seen(W), layer(W),
      next(W), todo(W), within(size_t(n + 1) * W) {
  path.reserve(size_t(n));
}

bool cyclefinder::find(const bbgraph& g, const bitmap& mask, std::vector<int>& cycle) {
  return W == 1 ? findw<1>(g, mask, cycle) : findw<0>(g, mask, cycle);
}

template <int FW>
bool cyclefinder::findw(const bbgraph& g, const bitmap& mask, std::vector<int>& cycle) {
  const int n = g.n, w = FW ? FW : W;
  for (int k = 0; k < w; ++k) inmask[k] = starts[k] = seen[k] = 0;
  for (int v = 0; v < n; ++v)
    if (mask.gN() == 0 || mask.test(v)) addbit(inmask.data(), v);
  // The starts of the exhaustive walk: each node not reachable from an earlier start.
  for (int j = 0; j < n; ++j) {
    if (!hasbit(inmask.data(), j) || hasbit(seen.data(), j)) continue;
    addbit(starts.data(), j);
    for (int k = 0; k < w; ++k) layer[k] = 0;
    addbit(layer.data(), j);
    g.closure<FW>(g.childrows(), layer.data(), inmask.data(), next.data(), todo.data());
    for (int k = 0; k < w; ++k) seen[k] |= next[k];
  }
  const int len = girth<FW>(g);
  cycle.clear();
  if (len == 0) return false;
  for (int y = 0; y < n; ++y) {
    if (!hasbit(inmask.data(), y)) continue;
    distancesto<FW>(g, y, len);
    path.assign(1, y);
    for (int k = 0; k < w; ++k) onpath[k] = 0;
    addbit(onpath.data(), y);
    if (extend<FW>(g, 1, len)) {
      cycle = path;
      return true;
    }
  }
  return false;
}

// Shortest cycle length inside the mask (0 when acyclic): for each node s, a
// breadth-first search from s by whole layers; the first layer holding a parent of s
// closes a cycle of depth + 1 nodes.
template <int FW>
int cyclefinder::girth(const bbgraph& g) {
  const int w = FW ? FW : W;
  int best = 0;
  for (int s = 0; s < g.n && best != 2; ++s) {  // no cycle is shorter than 2
    if (!hasbit(inmask.data(), s)) continue;
    const setword* into = g.parents(s);
    bool entered = false;
    for (int k = 0; k < w; ++k) entered = entered || (into[k] & inmask[k]) != 0;
    if (!entered) continue;
    for (int k = 0; k < w; ++k) layer[k] = seen[k] = 0;
    addbit(layer.data(), s);
    addbit(seen.data(), s);
    for (int depth = 0; best == 0 || depth + 1 < best; ++depth) {
      bool closes = false, grows = false;
      for (int k = 0; k < w; ++k) closes = closes || (layer[k] & into[k] & inmask[k]) != 0;
      if (closes) {
        best = depth + 1;
        break;
      }
      for (int k = 0; k < w; ++k) next[k] = 0;
      for (int k = 0; k < w; ++k)
        for (setword word = layer[k]; word != 0; word &= word - 1) {
          const setword* row = g.children(64 * k + lowestbit(word));
          for (int j = 0; j < w; ++j) next[j] |= row[j];
        }
      for (int k = 0; k < w; ++k) {
        layer[k] = next[k] & inmask[k] & ~seen[k];
        seen[k] |= layer[k];
        grows = grows || layer[k] != 0;
      }
      if (!grows) break;
    }
  }
  return best;
}

// within row d: the nodes of the mask with a path of at most d arcs to y inside the mask.
template <int FW>
void cyclefinder::distancesto(const bbgraph& g, int y, int len) {
  const int w = FW ? FW : W;
  setword* row = within.data();
  for (int k = 0; k < w; ++k) row[k] = layer[k] = 0;
  addbit(row, y);
  addbit(layer.data(), y);
  for (int d = 1; d <= len; ++d) {
    setword* cur = row + size_t(d) * w;
    const setword* prev = cur - w;
    for (int k = 0; k < w; ++k) next[k] = 0;
    for (int k = 0; k < w; ++k)
      for (setword word = layer[k]; word != 0; word &= word - 1) {
        const setword* from = g.parents(64 * k + lowestbit(word));
        for (int j = 0; j < w; ++j) next[j] |= from[j];
      }
    for (int k = 0; k < w; ++k) {
      layer[k] = next[k] & inmask[k] & ~prev[k];
      cur[k] = prev[k] | layer[k];
    }
  }
}

// Depth-first extension of path (depth nodes so far) to a cycle of len nodes through
// path[0], children in increasing order, so cycles come in lexicographic order. A child
// must be new and still able to return to path[0] within the remaining arcs.
template <int FW>
bool cyclefinder::extend(const bbgraph& g, int depth, int len) {
  const int w = FW ? FW : W;
  const int y = path[0], x = path.back();
  const setword* out = g.children(x);
  if (depth == len) return hasbit(out, y) && recorded<FW>(g);
  const setword* near = &within[size_t(len - depth) * w];
  for (int k = 0; k < w; ++k) {
    setword word = out[k] & inmask[k] & near[k] & ~onpath[k];
    while (word != 0) {
      const int z = 64 * k + lowestbit(word);
      word &= word - 1;
      path.push_back(z);
      addbit(onpath.data(), z);
      if (extend<FW>(g, depth + 1, len)) return true;
      dropbit(onpath.data(), z);
      path.pop_back();
    }
  }
  return false;
}

// Whether the rotation in path is recorded: some start reaches path[0] while avoiding
// the other cycle nodes, found backwards from path[0] over the parent rows.
template <int FW>
bool cyclefinder::recorded(const bbgraph& g) {
  const int w = FW ? FW : W;
  const int y = path[0];
  for (int k = 0; k < w; ++k) {
    layer[k] = 0;
    next[k] = inmask[k] & ~onpath[k];
  }
  addbit(layer.data(), y);
  addbit(next.data(), y);
  g.closure<FW>(g.parentrows(), layer.data(), next.data(), seen.data(), todo.data());
  for (int k = 0; k < w; ++k)
    if ((seen[k] & starts[k]) != 0) return true;
  return false;
}
