#pragma once
// "Stole energy from others": a rocket's own goal. The tip of its exhaust flame
// drains energy from any other player it touches; the rocket receives half of
// what the victim loses.

#include "core/goal.h"

namespace vorlanth {

class TPlayer2D;
class TRocket;

inline constexpr double BurnOutDrainPerSecond = 100;  // energy a victim loses per second

class TGoalBurnOut : public TReplicableGoal<TGoalBurnOut> {
 public:
  // Raises "BurnOut goal is only fro Rockets." when the owner is not a rocket.
  explicit TGoalBurnOut(TGoalOwner owner);

  void Evaluate(TPlayer& player) override;
  // Steals in the present too, and shows it there.
  bool ActsInPresent() const override { return true; }

 private:
  // The red line to a victim, then the window's pending messages.
  void ShowDrain(TRocket& rocket, const TPlayer2D& victim);
};

}  // namespace vorlanth
