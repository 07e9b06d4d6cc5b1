#include "core/params.hh"

#include <ctime>

#include "core/rng.hh"

const char* const params::notdef = "not def";
const char* const params::versionnum = "100";

params::params() { seed_generator(static_cast<int>(time(nullptr))); }

void params::seed_generator(int s) {
  rng::seed(static_cast<unsigned>(s));
  seed = s;
  // 0.030517578125 = 1000 / 32768: maps a draw 0..32767 onto 0..999.
  reseedinterval = static_cast<int>(rng::next() * 0.030517578125 + 1000);
}

std::string params::numlimit(int v) {
  if (v < 0 || v >= U30) return notdef;
  return std::to_string(v);
}
