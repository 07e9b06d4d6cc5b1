#include "core/graph.hh"

// Both builders write row v of adj as (count, neighbours in increasing order). With
// column-major storage adj(v, c) lies at v + c * n, so a row is strided; the loops are
// short (n entries) and run once per rebuilt row.
void getAdjChild(const matrix<char>& S, matrix<int>& adj, int node) {
  const int n = S.n;
  const int first = node >= 0 ? node : 0, last = node >= 0 ? node + 1 : n;
  for (int i = first; i < last; ++i) {
    int count = 0;
    const char* column = S.data + size_t(i) * n;  // S(k, i) for k = 0..n-1
    for (int k = 0; k < n; ++k)
      if (k != i && column[k] > 0) adj(i, ++count) = k;
    adj(i, 0) = count;
  }
}

void getAdj(const matrix<char>& S, matrix<int>& adj, int node) {
  const int n = S.n;
  const int first = node >= 0 ? node : 0, last = node >= 0 ? node + 1 : n;
  for (int i = first; i < last; ++i) {
    int count = 0;
    for (int k = 0; k < n; ++k)
      if (k != i && S(i, k) > 0) adj(i, ++count) = k;
    adj(i, 0) = count;
  }
}

// Iterative depth-first search from child to parent, roots and parents in increasing
// order; the first arc back onto the current path closes the returned cycle. mark is
// 0 for unvisited nodes, depth + 1 while a node is on the path and -1 once finished.
// A node's parent scan resumes where it stopped: every parent skipped before was
// finished (an unvisited one would have been entered, a path one would have closed a
// cycle), and finished nodes stay finished, so resuming meets the same first parent
// as a scan from 0. Cost O(n^2) for the whole graph.
matrix<int> acyclic(const matrix<char>& S) {
  const int n = S.n;
  if (n <= 0) return matrix<int>();
  matrix<int> mark(n, 1, 0), path(n, 1, 0), cursor(n, 1, 0);
  for (int r = 0; r < n; ++r) {
    if (mark[r] != 0) continue;
    int top = 0;
    path[0] = r;
    mark[r] = 1;
    cursor[0] = 0;
    while (top >= 0) {
      const int x = path[top], b = mark[x];
      int c = cursor[top];
      for (; c < n; ++c) {
        if (c == x || S(x, c) <= 0) continue;
        if (mark[c] >= 1) {
          matrix<int> cycle(b - mark[c] + 1, 1);
          for (int p = mark[c] - 1, q = 0; p <= top; ++p, ++q) cycle[q] = path[p];
          return cycle;
        }
        if (mark[c] == 0) break;
      }
      cursor[top] = c + 1;
      if (c < n) {
        path[++top] = c;
        cursor[top] = 0;
        mark[c] = b + 1;
      } else {
        mark[x] = -1;
        --top;
      }
    }
  }
  return matrix<int>();
}

// Enumerates simple paths depth-first from every start not yet entered, collecting each
// arc back onto the path as a cycle (path from the arc's target to the top). A node is
// entered afresh along every path that reaches it, so the walk is exponential in the
// worst case; callers use it on small subgraphs or with firstonly set. The set orders
// cycles by length, then lexicographically, so its first element is a shortest cycle.
cycleset acyclicAdj(const matrix<int>& adj, bool firstonly, const bitmap& mask) {
  cycleset found;
  const int n = adj.n;
  if (n <= 0) return found;
  const bool masked = mask.gN() > 0;
  // Per node: cursor into its neighbour list (0 = never entered), position on the
  // path or -1 when off it.
  matrix<int> cursor(n, 1, 0), position(n, 1, -1), path(n, 1, 0);
  for (int j = 0; j < n; ++j) {
    if ((masked && !mask.test(j)) || cursor[j] != 0) continue;
    int top = 0;
    path[0] = j;
    position[j] = 0;
    while (top >= 0) {
      const int x = path[top];
      const int at = ++cursor[x];
      if (at > adj(x, 0)) {
        position[x] = -1;
        --top;
        continue;
      }
      const int y = adj(x, at);
      if (position[y] >= 0) {
        matrix<int> cycle(top + 1 - position[y], 1);
        for (int p = position[y], q = 0; p <= top; ++p, ++q) cycle[q] = path[p];
        found.insert(std::move(cycle));
        if (firstonly) return found;
      } else if (!masked || mask.test(y)) {
        path[++top] = y;
        position[y] = top;
        cursor[y] = 0;
      }
    }
  }
  return found;
}
