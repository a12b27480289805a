#include "core/random.h"

#include <chrono>
#include <cmath>

namespace vorlanth {
namespace {

// xoshiro256**: fast, small state, good equidistribution; seeded through splitmix64.
struct Generator {
  uint64_t s[4] = {0x9E3779B97F4A7C15ull, 0xBF58476D1CE4E5B9ull, 0x94D049BB133111EBull, 1};

  static uint64_t Rotl(uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

  void Seed(uint64_t seed) {
    for (uint64_t& word : s) {
      seed += 0x9E3779B97F4A7C15ull;
      uint64_t z = seed;
      z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
      z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
      word = z ^ (z >> 31);
    }
  }

  uint64_t Next() {
    const uint64_t result = Rotl(s[1] * 5, 7) * 9;
    const uint64_t t = s[1] << 17;
    s[2] ^= s[0];
    s[3] ^= s[1];
    s[1] ^= s[2];
    s[0] ^= s[3];
    s[2] ^= t;
    s[3] = Rotl(s[3], 45);
    return result;
  }
};

Generator generator;

}  // namespace

void RandomSeed(uint64_t seed) { generator.Seed(seed); }

void RandomizeFromClock() {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  RandomSeed(static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
}

double Random() {
  // 53 random bits scaled into [0, 1).
  return static_cast<double>(generator.Next() >> 11) * 0x1.0p-53;
}

double RandomGauss(double standardDeviation) {
  double u, v, s;
  do {
    u = 2.0 * Random() - 1.0;
    v = 2.0 * Random() - 1.0;
    s = u * u + v * v;
  } while (s >= 1.0 || s == 0.0);
  return standardDeviation * u * std::sqrt(-2.0 * std::log(s) / s);
}

}  // namespace vorlanth
