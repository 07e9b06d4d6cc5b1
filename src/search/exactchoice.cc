#include "search/exactchoice.hh"

#include <cmath>
#include <sstream>

#include "core/resources.hh"

exactengine chooseexact(const params& p, const io& d, std::string& why) {
  std::ostringstream text;
  if (d.n > widest_for_dynprog) {
    text << "branch-and-cut: " << d.n << " variables, more than " << widest_for_dynprog
         << " for dynamic programming";
    why = text.str();
    return exactengine::branch_and_cut;
  }
  // Dynamic programming's counter charges (64 + n) / 1024 KB per stored set and keeps
  // every set of every level at the end: 2^n sets.
  const double tablemb = (0.0625 + d.n / 1024.0) * std::ldexp(1.0, d.n) / 1024.0;
  const double needmb = tablemb + resources::memkbs / 1024.0;
  if (needmb > double(p.maxmem)) {
    text << "branch-and-cut: the subset table of " << d.n << " variables needs about "
         << std::lround(needmb) << " MB, above maxmem";
    why = text.str();
    return exactengine::branch_and_cut;
  }
  text << "dynamic programming: " << d.n << " variables";
  why = text.str();
  return exactengine::dynamic_programming;
}
