#pragma once

#include "core/goal.h"

namespace vorlanth {

// "Speeding": speed in body sizes per second. Every physics body holds one.
class TGoal2DRaced : public TGoal {
 public:
  explicit TGoal2DRaced(TGoalOwner owner);
  void Evaluate(TPlayer& player) override;
  std::unique_ptr<TGoal> Replicate(const TReplicaMap& m) const override { return ReplicateGoal(*this, m); }
  void MirrorInto(TGoal& copy, const TReplicaMap& m) const override { MirrorGoal(*this, copy, m); }
};

// The goals every physics body holds besides health and energy: the speeding
// goal. A body's creator hands this to the body (TPhysic2D::AdoptGoals).
void GiveBodyGoals(TPlayer& body);

}  // namespace vorlanth
