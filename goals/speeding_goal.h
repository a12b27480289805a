#pragma once

#include "core/goal.h"

namespace vorlanth {

// "Speeding": speed in body sizes per second. Every physics body holds one.
class TGoal2DRaced : public TReplicableGoal<TGoal2DRaced> {
 public:
  explicit TGoal2DRaced(TGoalOwner owner);
  void Evaluate(TPlayer& player) override;
  bool EvaluatesPurely() const override { return true; }
};

// The goals every physics body holds besides health and energy: the speeding
// goal. A body's creator hands this to the body (TPhysic2D::AdoptGoals).
void GiveBodyGoals(TPlayer& body);

}  // namespace vorlanth
