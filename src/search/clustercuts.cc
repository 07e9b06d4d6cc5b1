#include "search/clustercuts.hh"

#include <algorithm>

namespace {

// Families below this mass are left out of the support: the LP's own tolerance.
constexpr double negligible = 1e-9;

}  // namespace

clustercuts::clustercuts(const ilpmodel& m)
    : m(m), n(m.n), W(m.W), famat(size_t(m.n) + 1), occursat(size_t(m.n) + 1),
      state(size_t(m.n)), alive(size_t(m.n)), found(size_t(m.W)) {}

void clustercuts::load(const double* x) {
  famchild.clear();
  fammass.clear();
  famcol.clear();
  std::fill(occursat.begin(), occursat.end(), 0);
  for (int v = 0; v < n; ++v) {
    famat[v] = int(famcol.size());
    for (int j = m.start[v]; j < m.start[v + 1]; ++j) {
      if (x[j] <= negligible) continue;
      if (setsize(m.parents(j), W) == 0) continue;
      famchild.push_back(v);
      fammass.push_back(x[j]);
      famcol.push_back(j);
    }
  }
  famat[n] = int(famcol.size());
  // Occurrence lists by counting: every family is listed under each of its parents.
  const int F = int(famcol.size());
  liveparents.assign(size_t(F), 0);
  inparents.assign(size_t(F), 0);
  for (int f = 0; f < F; ++f)
    forbits(m.parents(famcol[f]), W, [&](int q) {
      ++occursat[q + 1];
      ++liveparents[f];
    });
  for (int v = 0; v < n; ++v) occursat[v + 1] += occursat[v];
  occurs.assign(size_t(occursat[n]), 0);
  std::vector<int> fill(occursat.begin(), occursat.end() - 1);
  for (int f = 0; f < F; ++f)
    forbits(m.parents(famcol[f]), W, [&](int q) { occurs[fill[q]++] = f; });
  for (int v = 0; v < n; ++v) {
    state[v] = undecided;
    alive[v] = 0.0;
    for (int f = famat[v]; f < famat[v + 1]; ++f)
      if (liveparents[f] >= k) alive[v] += fammass[f];
  }
  trail.clear();
  members.clear();
  deadin = 0.0;
}

void clustercuts::setin(int u) {
  state[u] = in;
  for (int i = occursat[u]; i < occursat[u + 1]; ++i) ++inparents[occurs[i]];
  trail.push_back(u);
  members.push_back(u);
  deadin += 1.0 - alive[u];
}

// u stays out: every family whose last live parent u was dies. False when IN can no
// longer beat the target.
bool clustercuts::setout(int u) {
  state[u] = out;
  trail.push_back(u);
  for (int k = occursat[u]; k < occursat[u + 1]; ++k) {
    const int f = occurs[k];
    if (--liveparents[f] != k - 1) continue;
    const int c = famchild[f];
    alive[c] -= fammass[f];
    if (state[c] == in) deadin += fammass[f];
  }
  return deadin < k - target;
}

void clustercuts::undo(size_t mark) {
  while (trail.size() > mark) {
    const int u = trail.back();
    trail.pop_back();
    if (state[u] == in) {
      for (int i = occursat[u]; i < occursat[u + 1]; ++i) --inparents[occurs[i]];
      deadin -= 1.0 - alive[u];
      members.pop_back();
    } else {
      for (int k = occursat[u]; k < occursat[u + 1]; ++k) {
        const int f = occurs[k];
        if (liveparents[f]++ != k - 1) continue;
        const int c = famchild[f];
        alive[c] += fammass[f];
        if (state[c] == in) deadin -= fammass[f];
      }
    }
    state[u] = undecided;
  }
}

// Sends OUT every undecided variable whose dead mass alone closes the bound, until
// none is left. False when the node cannot beat the target.
bool clustercuts::propagate() {
  for (bool changed = true; changed;) {
    changed = false;
    if (!(deadin < k - target)) return false;
    for (int u = 0; u < n; ++u) {
      if (state[u] != undecided || (1.0 - alive[u]) + deadin < k - target) continue;
      if (!setout(u)) return false;
      changed = true;
    }
  }
  return true;
}

// The violation of the cluster IN itself: a family counts when k of its parents are IN.
double clustercuts::violation() const {
  double total = 0.0;
  for (int v : members) {
    double hit = 0.0;
    for (int f = famat[v]; f < famat[v + 1]; ++f)
      if (inparents[f] >= k) hit += fammass[f];
    total += 1.0 - hit;
  }
  return k - total;
}

void clustercuts::dive() {
  if (++visited > limit) return;
  if (int(members.size()) > k) {
    const double v = violation();
    if (v > target) {
      target = v;
      foundviolation = v;
      std::fill(found.begin(), found.end(), 0);
      for (int u : members) addbit(found.data(), u);
      if (!propagate()) return;
    }
  }
  // Branch on the heaviest pending family of IN (alive, not yet hit): the cluster either
  // takes one more of its undecided parents or pays its mass.
  int heaviest = -1;
  for (int v : members)
    for (int f = famat[v]; f < famat[v + 1]; ++f)
      if (liveparents[f] >= k && inparents[f] < k &&
          (heaviest < 0 || fammass[f] > fammass[heaviest]))
        heaviest = f;
  if (heaviest < 0) return;
  // Its undecided parent with the least dead mass joins first.
  int u = -1;
  forbits(m.parents(famcol[heaviest]), W, [&](int q) {
    if (state[q] == undecided && (u < 0 || alive[q] > alive[u])) u = q;
  });
  if (u < 0) return;
  const size_t mark = trail.size();
  setin(u);
  if (propagate()) dive();
  undo(mark);
  if (setout(u) && propagate()) dive();
  undo(mark);
}

