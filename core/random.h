#pragma once
// The process-wide pseudo-random generator: uniform numbers in [0, 1) and normal
// deviates by the polar method. Seeded from the clock at start-up and at each
// start of a run; tests and the headless runner seed it explicitly.

#include <cstdint>

namespace vorlanth {

void RandomSeed(uint64_t seed);
void RandomizeFromClock();

namespace detail {

// xoshiro256**: fast, small state, good equidistribution; seeded through splitmix64.
struct TRandomState {
  uint64_t s[4] = {0x9E3779B97F4A7C15ull, 0xBF58476D1CE4E5B9ull, 0x94D049BB133111EBull, 1};

  static uint64_t Rotl(uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

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

inline TRandomState RandomState;
// The polar method's second deviate (unit variance), kept for the next draw.
inline double SpareGauss = 0;
inline bool HasSpareGauss = false;

}  // namespace detail

// Uniform in [0, 1): 53 random bits. Inline, since the futures draw several
// numbers per sub-step.
inline double Random() { return static_cast<double>(detail::RandomState.Next() >> 11) * 0x1.0p-53; }

// Normal deviate of mean 0 and the given standard deviation (polar method).
double RandomGauss(double standardDeviation);

}  // namespace vorlanth
