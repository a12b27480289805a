#pragma once
// "Avoid others": a team goal rewarding distance from the players of a team. The
// value is a product of distances in units of the player's size, so one close
// neighbour pulls it down sharply.

#include "core/goal.h"

namespace vorlanth {

class TPlayer2D;

// A neighbour this many sizes away (times the strength) leaves the value unchanged.
inline constexpr double AvoidNeutralSizes = 10;

class TGoal2DTeamAway : public TReplicableGoal<TGoal2DTeamAway> {
 public:
  TGoal2DTeamAway(TGoalOwner owner, TTeam* avoidTeam);

  TRef AvoidTeam;  // the team whose players are avoided

  TTeam* GetAvoidTeam() const { return FindTeam(AvoidTeam); }
  bool EvaluatesPurely() const override { return true; }

  void Evaluate(TPlayer& player) override;
};

}  // namespace vorlanth
