// A known graph to compare the learnt network with (option truegraph), and the
// comparison printed after the result.
//
// The file is either a Graphviz DOT digraph (any file holding "digraph"; its
// "a -> b -> c" statements give arcs, node statements and attributes are ignored) or
// an arc list: one arc "parent -> child" per line ("-->", blanks, a comma or a tab also
// separate the two; a leading "12." numbering is skipped), with "#" comment lines and
// the "Graph Nodes:" / "Graph Edges:" sections of Tetrad and causal-learn files.
// Variables are named by their labels, or by their numbers from 0.
//
// The comparison, written on the output stream after the score line:
//   shd <structural Hamming distance>
//   arcprecision <correct arcs / learnt arcs, %.6f>
//   arcrecall <correct arcs / true arcs, %.6f>
// The distance counts the pairs of variables joined differently in the two graphs
// (an arc missing, extra or reversed: 1 each), between the graphs as given, not their
// equivalence classes. A correct arc has the true direction; a ratio over no arcs is 1.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "core/matrix.hh"

// The graph of the file as an n x n structure ((child, parent) = 1 for an arc); a
// file that cannot be read or names an unknown variable ends the run.
matrix<char> read_truegraph(const std::string& name, const std::vector<std::string>& labels);

struct graphcomparison {
  int shd = 0;
  int learnt = 0;   // arcs of the learnt network
  int truth = 0;    // arcs of the true graph
  int correct = 0;  // arcs in both, same direction
};

graphcomparison compare_graphs(const matrix<char>& learnt, const matrix<char>& truth);
void write_comparison(FILE* out, const graphcomparison& c);
