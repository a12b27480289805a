#pragma once
// The asteroid: a passive body with a regular outline of Sides corners. It has no
// controls and cannot be cloned, so it never decides and never splits; it is
// replicated only for passes of futures on other threads.

#include <memory>
#include <vector>

#include "world2d/physic2d.h"

namespace vorlanth {

class TPolygon2D : public TReplicable<TPolygon2D, TPhysic2D> {
 public:
  static constexpr double AsteroidSpin = 4;  // random spin in (-2, 2] rad/s
  static constexpr int32_t MinSides = 3;

  // What is random about a new asteroid (its colour and spin) is drawn from `random`.
  static std::unique_ptr<TPolygon2D> Create(TRandomStream& random, int32_t sides, double x, double y,
                                            double angle);

  int32_t Sides = 3;  // at least 3
  // Corner directions (cos, sin of 2 pi i / Sides), rebuilt when Sides changes.
  std::vector<TVec2> Directions;

  std::unique_ptr<TPlayer> Clone(TRandomStream& /*random*/) const override { return nullptr; }
  // A blank asteroid, for a replica to fill in.
  static std::unique_ptr<TPolygon2D> Blank() {
    TRandomStream unused;  // the replica takes every value, its colour and spin too
    return Create(unused, MinSides, 0, 0, 0);
  }
  void UpdateShape() override;
  void SetSides(int32_t n);

 protected:
  TPolygon2D() = default;
  void InitPolygon(TRandomStream& random, int32_t sides, double x, double y, double angle);
};

// The polygon's tag among the kinds of bodies (world2d/body_kind.h).
inline constexpr TBodyKind bkPolygon = static_cast<TBodyKind>(5);

}  // namespace vorlanth
