#include "core/rng.hh"

#include <cstdint>

namespace rng {
namespace {
uint32_t state = 1;
}

void seed(unsigned s) { state = s; }

int next() {
  state = state * 1103515245u + 12345u;
  return static_cast<int>((state / 65536u) % 32768u);
}
}  // namespace rng

int RNG::operator()(int k) {
  // One countdown for the whole process; -1 means no functor has drawn yet.
  static int reseed = -1;
  if (reseed < 0) reseed = reseedinterval;
  if (--reseed <= 0) {
    rng::seed(static_cast<unsigned>(rng::next()));
    reseed = reseedinterval;
  }
  return static_cast<int>(static_cast<long long>(rng::next()) * k / 32768);
}
