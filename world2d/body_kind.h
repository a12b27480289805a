#pragma once
// A player's kind of body as a tag its classes set as they build it (each class
// after its base), so the hot loop tells kinds apart in one comparison instead of
// walking the class hierarchy. Each class declares its cast by the tag beside
// itself (player2d.h: As2D, kart.h: bkKart and AsKart); this header knows no body.

#include <cstdint>

namespace vorlanth {

// The base kinds, ordered so that every kind from bkPhysic on is a physics body.
// A concrete body declares a tag of its own above bkPhysic beside its class; the
// table of body kinds (bench/body_kinds) is where two taking one would show.
enum TBodyKind : uint8_t {
  bkNone = 0,      // a player the world does not know
  bkPlayer2D = 1,  // a player in the plane
  bkPhysic = 2,    // a rigid body of no more particular kind
};

}  // namespace vorlanth
