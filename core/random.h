#pragma once
// The pseudo-random generator: uniform numbers in [0, 1) and normal deviates by
// the polar method. Each thread draws from its own stream. The main thread's is
// seeded from the clock at start-up and at each start of a run (tests and the
// headless runner seed it explicitly); every pass of futures draws from a stream
// of its own, derived from the run's seed, the cycle and the pass, so what a pass
// produces does not depend on the thread that ran it.

#include <cstdint>

namespace vorlanth {

// Seeds the calling thread's stream; the seed becomes the run's seed.
void RandomSeed(uint64_t seed);
void RandomizeFromClock();
// The seed given last (by RandomSeed or RandomizeFromClock), from any thread.
uint64_t RunSeed();
// Starts the calling thread's stream afresh for one pass of futures.
void SeedPassStream(uint64_t cycle, uint64_t pass);

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

// The calling thread's stream, with the polar method's second deviate (unit
// variance) kept for the next draw.
struct TRandomStream {
  TRandomState State;
  double SpareGauss = 0;
  bool HasSpareGauss = false;
};
inline thread_local TRandomStream Stream;

}  // namespace detail

// Keeps the calling thread's stream aside and puts it back on leaving: what runs
// in between (passes of futures, building replicas) leaves it as it was.
class TRandomStreamKeeper {
 public:
  TRandomStreamKeeper() : Kept(detail::Stream) {}
  ~TRandomStreamKeeper() { detail::Stream = Kept; }
  TRandomStreamKeeper(const TRandomStreamKeeper&) = delete;
  TRandomStreamKeeper& operator=(const TRandomStreamKeeper&) = delete;

 private:
  detail::TRandomStream Kept;
};

// The run's seed and the calling thread's stream, as a saved scene keeps them: put
// back, the stream goes on exactly where it was.
struct TRandomSnapshot {
  uint64_t Seed = 0;
  detail::TRandomStream Stream;
};
TRandomSnapshot TakeRandomSnapshot();
void RestoreRandomSnapshot(const TRandomSnapshot& snapshot);

// Uniform in [0, 1): 53 random bits. Inline, since the futures draw several
// numbers per sub-step.
inline double Random() { return static_cast<double>(detail::Stream.State.Next() >> 11) * 0x1.0p-53; }

// Normal deviate of mean 0 and the given standard deviation (polar method).
double RandomGauss(double standardDeviation);

}  // namespace vorlanth
