#pragma once

#include "core/goal.h"

namespace vorlanth {

// "Speeding": speed in body sizes per second. Every physics body holds one.
class TGoal2DRaced : public TGoal {
 public:
  explicit TGoal2DRaced(TGoalOwner owner);
  void Evaluate(TPlayer& player) override;
};

}  // namespace vorlanth
