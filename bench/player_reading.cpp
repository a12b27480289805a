#include "bench/player_reading.h"

#include <cmath>
#include <typeinfo>

#include "core/energy_health_goals.h"
#include "core/goal.h"
#include "core/player.h"
#include "core/team.h"
#include "goals/avoid_goal.h"
#include "goals/mouse_goal.h"
#include "goals/speeding_goal.h"
#include "world2d/body_cast.h"
#include "world2d/physic2d.h"

namespace vorlanth {

bool EvaluatesWithoutSideEffects(const TGoal& goal) {
  // Exact classes only: a class derived from one of these may do more.
  const std::type_info& type = typeid(goal);
  return type == typeid(TGoalEnergy) || type == typeid(TGoalHealth) || type == typeid(TGoal2DRaced) ||
         type == typeid(TGoal2DTeamAway) || type == typeid(TGoalMouse);
}

TGoalReading ReadGoal(TGoal& goal, TPlayer& player) {
  TGoalReading reading;
  reading.Goal = &goal;
  reading.HasReaction = goal.ReactionMs > 0;
  if (!EvaluatesWithoutSideEffects(goal) || player.FutureMode) {
    reading.Value = goal.GetValue();
    reading.Feeling = goal.Feeling;
    return reading;
  }
  // Evaluated on the present, then every field the evaluation touched is put back:
  // the cycle's drawing and the next cycle see the goal as the cycle left it.
  const double value = goal.Value;
  const double startValue = goal.StartValue;
  const double gainInput = goal.GainInput;
  const double level = goal.Level;
  const double feeling = goal.Feeling;
  auto* mouse = typeid(goal) == typeid(TGoalMouse) ? static_cast<TGoalMouse*>(&goal) : nullptr;
  TPlayer2D* lastPlayer = mouse ? mouse->LastPlayer : nullptr;
  const int32_t deadCache = player.DeadCache;  // IsDead caches what it read
  goal.Evaluate(player);
  goal.Derive();
  reading.Value = goal.GetValue();
  reading.Feeling = goal.Feeling;
  goal.Value = value;
  goal.StartValue = startValue;
  goal.GainInput = gainInput;
  goal.Level = level;
  goal.Feeling = feeling;
  if (mouse) mouse->LastPlayer = lastPlayer;
  player.DeadCache = deadCache;
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
  return body ? std::hypot(body->GetVelX(), body->GetVelY()) : 0.0;
}

}  // namespace vorlanth
