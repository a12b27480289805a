#include "bench/body_kinds.h"

#include <numbers>

#include "bench/population.h"
#include "world2d/kart.h"
#include "world2d/polygon2d.h"
#include "world2d/rocket.h"

namespace vorlanth {
namespace {

constexpr double kPi = std::numbers::pi;

const std::vector<TBodyKindInfo>& Kinds() {
  static const std::vector<TBodyKindInfo> kinds = {
      {"kart", pkKart, [](const TPlayer& p) { return p.BodyKind == bkKart; },
       [](TRandomStream& random, double x, double y, double angle, int32_t) -> std::unique_ptr<TPhysic2D> {
         return TKart::Create(random, x, y, angle);
       },
       false, 330, 305, 0, 0},
      {"rocket", pkRocket, [](const TPlayer& p) { return p.BodyKind == bkRocket; },
       [](TRandomStream& random, double x, double y, double angle, int32_t) -> std::unique_ptr<TPhysic2D> {
         return TRocket::Create(random, x, y, angle);
       },
       false, 350, 400, -kPi / 2, 0},
      {"asteroid", pkAsteroid, [](const TPlayer& p) { return p.BodyKind == bkPolygon; },
       [](TRandomStream& random, double x, double y, double angle, int32_t sides)
           -> std::unique_ptr<TPhysic2D> {
         return TPolygon2D::Create(random, sides, x, y, angle);
       },
       true, 330, 300, -kPi / 2, 5},
  };
  return kinds;
}

}  // namespace

const std::vector<TBodyKindInfo>& BodyKinds() { return Kinds(); }

const TBodyKindInfo* FindBodyKind(std::string_view name) {
  for (const TBodyKindInfo& kind : Kinds())
    if (kind.Name == name) return &kind;
  return nullptr;
}

const TBodyKindInfo* BodyKindOf(int32_t kind) {
  for (const TBodyKindInfo& info : Kinds())
    if (info.Kind == kind) return &info;
  return nullptr;
}

const TBodyKindInfo* BodyKindOf(const TPlayer& player) {
  for (const TBodyKindInfo& kind : Kinds())
    if (kind.Is(player)) return &kind;
  return nullptr;
}

const char* BodyKindName(const TPlayer& player) {
  const TBodyKindInfo* kind = BodyKindOf(player);
  return kind ? kind->Name.c_str() : "player";
}

}  // namespace vorlanth
