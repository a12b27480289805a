#include "core/random.h"

#include <chrono>
#include <cmath>

#include "core/elementary.h"

namespace vorlanth {
namespace {

uint64_t SplitMix(uint64_t& seed) {
  seed += 0x9E3779B97F4A7C15ull;
  uint64_t z = seed;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

}  // namespace

// The four words of a stream from one seed; a seeded stream starts afresh.
void TRandomStream::Seed(uint64_t seed) {
  HasSpareGauss = false;
  for (uint64_t& word : State.s) word = SplitMix(seed);
}

void TRandomStream::SeedPass(uint64_t runSeed, uint64_t cycle, uint64_t pass) {
  // Each input goes through the mixer before the next is added, so that nearby
  // (cycle, pass) pairs give unrelated streams.
  uint64_t key = runSeed;
  key = SplitMix(key) ^ cycle;
  key = SplitMix(key) ^ pass;
  Seed(SplitMix(key));
}

void TWorldRandom::SeedRun(uint64_t seed) {
  Seed = seed;
  Stream.Seed(seed);
}

void TWorldRandom::SeedFromClock() {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  SeedRun(static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
}

double RandomGauss(TRandomStream& stream, double standardDeviation) {
  // The polar method yields two independent deviates per accepted pair: the
  // second is kept for the next call, halving the logarithms and square roots.
  if (stream.HasSpareGauss) {
    stream.HasSpareGauss = false;
    return standardDeviation * stream.SpareGauss;
  }
  double u, v, s;
  do {
    u = 2.0 * Random(stream) - 1.0;
    v = 2.0 * Random(stream) - 1.0;
    s = u * u + v * v;
  } while (s >= 1.0 || s == 0.0);
  // The deviation's product by u is taken before the logarithm (the same product,
  // in the same order): one number less is kept across the call.
  const double scaledU = standardDeviation * u;
  const double factor = std::sqrt(-2.0 * elem::Log(s) / s);
  stream.SpareGauss = v * factor;
  stream.HasSpareGauss = true;
  return scaledU * factor;
}

}  // namespace vorlanth
