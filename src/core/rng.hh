// The process-wide pseudo-random generator, with the range 0..32767 that the
// shuffles and the cycle sampling assume (the C library's rand() has a larger one).
// It is the classic portable linear congruential generator:
//   state = state * 1103515245 + 12345;  value = (state / 65536) % 32768.
#pragma once

namespace rng {
constexpr int max_value = 32767;
void seed(unsigned s);
int next();  // 0..32767
}  // namespace rng

// Draws k-bounded random numbers and reseeds the process-wide generator after every
// `reseedinterval` draws, counted in one counter shared by all functors. The counter
// starts at the interval of the first functor used.
struct RNG {
  int reseedinterval;
  explicit RNG(int interval) : reseedinterval(interval) {}
  int operator()(int k);  // floor(rand() * k / 32768), in 0..k-1
};
