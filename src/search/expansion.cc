// Node expansion of the branch-and-bound search.
//
// A node whose relaxation holds a cycle is split on one shortest cycle so that every
// child breaks it differently and no network lies in two children (the cycle rule); an
// acyclic relaxation is either a solution or, when it is too wide, split so that every
// child denies one variable its best set (the width rule).
#include <cstdlib>
#include <iostream>
#include <sstream>

#include "core/fail.hh"
#include "search/bbsearch.hh"

bool bbsearch::expand(double& k) {
  if (comp.empty()) return settleacyclic(k);
  return expandcycle(k);
}

// Child evaluation: prune by bound, solve an acyclic thin relaxation at once, otherwise
// queue the child with the components of its own relaxation. relax and adj already hold
// the child's relaxation (see setrow).
bool bbsearch::evaluatechild(double K, double k) {
  if (K <= best) {
    ++prunebyval;
    return false;
  }
  tj.strongcomp(adj);
  const bitmap& first = tj.components.front();
  // The width only matters for an acyclic relaxation, so it is computed only there.
  if (first.empty() && passeswidth(relax)) return newincumbent(K, "Best found so far value=");
  work->set(perVar.data(), tj.below, first, n);
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

// Clears the entries of c that hold the parent (arc split) or any other cycle member
// (leave-one-out split); with keepwith, clears the others instead.
void bbsearch::restrictchild(int c, int parent, bool leaveoneout, bool keepwith) {
  bitmap& b = perVar[c];
  uint32_t* words = b.words();
  for (int k = 0; k < b.gN(); ++k) {
    uint32_t word = words[k];
    while (word != 0) {
      const int bit = __builtin_ctz(word);
      word &= word - 1;
      const char* set = lists[c][32 * k + bit].second.data;
      bool holds = false;
      if (leaveoneout) {
        for (int x : cycle) holds = holds || (x != c && set[x] > 0);
      } else {
        holds = set[parent] > 0;
      }
      if (holds != keepwith) words[k] &= ~(1u << bit);
    }
  }
}

// Puts entry e of variable c into row c of relax and updates the children lists of the
// variables that gain or lose c as a child: a child differs from its node in one row, so
// this replaces a full rebuild of the relaxation and its adjacency per child.
void bbsearch::setrow(int c, int e) {
  const char* set = lists[c][e].second.data;
  changed.clear();
  for (int q = 0; q < n; ++q) {
    char& cell = relax(c, q);
    if (q != c && (cell > 0) != (set[q] > 0)) changed.push_back(q);
    cell = set[q];
  }
  for (int q : changed) getAdjChild(relax, adj, q);
}

// The cycle rule. Arc i of the cycle (parent c_i, child c_{i+1}) yields the child in
// which that arc is broken while the arcs before it are kept, so the children are
// disjoint. w tracks the bound of what remains after the kept arcs.
bool bbsearch::expandcycle(double& k) {
  check(bitmap::frombitmap(perVar.data(), relax, lists), "frombitmap(perVar)");
  getAdjChild(relax, adj, -1);
  if (!firstcycle(comp)) {
    // The stored component came from a wider graph than the relaxation (the root, or a
    // child of the width rule): the relaxation's own components decide.
    tj.strongcomp(adj);
    if (tj.components.front().empty()) return settleacyclic(k);
    comp = tj.components.front();
    check(firstcycle(comp), "firstcycle(comp)");
  }
  const bool leaveoneout = p.heuristictype % 2 != 0;
  const int L = int(cycle.size());
  for (int v = 0; v < n; ++v) saved[v] = perVar[v];
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
    restrictchild(c, parent, leaveoneout, false);
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
    perVar[c] = saved[c];
    restrictchild(c, parent, leaveoneout, true);
    const int kept = perVar[c].highest();
    if (kept < 0) {
      ++prunebyfeas;
      break;
    }
    setrow(c, kept);
    saved[c] = perVar[c];
    w = w + lists[c][kept].first - so;
  }
  k = w;
  return false;
}

// An acyclic relaxation is the best network of its node when it is thin enough;
// otherwise the width rule splits it. A node that cannot beat the incumbent is dropped.
bool bbsearch::settleacyclic(double k) {
  check(bitmap::frombitmap(perVar.data(), relax, lists), "frombitmap(perVar)");
  if (passeswidth(relax)) return k > best && newincumbent(k, "Best found so far score=");
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
bool bbsearch::firstcycle(const bitmap& mask) { return cycles.find(adj, mask, cycle); }
