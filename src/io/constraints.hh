// The structural-constraint language and its interpreter.
//
// One constraint per line: "v: term or term ...", terms a(v,j) / -a(v,j) (j must or must
// not be a parent of v) and d(v,k,eq|lt|gt) (v has exactly / fewer than / more than k
// parents). verifystrucon applies a line to a row of the allowance matrix (flag 1 on
// entry) or tests a candidate parent-set vector against it (flag 0 on entry).
#pragma once

#include "core/matrix.hh"

matrix<char> verifystrucon(const char* text, int var, const matrix<char>& row, int& flag);

class io;
// A required arc forbids its reverse: allow(j, i) = 1 wherever allow(i, j) = -1.
void forbid_reverse_arcs(io& d);
