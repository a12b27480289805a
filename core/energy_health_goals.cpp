#include "core/energy_health_goals.h"

#include <algorithm>

#include "core/player.h"

namespace vorlanth {

TGoalEnergy::TGoalEnergy(TGoalOwner owner) : TReplicableGoal(owner) {
  Name = "Energy";
  SetStrength(0.8);
  Scale = 100;
  ReactionMs = 10000;
  Urgency = 0.8;
}

void TGoalEnergy::Evaluate(TPlayer& player) {
  StartValue = std::max(player.GetStartEnergy() - 5, 0.0) / 10;
  SetValue(std::max(player.GetEnergy() - 5, 0.0) / 10);
}

TGoalHealth::TGoalHealth(TGoalOwner owner) : TReplicableGoal(owner) {
  Name = "Health";
  SetStrength(1);
  Scale = 100;
  ReactionMs = 10000;
  Urgency = 2;
  LossFactor = 5;
}

void TGoalHealth::Evaluate(TPlayer& player) {
  StartValue = player.GetStartHealth() / 10;
  SetValue(player.GetHealth() / 10);
}

}  // namespace vorlanth
