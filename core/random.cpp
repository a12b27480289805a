#include "core/random.h"

#include <chrono>
#include <cmath>

namespace vorlanth {

void RandomSeed(uint64_t seed) {
  detail::HasSpareGauss = false;  // a seeded stream starts afresh
  for (uint64_t& word : detail::RandomState.s) {
    seed += 0x9E3779B97F4A7C15ull;
    uint64_t z = seed;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    word = z ^ (z >> 31);
  }
}

void RandomizeFromClock() {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  RandomSeed(static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
}

double RandomGauss(double standardDeviation) {
  // The polar method yields two independent deviates per accepted pair: the
  // second is kept for the next call, halving the logarithms and square roots.
  if (detail::HasSpareGauss) {
    detail::HasSpareGauss = false;
    return standardDeviation * detail::SpareGauss;
  }
  double u, v, s;
  do {
    u = 2.0 * Random() - 1.0;
    v = 2.0 * Random() - 1.0;
    s = u * u + v * v;
  } while (s >= 1.0 || s == 0.0);
  const double factor = std::sqrt(-2.0 * std::log(s) / s);
  detail::SpareGauss = v * factor;
  detail::HasSpareGauss = true;
  return standardDeviation * u * factor;
}

}  // namespace vorlanth
