#include "search/cycleguard.hh"

#include <algorithm>

cycleguard::cycleguard(int n) : mark(n > 0 ? n : 0, 0u), stack(n > 0 ? n : 0) {}

bool cycleguard::closes_cycle(const matrix<int>& parents, int v, const matrix<char>& before) {
  if (++stamp == 0) {
    std::fill(mark.begin(), mark.end(), 0u);
    stamp = 1;
  }
  int top = 0;
  const int count = parents(v, 0);
  for (int c = 1; c <= count; ++c) {
    const int p = parents(v, c);
    if (before[p] > 0 || mark[p] == stamp) continue;
    mark[p] = stamp;
    stack[top++] = p;
  }
  while (top > 0) {
    const int x = stack[--top];
    const int up = parents(x, 0);
    for (int c = 1; c <= up; ++c) {
      const int y = parents(x, c);
      if (y == v) return true;
      if (mark[y] == stamp) continue;
      mark[y] = stamp;
      stack[top++] = y;
    }
  }
  return false;
}
