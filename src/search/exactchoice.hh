// exactchoice: algorithm 10, the exact search that picks its engine.
//
// Dynamic programming over variable subsets costs about n 2^(n-1) family scans whatever
// the scores: under a second up to 20 variables, 10.5 s at 25 (sensors_5456, 51,732
// parent sets), 20.6 s and 440 MB at 27 (insurance-cl_10000), and it refuses more than
// 32. Branch-and-cut costs what its tree needs: on the same files it took 2 s at 27
// variables and 11 to 15 s at 37, but no proof in 2 minutes on sensors_5456 (gap
// 0.33%), and it loses to dynamic programming on every file of 25 or fewer variables. So: dynamic programming
// up to 25 variables when its subset table fits within maxmem (as the table's memory
// counter reckons it), branch-and-cut otherwise. The figures are in the README.
#pragma once

#include <string>

#include "core/params.hh"
#include "io/io.hh"

enum class exactengine { dynamic_programming, branch_and_cut };

// The widest problem handed to dynamic programming.
constexpr int widest_for_dynprog = 25;

// The engine for this problem; why receives the reason, for one info line.
exactengine chooseexact(const params& p, const io& d, std::string& why);
