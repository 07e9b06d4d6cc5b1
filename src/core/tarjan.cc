#include "core/graph.hh"

const bitmap tarjan::incstd;

namespace {
// index value of a node that the mask leaves out: never 0, so never visited, and
// never below a lowlink, so never taken as a back arc.
constexpr int excluded_index = 10000;
}  // namespace

tarjan::tarjan(int n)
    : stack(n, 1, 0),
      index(n, 1, 0),
      lowlink(n, 1, 0),
      onstack(n, 1, 0),
      nodes(n),
      rest(n),
      below(n) {}

bool tarjan::strongcomp(const matrix<int>& adj, int target, const bitmap& mask) {
  return strongcompaux1(adj, target, mask) != 0;
}

// One run of Tarjan's algorithm over the nodes in mask (all when it has no words),
// either from every node or only from target. Components are recorded newest first;
// with no target the first one is the last completed, a sink of the component graph
// among those found. Afterwards below holds what lies under some component (less the
// first one) and rest everything else outside the first component.
bool tarjan::strongcompaux1(const matrix<int>& adj, int target_, const bitmap& mask) {
  const int n = nodes;
  const bool masked = mask.gN() > 0;
  for (int i = 0; i < n; ++i) {
    index[i] = (!masked || mask.test(i)) ? 0 : excluded_index;
    lowlink[i] = 0;
    onstack[i] = 0;
  }
  below.clearall();
  rest.clearall();
  components.clear();
  stacksize = 0;
  found = 0;
  target = target_;
  counter = 1;
  if (target < 0) {
    for (int i = 0; i < n; ++i)
      if (index[i] == 0) strongcompaux(adj, i);
  } else {
    strongcompaux(adj, target);
  }
  if (!found) components.push_front(bitmap(n));
  const bitmap& first = components.front();
  const int words = below.gN();
  uint32_t* b = below.words();
  uint32_t* r = rest.words();
  const uint32_t* k = first.words();
  for (int w = 0; w < words; ++w) {
    b[w] &= ~k[w];
    r[w] = ~(b[w] | k[w]);
  }
  if (words > 0 && n % 32 != 0) r[words - 1] &= (1u << (n % 32)) - 1u;
  return found;
}

void tarjan::strongcompaux(const matrix<int>& adj, int v) {
  index[v] = lowlink[v] = counter++;
  stack[stacksize++] = v;
  onstack[v] = 1;
  const int count = adj(v, 0);
  for (int c = 1; c <= count; ++c) {
    const int w = adj(v, c);
    if (index[w] == 0) {
      strongcompaux(adj, w);
      if (lowlink[w] < lowlink[v]) lowlink[v] = lowlink[w];
    } else if (onstack[w] && index[w] < lowlink[v]) {
      lowlink[v] = index[w];
    }
  }
  if (index[v] != lowlink[v]) return;
  if (stack[stacksize - 1] == v) {  // a single node never counts as a component
    --stacksize;
    onstack[v] = 0;
    return;
  }
  bitmap component(nodes);
  int w;
  do {
    w = stack[--stacksize];
    onstack[w] = 0;
    component.set(w);
  } while (w != v);
  for (int c = 0; c < nodes; ++c)
    if (component.test(c)) marcadown(adj, below, c);
  if (target < 0 || component.test(target)) {
    components.push_front(std::move(component));
    found = 1;
  }
}

void tarjan::marcadown(const matrix<int>& adj, bitmap& seen, int v) {
  if (seen.test(v)) return;
  seen.set(v);
  const int count = adj(v, 0);
  for (int c = 1; c <= count; ++c) marcadown(adj, seen, adj(v, c));
}
