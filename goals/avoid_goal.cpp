#include "goals/avoid_goal.h"

#include <cmath>

#include "core/team.h"
#include "world2d/player2d.h"

namespace vorlanth {
namespace {

// Room for the bodies of a large team, so that evaluations do not allocate.
constexpr size_t BodySlotsReserved = 64;

}  // namespace

TGoal2DTeamAway::TGoal2DTeamAway(TGoalOwner owner, TTeam* avoidTeam)
    : TGoal(owner), AvoidTeam(avoidTeam) {
  Name = "Avoid others";
  Scale = 1;
  Bodies.reserve(BodySlotsReserved);
}

const TPlayer2D* TGoal2DTeamAway::BodyAt(size_t i, const TPlayer* member) {
  if (i >= Bodies.size()) Bodies.resize(i + 1);
  TBodySlot& slot = Bodies[i];
  if (slot.Player != member) slot = {member, dynamic_cast<const TPlayer2D*>(member)};
  return slot.Body;
}

void TGoal2DTeamAway::Evaluate(TPlayer& player) {
  SetValue(1);
  if (Strength == 0 || !AvoidTeam) return;
  const auto* body = dynamic_cast<const TPlayer2D*>(&player);
  if (!body) return;

  // Each neighbour multiplies the value by its distance over the neutral distance.
  const double neutral = body->GetSize() * AvoidNeutralSizes * Strength;
  const double x = body->GetPosX();
  const double y = body->GetPosY();
  double value = 1;
  for (int32_t i = 0; i < AvoidTeam->PlayerCount(); ++i) {
    const TPlayer* member = AvoidTeam->GetPlayer(i);
    if (member == &player) continue;
    const TPlayer2D* other = BodyAt(static_cast<size_t>(i), member);
    if (!other) continue;
    const double dx = other->GetPosX() - x;
    const double dy = other->GetPosY() - y;
    value *= std::sqrt(dx * dx + dy * dy) / neutral;
  }
  SetValue(value);
}

void TGoal2DTeamAway::ForgetPlayer(const TPlayer* player) {
  for (TBodySlot& slot : Bodies)
    if (slot.Player == player) slot = {};
}

}  // namespace vorlanth
