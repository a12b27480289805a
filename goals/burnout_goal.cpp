#include "goals/burnout_goal.h"

#include <cmath>

#include "core/elementary.h"
#include "core/error.h"
#include "core/rounding.h"
#include "core/track.h"
#include "world2d/rocket.h"

namespace vorlanth {
namespace {

constexpr double BurnOutNeutralValue = 10;
constexpr double BurnOutEmptiedValue = 100;   // the victim was drained to nothing
constexpr double BurnOutGainFactor = 10;      // value per unit of energy gained
constexpr TColor DrainLineColor = 0x0000FF;   // red
constexpr int32_t DrainLineWidth = 3;

}  // namespace

TGoalBurnOut::TGoalBurnOut(TGoalOwner owner)
    : TReplicableGoal(owner) {
  if (!dynamic_cast<TRocket*>(owner.Player)) throw Error("BurnOut goal is only fro Rockets.");
  Name = "Stole energy from others";
}

void TGoalBurnOut::Evaluate(TPlayer& player) {
  StartValue = BurnOutNeutralValue;
  SetValue(BurnOutNeutralValue);
  TRocket* rocket = AsRocket(&player);
  if (!rocket || rocket->GetEnergy() == 0 || rocket->IsDead()) return;
  TTrack* track = rocket->GetTrack();
  if (!track) return;

  // The far end of the exhaust: the stronger the thrust, the longer the reach.
  const double angle = rocket->GetAngle();
  const double length = rocket->GetMainPower() + rocket->GetSize();
  const double tipX = Round32(rocket->GetPosX() - elem::Cos(angle) * length);
  const double tipY = Round32(rocket->GetPosY() - elem::Sin(angle) * length);
  const double drain = BurnOutDrainPerSecond * rocket->GetTimeStep();

  for (int32_t i = 0; i < track->PlayerCount(); ++i) {
    TPlayer* other = track->GetPlayer(i);
    if (other == rocket) continue;
    auto* victim = As2D(other);
    if (!victim) continue;
    const double dx = victim->GetPosX() - tipX;
    const double dy = victim->GetPosY() - tipY;
    if (!(std::sqrt(dx * dx + dy * dy) < victim->GetSize())) continue;

    const double e = victim->GetEnergy();
    victim->SetEnergy(e - drain);
    const double taken = e - victim->GetEnergy();  // the energy parameter clamps at 0
    const double r = rocket->GetEnergy();
    rocket->SetEnergy(r + taken / 2);
    if (victim->GetEnergy() == 0) {
      SetValue(BurnOutEmptiedValue);
    } else {
      SetValue(StartValue + BurnOutGainFactor * (rocket->GetEnergy() - r));
    }

    if (rocket->FutureMode || !rocket->Goals->ShowGoals) continue;
    ShowDrain(*rocket, *victim);
  }
}

void TGoalBurnOut::ShowDrain(TRocket& rocket, const TPlayer2D& victim) {
  if (Canvas* canvas = rocket.GetCanvas()) {
    canvas->SetPenColor(DrainLineColor);
    canvas->SetPenWidth(DrainLineWidth);
    canvas->MoveTo(Round32(rocket.GetPosX()), Round32(rocket.GetPosY()));
    canvas->LineTo(Round32(victim.GetPosX()), Round32(victim.GetPosY()));
    canvas->SetPenWidth(1);
  }
}


}  // namespace vorlanth
