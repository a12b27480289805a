#pragma once
// The goals of a player's own condition, held by every player from birth.

#include "core/goal.h"

namespace vorlanth {

// "Energy": the first 5 units count for nothing; 100 units give 9.5.
class TGoalEnergy : public TGoal {
 public:
  explicit TGoalEnergy(TGoalOwner owner);
  void Evaluate(TPlayer& player) override;
  std::unique_ptr<TGoal> Replicate(const TReplicaMap& m) const override { return ReplicateGoal(*this, m); }
  void MirrorInto(TGoal& copy, const TReplicaMap& m) const override { MirrorGoal(*this, copy, m); }
};

// "Health": full health (100) gives 10.
class TGoalHealth : public TGoal {
 public:
  explicit TGoalHealth(TGoalOwner owner);
  void Evaluate(TPlayer& player) override;
  std::unique_ptr<TGoal> Replicate(const TReplicaMap& m) const override { return ReplicateGoal(*this, m); }
  void MirrorInto(TGoal& copy, const TReplicaMap& m) const override { MirrorGoal(*this, copy, m); }
};

}  // namespace vorlanth
