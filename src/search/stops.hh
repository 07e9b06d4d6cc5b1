// The messages of a search that stops at one of its limits, written when verbose >= 0.
#pragma once

#include "core/params.hh"
#include "core/stop.hh"
#include "io/io.hh"

constexpr const char* time_limit_reached = "Maximum number of minutes reached. Stopping";
constexpr const char* iteration_limit_reached = "Maximum number of iterations reached. Stopping";
constexpr const char* stop_request_received = "Interrupted by a signal. Stopping";

inline void reportstop(const params& p, int level, const char* text) {
  if (p.verbose >= 0) io::messaging(level, text);
}

// Whether a stop was requested (SIGINT, SIGTERM); the first search to see it reports it,
// so nested searches (the first incumbents of branch-and-bound) do not repeat it.
inline bool interrupted(const params& p, int level) {
  if (!stop_requested()) return false;
  if (first_stop_notice()) reportstop(p, level, stop_request_received);
  return true;
}
