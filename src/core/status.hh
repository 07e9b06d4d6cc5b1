// Every exit code of the process and every status a search returns, with its meaning.
// A search's status becomes the exit code of the run.
#pragma once

namespace exitcode {
constexpr int success = 0;           // a writer finished, or no action was asked for
constexpr int usage = -1;            // no option file named: the usage text was shown
constexpr int node_too_large = 109;  // a branch-and-bound node needs more than 2048 words
constexpr int fatal = 255;           // a fatal input or resource error
}  // namespace exitcode

namespace searchstatus {
constexpr int finished = 0;          // search completed (an exact search proved its result)
constexpr int unproved = -1;         // branch-and-bound list exhausted, no hill-climber start
constexpr int iteration_limit = 3;   // branch-and-bound, order guessing: maxiter reached
constexpr int gap_reached = 5;       // branch-and-bound: mingap or abstarget reached
constexpr int time_limit = 6;        // branch-and-bound, order guessing: maxminutes reached
constexpr int not_beaten = 10;       // added when nothing beats initialbest
constexpr int heuristic_iteration_limit = 13;  // heuristics: maxiter reached, or no network
constexpr int memory_limit = 14;     // memory limit reached or memory refused
constexpr int heuristic_time_limit = 16;  // heuristics, dynamic programming: maxminutes
constexpr int no_move = 17;          // hill climbing made no move
}  // namespace searchstatus
