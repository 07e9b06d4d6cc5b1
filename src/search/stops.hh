// The messages of a search that stops at one of its limits, written when verbose >= 0.
#pragma once

#include "core/params.hh"
#include "io/io.hh"

constexpr const char* time_limit_reached = "Maximum number of minutes reached. Stopping";
constexpr const char* iteration_limit_reached = "Maximum number of iterations reached. Stopping";

inline void reportstop(const params& p, int level, const char* text) {
  if (p.verbose >= 0) io::messaging(level, text);
}
