#pragma once
// The players and teams of the world and their counterparts in one replica of
// it: what a replica's goals point at in place of the world's.

#include <unordered_map>

#include "core/goal.h"

namespace vorlanth {

class TPlayer;
class TTeam;

class TReplicaMap {
 public:
  void Clear() { Counterparts.clear(); }
  void Add(const TPlayer* real, TPlayer* replica) { Counterparts[real] = replica; }
  void Add(const TTeam* real, TTeam* replica) { Counterparts[real] = replica; }
  // The counterpart; nullptr stays nullptr, and what the replica does not hold (a
  // team that is not on the track) is shared as it is: replicas only read it.
  TPlayer* operator()(TPlayer* real) const { return static_cast<TPlayer*>(Find(real)); }
  TTeam* operator()(TTeam* real) const { return static_cast<TTeam*>(Find(real)); }
  TGoalOwner operator()(TGoalOwner owner) const {
    return owner.Player ? TGoalOwner((*this)(owner.Player)) : TGoalOwner((*this)(owner.Team));
  }
  // The same for pointers to a class derived from the player.
  template <class T>
  T* Body(T* real) const {
    return static_cast<T*>((*this)(static_cast<TPlayer*>(real)));
  }

 private:
  std::unordered_map<const void*, void*> Counterparts;
  void* Find(void* real) const {
    if (!real) return nullptr;
    const auto found = Counterparts.find(real);
    return found == Counterparts.end() ? real : found->second;
  }
};

}  // namespace vorlanth
