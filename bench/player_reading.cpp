#include "bench/player_reading.h"

#include <cmath>
#include <memory>

#include "core/elementary.h"
#include "core/goal.h"
#include "core/player.h"
#include "core/team.h"
#include "world2d/physic2d.h"

namespace vorlanth {

TGoalReading ReadGoal(TGoal& goal, TPlayer& player) {
  TGoalReading reading;
  reading.Goal = &goal;
  reading.HasReaction = goal.ReactionMs > 0;
  reading.Value = goal.GetValue();
  reading.Feeling = goal.Feeling;
  if (!goal.EvaluatesPurely() || player.FutureMode) return reading;
  // Evaluated on the present on a copy of the goal: the cycle's drawing and the
  // next cycle see the goal as the cycle left it.
  const std::unique_ptr<TGoal> copy = goal.Replicate(*goal.Owner);
  if (!copy) return reading;
  const int32_t deadCache = player.DeadCache;  // IsDead caches what it read
  copy->Evaluate(player);
  copy->Derive();
  player.DeadCache = deadCache;
  reading.Value = copy->GetValue();
  reading.Feeling = copy->Feeling;
  return reading;
}

int32_t PersonalGoalCount(const TPlayer& player) { return player.Goals ? player.Goals->GoalCount() : 0; }

int32_t TeamGoalCount(const TPlayer& player) {
  return player.Team && player.Team->Goals ? player.Team->Goals->GoalCount() : 0;
}

TGoal& PlayerGoal(TPlayer& player, int32_t i) {
  const int32_t own = PersonalGoalCount(player);
  return i < own ? player.Goals->GetGoal(i) : player.Team->Goals->GetGoal(i - own);
}

int32_t GoalOccurrence(TPlayer& player, const TGoal& goal) {
  int32_t occurrence = 1;
  const int32_t all = PersonalGoalCount(player) + TeamGoalCount(player);
  for (int32_t i = 0; i < all; ++i) {
    const TGoal& other = PlayerGoal(player, i);
    if (&other == &goal) break;
    if (other.Name == goal.Name) ++occurrence;
  }
  return occurrence;
}

std::string GoalKey(const TGoalReading& reading) {
  std::string key = reading.Goal ? reading.Goal->Name : std::string();
  if (reading.Occurrence > 1) key += " #" + std::to_string(reading.Occurrence);
  return key;
}

double BodySpeed(TPlayer& player) {
  const TPhysic2D* body = AsPhysic(&player);
  return body ? elem::Hypot(body->GetVelX(), body->GetVelY()) : 0.0;
}

}  // namespace vorlanth
