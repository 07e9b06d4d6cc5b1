#include "search/cyclefinder.hh"

#include <algorithm>

cyclefinder::cyclefinder(int n)
    : n(n), inmask(size_t(n)), blocked(size_t(n)), seen(size_t(n)), dist(size_t(n)),
      queue(size_t(n)), parents(size_t(n)) {}

bool cyclefinder::find(const matrix<int>& adj, const bitmap& mask, std::vector<int>& cycle) {
  for (int v = 0; v < n; ++v) {
    inmask[v] = mask.gN() == 0 || mask.test(v);
    parents[v].clear();
  }
  for (int v = 0; v < n; ++v) {
    if (!inmask[v]) continue;
    for (int k = 1; k <= adj(v, 0); ++k)
      if (inmask[adj(v, k)]) parents[adj(v, k)].push_back(v);
  }
  // The starts of the exhaustive walk: each node not reachable from an earlier start.
  starts.clear();
  std::fill(seen.begin(), seen.end(), 0);
  for (int j = 0; j < n; ++j) {
    if (!inmask[j] || seen[j]) continue;
    starts.push_back(j);
    int head = 0, tail = 0;
    queue[tail++] = j;
    seen[j] = 1;
    while (head < tail) {
      const int x = queue[head++];
      for (int k = 1; k <= adj(x, 0); ++k) {
        const int z = adj(x, k);
        if (inmask[z] && !seen[z]) {
          seen[z] = 1;
          queue[tail++] = z;
        }
      }
    }
  }
  const int g = girth(adj);
  cycle.clear();
  if (g == 0) return false;
  for (int y = 0; y < n; ++y) {
    if (!inmask[y]) continue;
    distancesto(y);
    path.assign(1, y);
    if (extend(adj, 1, g)) {
      cycle = path;
      return true;
    }
  }
  return false;
}

// Shortest cycle length inside the mask (0 when acyclic): for each node s, a
// breadth-first search from s; an arc back into s closes a cycle of depth + 1 nodes.
int cyclefinder::girth(const matrix<int>& adj) {
  int best = 0;
  for (int s = 0; s < n && best != 2; ++s) {  // no cycle is shorter than 2
    if (!inmask[s] || parents[s].empty()) continue;
    std::fill(dist.begin(), dist.end(), -1);
    int head = 0, tail = 0;
    queue[tail++] = s;
    dist[s] = 0;
    bool closed = false;
    while (head < tail && !closed) {
      const int x = queue[head++];
      if (best != 0 && dist[x] + 1 >= best) break;
      for (int k = 1; k <= adj(x, 0) && !closed; ++k) {
        const int z = adj(x, k);
        if (!inmask[z]) continue;
        if (z == s) {
          best = dist[x] + 1;
          closed = true;
        } else if (dist[z] < 0) {
          dist[z] = dist[x] + 1;
          queue[tail++] = z;
        }
      }
    }
  }
  return best;
}

// dist[v] = arcs on a shortest path from v to y inside the mask (-1: none).
void cyclefinder::distancesto(int y) {
  std::fill(dist.begin(), dist.end(), -1);
  int head = 0, tail = 0;
  queue[tail++] = y;
  dist[y] = 0;
  while (head < tail) {
    const int x = queue[head++];
    for (int v : parents[x])
      if (dist[v] < 0) {
        dist[v] = dist[x] + 1;
        queue[tail++] = v;
      }
  }
}

// Depth-first extension of path (depth nodes so far) to a cycle of g nodes through
// path[0], neighbours in increasing order, so cycles come in lexicographic order.
bool cyclefinder::extend(const matrix<int>& adj, int depth, int g) {
  const int y = path[0], x = path.back();
  if (depth == g) {
    for (int k = 1; k <= adj(x, 0); ++k)
      if (adj(x, k) == y) return recorded();
    return false;
  }
  for (int k = 1; k <= adj(x, 0); ++k) {
    const int z = adj(x, k);
    // z must be new and still able to return to y within the remaining arcs.
    if (!inmask[z] || dist[z] < 0 || dist[z] > g - depth) continue;
    if (std::find(path.begin(), path.end(), z) != path.end()) continue;
    path.push_back(z);
    if (extend(adj, depth + 1, g)) return true;
    path.pop_back();
  }
  return false;
}

// Whether the rotation in path is recorded: some start reaches path[0] while avoiding
// the other cycle nodes.
bool cyclefinder::recorded() {
  const int y = path[0];
  std::fill(blocked.begin(), blocked.end(), 0);
  for (size_t i = 1; i < path.size(); ++i) blocked[path[i]] = 1;
  // Backwards from y over unblocked nodes; any start met can reach y.
  std::fill(seen.begin(), seen.end(), 0);
  int head = 0, tail = 0;
  queue[tail++] = y;
  seen[y] = 1;
  while (head < tail) {
    const int x = queue[head++];
    if (std::binary_search(starts.begin(), starts.end(), x)) return true;
    for (int v : parents[x])
      if (!blocked[v] && !seen[v]) {
        seen[v] = 1;
        queue[tail++] = v;
      }
  }
  return false;
}
