#pragma once
// The goals of a player's own condition, held by every player from birth.

#include "core/goal.h"

namespace vorlanth {

// "Energy": the first 5 units count for nothing; 100 units give 9.5.
class TGoalEnergy : public TReplicableGoal<TGoalEnergy> {
 public:
  explicit TGoalEnergy(TGoalOwner owner);
  void Evaluate(TPlayer& player) override;
  bool EvaluatesPurely() const override { return true; }
};

// "Health": full health (100) gives 10.
class TGoalHealth : public TReplicableGoal<TGoalHealth> {
 public:
  explicit TGoalHealth(TGoalOwner owner);
  void Evaluate(TPlayer& player) override;
  bool EvaluatesPurely() const override { return true; }
};

}  // namespace vorlanth
