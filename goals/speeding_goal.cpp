#include "goals/speeding_goal.h"

#include <cmath>

#include "world2d/physic2d.h"

namespace vorlanth {
namespace {

// Speed in body sizes per second; a body of no size measures nothing.
double SizesPerSecond(double velX, double velY, double size) {
  return size > 0 ? std::sqrt(velX * velX + velY * velY) / size : 0.0;
}

}  // namespace

void GiveBodyGoals(TPlayer& body) { body.Goals->AddGoal(std::make_unique<TGoal2DRaced>(&body)); }

TGoal2DRaced::TGoal2DRaced(TGoalOwner owner) : TReplicableGoal(owner) { Name = "Speeding"; }

void TGoal2DRaced::Evaluate(TPlayer& player) {
  // Every player of the system is a physics body; any other measures no speed.
  auto* body = AsPhysic(&player);
  if (!body) {
    StartValue = 0;
    SetValue(0);
    return;
  }
  const double size = body->GetSize();
  StartValue = SizesPerSecond(body->GetStartVelX(), body->GetStartVelY(), size);
  SetValue(SizesPerSecond(body->GetVelX(), body->GetVelY(), size));
}

}  // namespace vorlanth
