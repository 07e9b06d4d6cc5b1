#include "search/widthguard.hh"

#include <cmath>

widthguard::widthguard(const matrix<int>& categ, double maxtreewidth)
    : bound(std::log(1.0 + maxtreewidth)), logcard(categ.size()), root(categ.size()),
      weight(categ.size()) {
  for (int v = 0; v < categ.size(); ++v) {
    if (categ[v] < 1) usable = false;
    logcard[v] = categ[v] >= 1 ? std::log(double(categ[v])) : 0.0;
    total += logcard[v];
  }
}

double widthguard::family_weight(const matrix<char>& family) const {
  double sum = 0.0;
  for (int k = 0; k < family.size(); ++k)
    if (family[k] > 0) sum += logcard[k];
  return sum;
}

int widthguard::find(int v) {
  while (root[v] != v) {
    root[v] = root[root[v]];
    v = root[v];
  }
  return v;
}

// Union-find over the arcs, carrying each component's weight at its root: linear in
// the number of arcs, against the cubic-per-step min-fill elimination it replaces.
bool widthguard::surely_within(const matrix<int>& parents) {
  if (!usable) return false;
  const double limit = bound - margin;
  if (total <= limit) return true;
  const int n = parents.n;
  for (int v = 0; v < n; ++v) {
    root[v] = v;
    weight[v] = logcard[v];
  }
  double heaviest = 0.0;
  for (int v = 0; v < n; ++v) {
    const int count = parents(v, 0);
    for (int c = 1; c <= count; ++c) {
      const int a = find(v), b = find(parents(v, c));
      if (a == b) continue;
      root[b] = a;
      weight[a] += weight[b];
      if (weight[a] > heaviest) heaviest = weight[a];
    }
  }
  for (int v = 0; v < n; ++v)
    if (logcard[v] > heaviest) heaviest = logcard[v];
  return heaviest <= limit;
}
