// bbgraph: the digraph of a branch-and-bound relaxation as rows of 64-bit words, so that a
// child, which changes one variable's parent set, costs a few word operations instead of
// a rebuild of an n x n matrix and its adjacency lists.
//
// Row v of `par` holds v's parents, row q of `chi` q's children (bit x of word x/64); W
// words per row, bits at n and above stay 0. An arc q -> v is in par(v) exactly when v is
// in chi(q), and no row holds its own node. The strong-component run gives exactly what a
// tarjan run over the matching adjacency lists gives: the same depth-first order (starts
// and neighbours in increasing order), so the same first component.
#pragma once

#include <vector>

#include "core/bitmap.hh"
#include "core/wordset.hh"

class bbgraph {
 public:
  const int n;
  const int W;  // words per row

  explicit bbgraph(int n);

  const setword* parents(int v) const { return &par[size_t(v) * W]; }
  const setword* children(int v) const { return &chi[size_t(v) * W]; }
  const setword* parentrows() const { return par.data(); }
  const setword* childrows() const { return chi.data(); }

  // Makes mask (W words, without v) the parent set of v.
  void setparents(int v, const setword* mask);
  // Makes rows[v] the parent set of every v at once, the children rows rebuilt by one
  // transposition instead of per-row updates (2% of the search's instructions on
  // voting_435, where a new node's rows mostly differ from the last child's).
  void setallparents(const setword* const* rows);
  // The nodes reachable from `from` (themselves included) along the arcs of `rows`
  // (par or chi, W words per node) through nodes of `within`; todo is W words of scratch.
  // FW is W when known at compile time (1, up to 64 nodes) and 0 otherwise: the
  // one-word form lets every word loop vanish, which halved the search's graph work.
  template <int FW>
  void closure(const setword* rows, const setword* from, const setword* within,
               setword* out, setword* todo) const;
  // Strong components as tarjan::strongcomp with no mask or target gives them: first is
  // the last non-trivial component completed (empty when none), below what any
  // non-trivial component reaches, less first; count the number of such components.
  void strongcomp(bitmap& first, bitmap& below, int& count);

  // Copies a word set into a bitmap over the n nodes.
  void tobitmap(const setword* words, bitmap& out) const;

 private:
  std::vector<setword> par, chi;
  // Scratch of strongcomp: per node its index and lowlink (0: not visited), the node
  // stack with its membership, the call frames (node, word, bits left), and word sets.
  struct frame {
    int v;
    int word;
    setword left;
  };
  std::vector<int> index, lowlink, stack;
  std::vector<frame> calls;
  std::vector<setword> onstack, allcomps, firstcomp, all, reached, back, todo;

  template <int FW>
  void run(int& count);
  template <int FW>
  bool single(int& count);
  template <int FW>
  void visit(int start, int& counter, int& depth, int& count);
  void popcomponent(int v, int& depth, int& count);
};
