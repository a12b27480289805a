#include "world2d/polygon2d.h"

#include <algorithm>
#include <numbers>

#include "core/random.h"

namespace vorlanth {
namespace {

constexpr double kAsteroidDensity = 2;
constexpr double kAsteroidNoise = 5;  // pixels/s: velocity noise of its futures

}  // namespace

std::unique_ptr<TPolygon2D> TPolygon2D::Create(TRandomStream& random, int32_t sides, double x, double y,
                                               double angle) {
  std::unique_ptr<TPolygon2D> polygon(new TPolygon2D());
  polygon->InitPolygon(random, sides, x, y, angle);
  return polygon;
}

void TPolygon2D::InitPolygon(TRandomStream& random, int32_t sides, double x, double y, double angle) {
  InitPhysic(random, x, y, angle);
  BodyKind = bkPolygon;
  SetSides(sides);
  SetDensity(kAsteroidDensity);
  FutureNoise = kAsteroidNoise;
  SetVelA((0.5 - Random(random)) * AsteroidSpin);
  CommitState();
}

void TPolygon2D::SetSides(int32_t n) {
  Sides = std::max(MinSides, n);
  // Corner i lies at 2 pi i / Sides from the heading: the table changes with Sides only.
  Directions.resize(static_cast<size_t>(Sides));
  for (int32_t i = 0; i < Sides; ++i)
    Directions[static_cast<size_t>(i)] = CornerDirection(2 * std::numbers::pi * i / Sides, 1);
  ArraysPending = true;
}

void TPolygon2D::UpdateShape() {
  // Sides is a public field: one set without SetSides still gets a matching table.
  if (Directions.size() != static_cast<size_t>(Sides)) SetSides(Sides);
  BuildOutline(Sides, Directions.data());
}

}  // namespace vorlanth
