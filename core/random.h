#pragma once
// The process-wide pseudo-random generator: uniform numbers in [0, 1) and normal
// deviates by the polar method. Seeded from the clock at start-up and at each
// start of a run; tests and the headless runner seed it explicitly.

#include <cstdint>

namespace vorlanth {

void RandomSeed(uint64_t seed);
void RandomizeFromClock();

// Uniform in [0, 1).
double Random();

// Normal deviate of mean 0 and the given standard deviation (polar method).
double RandomGauss(double standardDeviation);

}  // namespace vorlanth
