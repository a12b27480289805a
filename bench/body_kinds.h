#pragma once
// The kinds of bodies the bench knows, one entry each: the name scenes, the
// runner's statistics and summaries and the league use, the population's kind
// (what "+Kart", "+Rocket" and the asteroid command add), and the factory of a new
// body. A new kind of body is its own files and one entry of the table in
// body_kinds.cpp.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vorlanth {

class TPhysic2D;
class TPlayer;
struct TRandomStream;

struct TBodyKindInfo {
  std::string Name;  // "kart"
  int32_t Kind;      // the population's kind (TPlayerKind)
  // Whether a player is of this kind.
  std::function<bool(const TPlayer&)> Is;
  // A new body of this kind at (x, y) heading `angle` (radians), drawing what is
  // random about it from `random`; a kind whose outline is a regular polygon
  // takes its number of sides.
  std::function<std::unique_ptr<TPhysic2D>(TRandomStream& random, double x, double y, double angle,
                                           int32_t sides)>
      Make;
  // Whether a scene keeps its number of sides.
  bool HasSides = false;
  // Where the first body of this kind stands (pixels, radians) and its sides.
  double StartX = 0, StartY = 0, StartAngle = 0;
  int32_t StartSides = 0;
};

// Every kind, in the order the summaries list them.
const std::vector<TBodyKindInfo>& BodyKinds();
// The kind of that name, or nullptr.
const TBodyKindInfo* FindBodyKind(std::string_view name);
// The kind of the population's kind, or nullptr.
const TBodyKindInfo* BodyKindOf(int32_t kind);
// The kind of a player, or nullptr for a body of no registered kind.
const TBodyKindInfo* BodyKindOf(const TPlayer& player);
// A player's kind's name, or "player" for another body.
const char* BodyKindName(const TPlayer& player);

}  // namespace vorlanth
