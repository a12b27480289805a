#pragma once
// "Avoid others": a team goal rewarding distance from the players of a team. The
// value is a product of distances in units of the player's size, so one close
// neighbour pulls it down sharply.

#include "core/goal.h"

namespace vorlanth {

class TPlayer2D;

// A neighbour this many sizes away (times the strength) leaves the value unchanged.
inline constexpr double AvoidNeutralSizes = 10;

class TGoal2DTeamAway : public TGoal {
 public:
  TGoal2DTeamAway(TGoalOwner owner, TTeam* avoidTeam);

  TTeam* AvoidTeam;  // the team whose players are avoided (not owned)

  void Evaluate(TPlayer& player) override;
  std::unique_ptr<TGoal> Replicate(const TReplicaMap& m) const override { return ReplicateGoal(*this, m); }
  void MirrorInto(TGoal& copy, const TReplicaMap& m) const override { MirrorGoal(*this, copy, m); }
  void MapPointers(const TReplicaMap& map) override;
};

}  // namespace vorlanth
