#pragma once
// Checked down-casts of players and tracks for the hot loop. A dynamic_cast walks
// the class hierarchy (and compares type names) at every call, several times per
// sub-step; these first compare the dynamic type with the concrete classes of the
// program, which is a pointer comparison, and fall back to dynamic_cast for any
// other class. The result is always the dynamic_cast's.

#include <typeinfo>

#include "core/player.h"
#include "core/track.h"
#include "world2d/kart.h"
#include "world2d/polygon2d.h"
#include "world2d/rocket.h"
#include "world2d/track2d.h"

namespace vorlanth {

namespace detail {
template <typename Concrete, typename Object>
inline bool IsExactly(const Object& object) {
  // Type names are unique symbols within the program; a mismatch of pointers only
  // means "not proven", and the caller falls back to dynamic_cast.
  return typeid(object).name() == typeid(Concrete).name();
}
}  // namespace detail

inline TPhysic2D* AsPhysic(TPlayer* player) {
  if (!player) return nullptr;
  if (detail::IsExactly<TKart>(*player)) return static_cast<TKart*>(player);
  if (detail::IsExactly<TRocket>(*player)) return static_cast<TRocket*>(player);
  if (detail::IsExactly<TPolygon2D>(*player)) return static_cast<TPolygon2D*>(player);
  return dynamic_cast<TPhysic2D*>(player);
}

inline TPlayer2D* As2D(TPlayer* player) {
  if (TPhysic2D* body = AsPhysic(player)) return body;
  return dynamic_cast<TPlayer2D*>(player);
}

inline TRocket* AsRocket(TPlayer* player) {
  if (!player) return nullptr;
  if (detail::IsExactly<TRocket>(*player)) return static_cast<TRocket*>(player);
  if (detail::IsExactly<TKart>(*player) || detail::IsExactly<TPolygon2D>(*player)) return nullptr;
  return dynamic_cast<TRocket*>(player);
}

inline TKart* AsKart(TPlayer* player) {
  if (!player) return nullptr;
  if (detail::IsExactly<TKart>(*player)) return static_cast<TKart*>(player);
  if (detail::IsExactly<TRocket>(*player) || detail::IsExactly<TPolygon2D>(*player)) return nullptr;
  return dynamic_cast<TKart*>(player);
}

inline TTrack2D* AsTrack2D(TTrack* track) {
  if (!track) return nullptr;
  if (detail::IsExactly<TTrack2D>(*track)) return static_cast<TTrack2D*>(track);
  return dynamic_cast<TTrack2D*>(track);
}

}  // namespace vorlanth
