// exactchoice: algorithm 10, the exact search that picks its engine. Dynamic programming
// over variable subsets costs 2^n set visits whatever the scores; branch-and-cut costs
// what its tree needs, small when the cluster relaxation is tight. The rule below comes
// from measuring both on the shared score files and data sets (see the README).
#pragma once

#include <string>

#include "core/params.hh"
#include "io/io.hh"

enum class exactengine { dynamic_programming, branch_and_cut };

// The engine for this problem, and in why one line that says what decided.
exactengine chooseexact(const params& p, const io& d, std::string& why);
