#pragma once
// The back-off that the wall response and the pair response share: a body moves
// in tenths of the way from its pose back toward its last pose clear of walls.

#include <cstdint>

#include "world2d/physic2d.h"

namespace vorlanth::back_off {

inline constexpr int32_t kSteps = 10;     // a back-off moves a tenth of the way per step
inline constexpr int32_t kMaxMoves = 20;

// One move: position and angle.
struct TPose {
  double x = 0;
  double y = 0;
  double a = 0;
};

// A tenth of the way from the current pose back to the last pose clear of walls.
inline TPose Step(TPhysic2D& body) {
  const TState& s = body.GetState();
  const auto& px = s.Params[static_cast<size_t>(body.PosXIndex)];
  const auto& py = s.Params[static_cast<size_t>(body.PosYIndex)];
  const auto& pa = s.Params[static_cast<size_t>(body.AngleIndex)];
  return {(px.KeptValue - px.Value) / kSteps, (py.KeptValue - py.Value) / kSteps,
          (pa.KeptValue - pa.Value) / kSteps};
}

inline void MoveBy(TPhysic2D& body, const TPose& step) { body.MoveBy(step.x, step.y, step.a); }

}  // namespace vorlanth::back_off
