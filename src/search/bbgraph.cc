#include "search/bbgraph.hh"

#include <algorithm>

bbgraph::bbgraph(int n)
    : n(n), W(n > 64 ? (n + 63) / 64 : 1), par(size_t(n) * W, 0), chi(size_t(n) * W, 0),
      index(size_t(n)), lowlink(size_t(n)), stack(size_t(n)), onstack(W),
      allcomps(W), firstcomp(W), all(W, 0), reached(W), todo(W) {
  calls.reserve(size_t(n));
  for (int v = 0; v < n; ++v) all[v >> 6] |= uint64_t(1) << (v & 63);
}

// Only the arcs that change touch the children rows: a child of a search node differs
// from it in one variable's parent set, mostly by a parent or two.
void bbgraph::setparents(int v, const uint64_t* mask) {
  uint64_t* row = &par[size_t(v) * W];
  const uint64_t bit = uint64_t(1) << (v & 63);
  for (int k = 0; k < W; ++k) {
    uint64_t diff = row[k] ^ mask[k];
    row[k] = mask[k];
    while (diff != 0) {
      const int q = 64 * k + __builtin_ctzll(diff);
      diff &= diff - 1;
      chi[size_t(q) * W + (v >> 6)] ^= bit;
    }
  }
}

// Breadth-first closure on word sets: every node taken from todo adds its unreached
// neighbours inside `within`, so each node's row is read once.
void bbgraph::closure(const uint64_t* rows, const uint64_t* from, const uint64_t* within,
                      uint64_t* out, uint64_t* todo) const {
  for (int k = 0; k < W; ++k) out[k] = todo[k] = from[k];
  for (int k = 0; k < W; ++k) {
    while (todo[k] != 0) {
      const int x = 64 * k + __builtin_ctzll(todo[k]);
      todo[k] &= todo[k] - 1;
      const uint64_t* row = rows + size_t(x) * W;
      for (int j = 0; j < W; ++j) {
        const uint64_t fresh = row[j] & within[j] & ~out[j];
        out[j] |= fresh;
        todo[j] |= fresh;
      }
      // A node added in an earlier word is taken up by restarting from there.
      for (int j = 0; j < k; ++j)
        if (todo[j] != 0) k = j;
    }
  }
}

void bbgraph::strongcomp(bitmap& first, bitmap& below, int& count) {
  std::fill(index.begin(), index.end(), 0);
  std::fill(onstack.begin(), onstack.end(), 0);
  std::fill(allcomps.begin(), allcomps.end(), 0);
  std::fill(firstcomp.begin(), firstcomp.end(), 0);
  int counter = 1, depth = 0;
  count = 0;
  for (int i = 0; i < n; ++i)
    if (index[i] == 0) visit(i, counter, depth, count);
  closure(chi.data(), allcomps.data(), all.data(), reached.data(), todo.data());
  for (int k = 0; k < W; ++k) reached[k] &= ~firstcomp[k];
  tobitmap(firstcomp.data(), first);
  tobitmap(reached.data(), below);
}

// Tarjan's algorithm with an explicit stack of call frames instead of recursion; a frame
// walks its node's children word by word in increasing order.
void bbgraph::visit(int start, int& counter, int& depth, int& count) {
  calls.clear();
  auto enter = [&](int v) {
    index[v] = lowlink[v] = counter++;
    stack[depth++] = v;
    onstack[v >> 6] |= uint64_t(1) << (v & 63);
    calls.push_back({v, 0, chi[size_t(v) * W]});
  };
  enter(start);
  while (!calls.empty()) {
    frame& f = calls.back();
    const int v = f.v;
    while (f.left == 0 && f.word + 1 < W) f.left = chi[size_t(v) * W + ++f.word];
    if (f.left == 0) {
      calls.pop_back();
      if (index[v] == lowlink[v]) popcomponent(v, depth, count);
      if (!calls.empty()) {
        int& up = lowlink[calls.back().v];
        up = std::min(up, lowlink[v]);
      }
      continue;
    }
    const int w = 64 * f.word + __builtin_ctzll(f.left);
    f.left &= f.left - 1;
    if (index[w] == 0) {
      enter(w);
    } else if (((onstack[w >> 6] >> (w & 63)) & 1) && index[w] < lowlink[v]) {
      lowlink[v] = index[w];
    }
  }
}

// Pops the component rooted at v; a single node never counts as a component.
void bbgraph::popcomponent(int v, int& depth, int& count) {
  if (stack[depth - 1] == v) {
    --depth;
    onstack[v >> 6] &= ~(uint64_t(1) << (v & 63));
    return;
  }
  std::fill(firstcomp.begin(), firstcomp.end(), 0);
  int w;
  do {
    w = stack[--depth];
    const uint64_t bit = uint64_t(1) << (w & 63);
    onstack[w >> 6] &= ~bit;
    firstcomp[w >> 6] |= bit;
    allcomps[w >> 6] |= bit;
  } while (w != v);
  ++count;
}

void bbgraph::tobitmap(const uint64_t* words, bitmap& out) const {
  uint32_t* to = out.words();
  for (int k = 0; k < out.gN(); ++k) to[k] = uint32_t(words[k >> 1] >> (32 * (k & 1)));
}

void bbgraph::frombitmap(const bitmap& in, uint64_t* words) const {
  std::fill(words, words + W, 0);
  const uint32_t* from = in.words();
  for (int k = 0; k < in.gN(); ++k) words[k >> 1] |= uint64_t(from[k]) << (32 * (k & 1));
}
