// Node expansion of the branch-and-bound search.
//
// A node whose relaxation holds a cycle is split on one shortest cycle so that every
// child breaks it differently and no network lies in two children (the cycle rule); an
// acyclic relaxation is either a solution or, when it is too wide, split so that every
// child denies one variable its best set (the width rule).
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>

#include "core/fail.hh"
#include "search/bbsearch.hh"

bool bbsearch::expand(double& k) {
  if (comp.empty()) return settleacyclic(k);
  return expandcycle(k);
}

// Child evaluation: prune by bound, solve an acyclic thin relaxation at once, otherwise
// queue the child with the components of its own relaxation. graph and chosen already
// hold the child's relaxation (see setrow), the work element its entries (see mirror).
bool bbsearch::evaluatechild(double K, double k) {
  if (K <= best) {
    ++prunebyval;
    return false;
  }
  strongcomp();
  const bitmap& first = tj.components.front();
  // The width only matters for an acyclic relaxation, so it is computed only there.
  if (first.empty() && passeswidth()) return newincumbent(K, "Best found so far value=");
  const int words = first.gN();
  std::memcpy(work->getdata(), tj.below.words(), 4 * size_t(words));
  std::memcpy(work->getdata() + words, first.words(), 4 * size_t(words));
  *work->gets() = K;
  if (K > k + 1e-9) {
    std::ostringstream line;
    line << "Value has increased score=" << K << " original=" << (k + 1e-9);
    io::messaging(io::errorlevel, line.str());
    bitmap::printbitmap(perVar.data(), unsigned(n), lists);
    std::abort();
  }
  queue->insert(*work);
  return false;
}

// The strong components of the relaxation in hand, left in tj as a run of it leaves them.
// A run keeps one bitmap per component found (one empty bitmap when none), and live
// bitmaps count in the memory figure, so the list is kept at that length.
void bbsearch::strongcomp() {
  int count = 0;
  if (tj.components.empty()) tj.components.emplace_back(n);
  graph.strongcomp(tj.components.front(), tj.below, count);
  const size_t length = size_t(std::max(count, 1));
  if (tj.components.size() != length) tj.components.resize(length, bitmap(n));
}

// cut: the entries of c that hold the parent (arc split) or any other cycle member
// (leave-one-out split), as a bitmap over c's list.
void bbsearch::cutmask(int c, int parent, bool leaveoneout) {
  const int words = perVar[c].gN();
  const uint32_t* table = &holding[holdingat[c]];
  if (!leaveoneout) {
    std::copy(table + size_t(parent) * words, table + size_t(parent + 1) * words, cut.begin());
    return;
  }
  std::fill(cut.begin(), cut.begin() + words, 0u);
  for (int x : cycle) {
    if (x == c) continue;
    const uint32_t* row = table + size_t(x) * words;
    for (int k = 0; k < words; ++k) cut[k] |= row[k];
  }
}

// Makes entry e variable c's parent set in the relaxation in hand.
void bbsearch::setrow(int c, int e) {
  chosen[c] = e;
  graph.setparents(c, pmasks.of(c, e));
}

// The relaxation of perVar into graph and chosen; false when a variable has no entry.
bool bbsearch::loadrelaxation() {
  for (int v = 0; v < n; ++v) {
    const int h = perVar[v].highest();
    if (h < 0) return false;
    chosen[v] = h;
    rows[v] = pmasks.of(v, h);
  }
  graph.setallparents(rows.data());
  return true;
}

// relax as the matrix of the chosen entries, for the elimination and the incumbent.
void bbsearch::fillrelax() {
  for (int v = 0; v < n; ++v) {
    const char* set = lists[v][chosen[v]].second.data;
    for (int q = 0; q < n; ++q) relax(v, q) = set[q];
  }
}

// The cycle rule. Arc i of the cycle (parent c_i, child c_{i+1}) yields the child in
// which that arc is broken while the arcs before it are kept, so the children are
// disjoint. w tracks the bound of what remains after the kept arcs. saved[c] holds c's
// entries before its split; only the cycle's variables change.
bool bbsearch::expandcycle(double& k) {
  check(loadrelaxation(), "frombitmap(perVar)");
  if (!firstcycle(comp)) {
    // The stored component came from a wider graph than the relaxation (the root, or a
    // child of the width rule): the relaxation's own components decide.
    strongcomp();
    if (tj.components.front().empty()) return settleacyclic(k);
    comp = tj.components.front();
    check(firstcycle(comp), "firstcycle(comp)");
  }
  const bool leaveoneout = p.heuristictype % 2 != 0;
  const int L = int(cycle.size());
  double w = k;
  const double key = k;
  for (int i = 0; i < L; ++i) {
    const int parent = cycle[i], c = cycle[(i + 1) % L];
    const int o = perVar[c].highest();
    if (o < 0) {
      ++prunebyfeas;
      break;
    }
    const double so = lists[c][o].first;
    cutmask(c, parent, leaveoneout);
    saved[c] = perVar[c];
    const uint32_t* before = saved[c].words();
    uint32_t* words = perVar[c].words();
    const int count = perVar[c].gN();
    for (int j = 0; j < count; ++j) words[j] = before[j] & ~cut[j];
    mirror(c);
    const int h = perVar[c].highest();
    if (h < 0) {
      ++prunebyfeas;
    } else {
      setrow(c, h);
      if (evaluatechild((w - so) + lists[c][h].first, key)) {
        k = w;
        return true;
      }
    }
    for (int j = 0; j < count; ++j) words[j] = before[j] & cut[j];
    mirror(c);
    const int kept = perVar[c].highest();
    if (kept < 0) {
      ++prunebyfeas;
      break;
    }
    setrow(c, kept);
    w = w + lists[c][kept].first - so;
  }
  k = w;
  return false;
}

// An acyclic relaxation is the best network of its node when it is thin enough;
// otherwise the width rule splits it. A node that cannot beat the incumbent is dropped.
bool bbsearch::settleacyclic(double k) {
  check(loadrelaxation(), "frombitmap(perVar)");
  if (passeswidth()) return k > best && newincumbent(k, "Best found so far score=");
  if (k > best) expandtreewidth(k);
  return false;
}

// The width rule. Child j denies variable j its best set and keeps variables 0..j-1 on
// theirs, so every network but the relaxation lies in exactly one child. Children carry
// the components of their union graph.
void bbsearch::expandtreewidth(double k) {
  for (int j = 0; j < n; ++j) {
    const int o = perVar[j].highest();
    const double so = lists[j][o].first;
    perVar[j].reset(o);
    const int h = perVar[j].highest();
    if (h < 0) {
      ++prunebyfeas;
    } else {
      bitmap::upperfrombitmap(perVar.data(), unionm, lists);
      getAdjChild(unionm, adj, -1);
      tj.strongcomp(adj);
      work->set(perVar.data(), tj.below, tj.components.front(), n);
      *work->gets() = k - so + lists[j][h].first;
      queue->insert(*work);
    }
    perVar[j].keeponly(o);
  }
}

// The first cycle acyclicAdj(adj, false, mask) would give: a shortest one, confined to
// the node's component.
bool bbsearch::firstcycle(const bitmap& mask) { return cycles.find(graph, mask, cycle); }
