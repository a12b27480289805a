#pragma once
// The settings a step of the world runs with. The track holds them and hands them
// to each of its players as they join, so bodies and goals read them in one step
// instead of climbing player -> team -> track; a player on no track reads the
// defaults. Every default is written here, once.

#include <cstdint>

namespace vorlanth {

struct TStepContext {
  int32_t StepMs = 100;       // simulated time step (ms); also the passes' wall-clock budget
  int32_t HorizonMs = 10000;  // how far a future is simulated (ms)
  int32_t MinFutures = 100;   // minimum futures per player and cycle
  bool Evolution = false;     // players split and their goal strengths mutate
  bool Collisions = false;    // players collide with one another
  double Friction = 0.008;    // rolling friction of the ground (read by karts)
  double SideFriction = 0.1;  // side friction of the ground (read by karts)

  double TimeStep() const { return StepMs / 1000.0; }  // seconds
};

inline constexpr TStepContext DefaultStepContext{};

}  // namespace vorlanth
