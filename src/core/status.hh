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
// The search ran to its end; an exact search proved its network optimal.
constexpr int finished = 0;
// Branch-and-bound: the open list ran empty, but the first incumbent was not the hill
// climber's.
constexpr int unproved = -1;
// Branch-and-bound and branch-and-cut: maxiter reached. Order guessing: a network beat the start (while
// running, and at the end of the extended run of a caller without a start value).
constexpr int iteration_limit = 3;
// Branch-and-bound and branch-and-cut: mingap or abstarget reached.
constexpr int gap_reached = 5;
// Branch-and-bound and branch-and-cut: maxminutes reached. Order guessing: the same after a network beat
// the start.
constexpr int time_limit = 6;
// Added by branch-and-bound and branch-and-cut when nothing beats initialbest.
constexpr int not_beaten = 10;
// Hill climbing: maxiter reached. Order guessing: no network beat the start.
constexpr int heuristic_iteration_limit = 13;
// Dynamic programming, branch-and-bound and branch-and-cut: the memory limit was
// reached or memory was refused; branch-and-cut also after a failure of the LP engine.
constexpr int memory_limit = 14;
// Hill climbing, dynamic programming, and order guessing without a network: maxminutes.
constexpr int heuristic_time_limit = 16;
// Hill climbing made no move.
constexpr int no_move = 17;
// Any search: stopped by SIGINT or SIGTERM (core/stop.hh), like at a time limit: the
// best network so far and the bound are written. Branch-and-bound adds not_beaten as
// at its other stops.
constexpr int interrupted = 18;
}  // namespace searchstatus
