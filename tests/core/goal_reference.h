#pragma once
// The goal step in its plain form: a goal's sub-step folded into a state's
// accumulators once Derive has measured it, one accumulator at a time. TGoal::ApplyTo
// does the same in one pass, operation for operation; the tests hold it to these bits.

#include "core/elementary.h"
#include "core/goal.h"
#include "core/pow_memo.h"
#include "core/state.h"

namespace vorlanth {

inline void ApplyGoalReference(TState& state, const TGoal& goal) {
  if (goal.GainInput > 0) state.GainSquares += goal.GainInput * goal.GainInput * goal.Strength;
  if (goal.Level >= 0) {
    // 0 ^ s is 0 for s > 0, and x ^ 0 is 1 (elem::Pow agrees on both).
    if (goal.Strength == 1) {
      state.GainFactor *= goal.Level;
    } else if (goal.Level != 1) {
      state.GainFactor *= elem::Pow(goal.Level, goal.Strength);
    }
  }
  if (goal.Feeling != 1 && goal.ReactionMs > 0 && state.ElapsedMs < goal.ReactionMs) {
    const double f = static_cast<double>(state.ElapsedMs) / goal.ReactionMs;
    state.WeightFactor *= goal.Feeling + (1 - goal.Feeling) * ThreadPowMemo().Pow(f, goal.Urgency);
  }
}

}  // namespace vorlanth
