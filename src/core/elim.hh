// Moral graph and weighted treewidth estimation.
//
// Widths are weighted: the weight of a clique is the sum of ln(number of states) of its
// members, the logarithm of its joint state count. A structure meets a treewidth bound
// t when ln(1 + t) >= its width.
#pragma once

#include <vector>

#include "core/matrix.hh"

// Symmetric 0/1 moral graph of structure S (zero diagonal).
matrix<char> moralize(const matrix<char>& S);

// Weighted width of the moral graph of S eliminated in the given order.
double treewidth_elim(const matrix<char>& S, const matrix<int>& card, const std::vector<int>& order);

// Greedy min-fill elimination order (n x 1); width receives its weighted width.
matrix<int> bestfirst_elim(const matrix<char>& S, const matrix<int>& card, double& width);

// After row v of S got v's new parents: every ancestor of v gains v and v's descendants
// in the descendant matrix D (D(a, d) = 1: d descends from a). seen: n x 1 zeros. Returns n.
int adddescend(const matrix<char>& S, matrix<char>& D, matrix<char>& seen, int v);
