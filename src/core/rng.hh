// The process-wide pseudo-random generator, with the range 0..32767 that the
// shuffles and the cycle sampling assume (the C library's rand() has a larger one).
// It is the classic portable linear congruential generator:
//   state = state * 1103515245 + 12345;  value = (state / 65536) % 32768.
#pragma once

namespace rng {
constexpr int max_value = 32767;
// Starts the generator afresh at s: its state, and the reseed countdown of the RNG
// functors, so that every run that seeds draws the same numbers from the same seed.
void seed(unsigned s);
int next();  // 0..32767
}  // namespace rng

// Draws k-bounded random numbers and reseeds the process-wide generator with its own
// next value after every `reseedinterval` draws, counted in one countdown shared by all
// functors. The countdown starts at the interval of the first functor that draws after
// the generator was seeded.
struct RNG {
  int reseedinterval;
  explicit RNG(int interval) : reseedinterval(interval) {}
  int operator()(int k);  // floor(rand() * k / 32768), in 0..k-1
};
