#pragma once
// "Follow mouse" / "Avoid mouse": a team goal that lets the user steer the players
// with the cursor, rewarding closeness to it (or distance from it) in units of the
// player's size. Draws a cross-hair at the cursor.

#include <cstdint>

#include "core/goal.h"

namespace vorlanth {

class TPlayer2D;

inline constexpr int32_t MouseMarkRadius = 10;  // size of the cross-hair (pixels)
inline constexpr double MouseOnCursorValue = 100;  // following, sitting right on the cursor

class TGoalMouse : public TReplicableGoal<TGoalMouse> {
 public:
  TGoalMouse(TGoalOwner owner, bool avoidMouse);

  bool AvoidMouse;                  // true: "Avoid mouse"; false: "Follow mouse"
  TRef LastPlayer;  // the player evaluated last
  // The value when the cycle's passes began: every future starts from it.
  double ValueBeforePasses = 0;

  // Reads the cursor afresh; off the circuit, or for a dead player, Value is kept.
  // Kept within a future only: each future starts from the value the goal had
  // before the passes, so that no future depends on the one run before it (on
  // several threads, another thread ran it).
  void Evaluate(TPlayer& player) override;
  bool EvaluatesPurely() const override { return true; }
  void BeforePasses() override { ValueBeforePasses = Value; }
  void ResetFuture() override {
    TGoal::ResetFuture();
    Value = ValueBeforePasses;
  }
  void Draw() override;
  // The player evaluated last, nullptr before the first evaluation or once it has gone.
  TPlayer2D* GetLastPlayer() const;
};

}  // namespace vorlanth
