#pragma once
// Down-casts of players and tracks for the hot loop. A player's kind is a tag its
// classes set as they build it (each class after its base), so a cast is one
// comparison; the track's dynamic type is compared with the 2D track's first.

#include <typeinfo>

#include "core/player.h"
#include "core/track.h"
#include "world2d/kart.h"
#include "world2d/polygon2d.h"
#include "world2d/rocket.h"
#include "world2d/track2d.h"

namespace vorlanth {

// The kinds, ordered so that every kind from bkPhysic on is a physics body.
enum TBodyKind : uint8_t {
  bkNone = 0,     // a player the world does not know
  bkPlayer2D = 1, // a player in the plane
  bkPhysic = 2,   // a rigid body of no more particular kind
  bkKart = 3,
  bkRocket = 4,
  bkPolygon = 5,
};

inline TPlayer2D* As2D(TPlayer* player) {
  return player && player->BodyKind >= bkPlayer2D ? static_cast<TPlayer2D*>(player) : nullptr;
}

inline TPhysic2D* AsPhysic(TPlayer* player) {
  return player && player->BodyKind >= bkPhysic ? static_cast<TPhysic2D*>(player) : nullptr;
}

inline TRocket* AsRocket(TPlayer* player) {
  return player && player->BodyKind == bkRocket ? static_cast<TRocket*>(player) : nullptr;
}

inline TKart* AsKart(TPlayer* player) {
  return player && player->BodyKind == bkKart ? static_cast<TKart*>(player) : nullptr;
}

inline TTrack2D* AsTrack2D(TTrack* track) {
  if (!track) return nullptr;
  // Type names are unique symbols within the program: equal pointers prove the
  // type; unequal ones only mean "not proven", and dynamic_cast decides.
  if (typeid(*track).name() == typeid(TTrack2D).name()) return static_cast<TTrack2D*>(track);
  return dynamic_cast<TTrack2D*>(track);
}

}  // namespace vorlanth
