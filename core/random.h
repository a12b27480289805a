#pragma once
// The pseudo-random generator: uniform numbers in [0, 1) and normal deviates by
// the polar method, drawn from an explicit stream. Every world owns its numbers
// (TWorldRandom, held by its track): a seed given for the run and the stream the
// present draws from (placing and colouring bodies, scattering drops, mutation).
// Every pass of futures draws from a stream of its own, derived from the run's
// seed, the cycle and the pass, so what a pass produces depends neither on the
// thread that ran it nor on the other passes; nor does a world's stream depend on
// what another world in the process draws. The window seeds its world's stream
// from the clock at each start of a run; tests and the headless runner seed it.

#include <cstdint>

namespace vorlanth {

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

// One stream, with the polar method's second deviate (unit variance) kept for the
// next normal draw. A plain value: copied, it goes on the same way.
struct TRandomStream {
  TRandomState State;
  double SpareGauss = 0;
  bool HasSpareGauss = false;

  // Starts afresh from one seed.
  void Seed(uint64_t seed);
  // Starts afresh as the stream of one pass of futures of a run.
  void SeedPass(uint64_t runSeed, uint64_t cycle, uint64_t pass);
};

// A world's random numbers: the run's seed and the stream of the present. A scene
// keeps both; put back, the stream goes on exactly where it was.
struct TWorldRandom {
  uint64_t Seed = 0;     // given last, by SeedRun or SeedFromClock
  TRandomStream Stream;  // the present's

  // Seeds the stream; the seed becomes the run's.
  void SeedRun(uint64_t seed);
  void SeedFromClock();
};

// Uniform in [0, 1): 53 random bits. Inline, since the futures draw several
// numbers per sub-step.
inline double Random(TRandomStream& stream) {
  return static_cast<double>(stream.State.Next() >> 11) * 0x1.0p-53;
}

// Normal deviate of mean 0 and the given standard deviation (polar method).
double RandomGauss(TRandomStream& stream, double standardDeviation);

}  // namespace vorlanth