int clustercuts::separate(const double* x, int order, double minviolation, long budget,
                          std::vector<setword>& out, long& nodes) {
  k = order;
  load(x);
  visited = 0;
  target = minviolation;
  int added = 0;
  if (!propagate()) return 0;
  const long perseed = std::max<long>(budget / std::max(n, 1), 64);
  for (int s = 0; s < n && visited < budget; ++s) {
    if (state[s] != undecided) continue;
    const size_t mark = trail.size();
    target = minviolation;
    foundviolation = 0.0;
    limit = std::min(visited + perseed, budget);
    setin(s);
    if (propagate()) dive();
    undo(mark);
    if (foundviolation > minviolation) {
      out.insert(out.end(), found.begin(), found.end());
      out.push_back(setword(k));
      ++added;
    }
    // Later seeds look only for clusters without s.
    target = minviolation;
    if (!setout(s) || !propagate()) break;
  }
  nodes = visited;
  return added;
}

int clustercuts::cycles(const std::vector<int>& chosen, std::vector<setword>& out) {
  // Tarjan's strong components over the arcs child -> parent, iteratively.
  std::vector<int> index(size_t(n), -1), low(size_t(n), 0), stack, calls, next(size_t(n), 0);
  std::vector<char> onstack(size_t(n), 0);
  int counter = 0, added = 0;
  for (int root = 0; root < n; ++root) {
    if (index[root] >= 0) continue;
    calls.push_back(root);
    while (!calls.empty()) {
      const int v = calls.back();
      if (index[v] < 0) {
        index[v] = low[v] = counter++;
        stack.push_back(v);
        onstack[v] = 1;
      }
      const uint64_t* p = m.parents(chosen[v]);
      int q = next[v];
      while (q < n && !hasbit(p, q)) ++q;
      if (q < n) {
        next[v] = q + 1;
        if (index[q] < 0) {
          calls.push_back(q);
        } else if (onstack[q]) {
          low[v] = std::min(low[v], index[q]);
        }
        continue;
      }
      calls.pop_back();
      if (!calls.empty()) low[calls.back()] = std::min(low[calls.back()], low[v]);
      if (low[v] != index[v]) continue;
      std::vector<uint64_t> comp(size_t(W), 0);
      int size = 0;
      for (int u = -1; u != v; ++size) {
        u = stack.back();
        stack.pop_back();
        onstack[u] = 0;
        addbit(comp.data(), u);
      }
      if (size >= 2) {
        out.insert(out.end(), comp.begin(), comp.end());
        out.push_back(1);
        ++added;
      }
    }
  }
  return added;
}

// Triangles {v, a, b} for every support family of v holding parents a and b: at most
// one of the three may take both others as parents.
int clustercuts::triangles(const double* x, double minviolation, std::vector<setword>& out) {
  load(x);
  std::vector<int> parentsof;
  std::vector<uint64_t> seen;
  std::vector<uint64_t> cut(size_t(W) + 1);
  int added = 0;
  for (int f = 0; f < int(famcol.size()); ++f) {
    const uint64_t* p = m.parents(famcol[f]);
    parentsof.clear();
    for (int w = 0; w < W; ++w)
      for (uint64_t word = p[w]; word; word &= word - 1) parentsof.push_back(64 * w + lowestbit(word));
    for (size_t i = 0; i < parentsof.size(); ++i)
      for (size_t k = i + 1; k < parentsof.size(); ++k) {
        const int tri[3] = {famchild[f], parentsof[i], parentsof[k]};
        std::fill(cut.begin(), cut.end(), 0);
        for (int t : tri) addbit(cut.data(), t);
        double mass = 0.0;
        for (int t = 0; t < 3; ++t)
          for (int g = famat[tri[t]]; g < famat[tri[t] + 1]; ++g) {
            const uint64_t* q = m.parents(famcol[g]);
            if (hasbit(q, tri[(t + 1) % 3]) && hasbit(q, tri[(t + 2) % 3])) mass += fammass[g];
          }
        if (mass - 1.0 <= minviolation) continue;
        const uint64_t key = (uint64_t(std::min({tri[0], tri[1], tri[2]})) << 40) |
                             (uint64_t(std::max({tri[0], tri[1], tri[2]})) << 20) |
                             uint64_t(tri[0] + tri[1] + tri[2]);
        if (std::find(seen.begin(), seen.end(), key) != seen.end()) continue;
        seen.push_back(key);
        cut[W] = 2;
        out.insert(out.end(), cut.begin(), cut.end());
        ++added;
      }
  }
  return added;
}
