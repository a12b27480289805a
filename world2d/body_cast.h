#pragma once
// Down-casts of players and tracks for the hot loop. A player's kind is a tag its
// classes set as they build it (each class after its base), so a cast is one
// comparison; the track's kind alike.

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

// The kinds of world (TTrack::WorldKind).
enum TWorldKind : uint8_t {
  wkNone = 0,     // a world the 2D classes do not know
  wkTrack2D = 1,  // the 2D track, or a class derived from it
};

inline TTrack2D* AsTrack2D(TTrack* track) {
  return track && track->WorldKind == wkTrack2D ? static_cast<TTrack2D*>(track) : nullptr;
}

}  // namespace vorlanth
