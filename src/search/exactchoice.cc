#include "search/exactchoice.hh"

#include <sstream>

exactengine chooseexact(const params&, const io& d, std::string& why) {
  std::ostringstream text;
  const bool small = d.n <= 25;
  text << (small ? "dynamic programming" : "branch-and-cut") << " (" << d.n << " variables, "
       << d.cachesize << " parent sets)";
  why = text.str();
  return small ? exactengine::dynamic_programming : exactengine::branch_and_cut;
}
