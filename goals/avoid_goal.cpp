#include "goals/avoid_goal.h"

#include <cmath>

#include "core/team.h"
#include "world2d/player2d.h"

namespace vorlanth {

TGoal2DTeamAway::TGoal2DTeamAway(TGoalOwner owner, TTeam* avoidTeam)
    : TReplicableGoal(owner), AvoidTeam(avoidTeam ? avoidTeam->GetRef() : TRef{}) {
  Name = "Avoid others";
  Scale = 1;
}

void TGoal2DTeamAway::Evaluate(TPlayer& player) {
  SetValue(1);
  if (Strength == 0) return;
  TTeam* avoid = GetAvoidTeam();
  if (!avoid) return;
  const TPlayer2D* body = As2D(&player);
  if (!body) return;

  // Each neighbour multiplies the value by its distance over the neutral distance.
  const double neutral = body->GetSize() * AvoidNeutralSizes * Strength;
  const double x = body->GetPosX();
  const double y = body->GetPosY();
  double value = 1;
  for (int32_t i = 0; i < avoid->PlayerCount(); ++i) {
    TPlayer* member = avoid->GetPlayer(i);
    if (member == &player) continue;
    const TPlayer2D* other = As2D(member);
    if (!other) continue;
    const double dx = other->GetPosX() - x;
    const double dy = other->GetPosY() - y;
    value *= std::sqrt(dx * dx + dy * dy) / neutral;
  }
  SetValue(value);
}


}  // namespace vorlanth
