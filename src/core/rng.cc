#include "core/rng.hh"

#include <cstdint>

namespace {
// The generator's state and the functors' countdown; -1: no functor has drawn since the
// generator was seeded.
uint32_t state = 1;
int countdown = -1;
}  // namespace

namespace rng {
void seed(unsigned s) {
  state = s;
  countdown = -1;
}

int next() {
  state = state * 1103515245u + 12345u;
  return static_cast<int>((state / 65536u) % 32768u);
}
}  // namespace rng

int RNG::operator()(int k) {
  if (countdown < 0) countdown = reseedinterval;
  if (--countdown <= 0) {
    state = static_cast<uint32_t>(rng::next());
    countdown = reseedinterval;
  }
  return static_cast<int>(static_cast<long long>(rng::next()) * k / 32768);
}
