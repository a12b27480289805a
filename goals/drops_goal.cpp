#include "goals/drops_goal.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "core/error.h"
#include "core/random.h"
#include "core/rounding.h"
#include "core/team.h"
#include "core/track.h"
#include "world2d/player2d.h"
#include "world2d/rocket.h"
#include "world2d/track2d.h"
#include "world2d/body_cast.h"

namespace vorlanth {
namespace {

constexpr TColor DropFillColor = 0xF0FBFF;     // cream
constexpr TColor DropOutlineColor = 0x008000;  // green
constexpr double DropClearance = 1.5;          // clear track around a drop, in body sizes
constexpr int32_t MinDropUnits = 2;            // a fresh drop holds 2 to 6 units
constexpr int32_t DropUnitsSpread = 4;

void CheckDropIndex(int32_t i) {
  if (i < 0 || i >= DropSlots)
    throw Error("Drop index " + std::to_string(i) + " out of boundaries.");
}

// A coordinate within the middle 80 % of an axis of the given length.
int32_t RandomInMiddle(int32_t length) { return Round32((Random() * 0.8 + 0.1) * length); }

}  // namespace

TGoal2DSweets::TGoal2DSweets(TGoalOwner owner) : TReplicableGoal(owner) {
  Name = "Get drops";
  Scale = 1;
}

bool TGoal2DSweets::InFuture() const {
  const TPlayer2D* last = GetLastPlayer();
  return last && last->FutureMode;
}

int32_t TGoal2DSweets::GetDropLeft(int32_t i) const {
  CheckDropIndex(i);
  const size_t k = static_cast<size_t>(i);
  return InFuture() ? FutureDropUnits[k] : DropUnits[k];
}

void TGoal2DSweets::SetDropLeft(int32_t i, int32_t units) {
  CheckDropIndex(i);
  const size_t k = static_cast<size_t>(i);
  (InFuture() ? FutureDropUnits : DropUnits)[k] = units;
}

void TGoal2DSweets::BeforePasses() {
  TTeam* team = Owner->Team;
  if (!ReplaceDrops || !team) return;
  // Placed for the team's first body in the plane, as its first evaluation would.
  for (int32_t i = 0; i < team->PlayerCount(); ++i) {
    if (auto* body = As2D(team->GetPlayer(i))) {
      LastPlayer = RefOf(body);
      PlaceAllDrops();
      return;
    }
  }
}

void TGoal2DSweets::Evaluate(TPlayer& player) {
  auto* body = As2D(&player);
  LastPlayer = RefOf(body);
  // Drops are scattered in the present only (before the passes, or here): the
  // futures never draw the present's random numbers.
  if (ReplaceDrops && body && !body->FutureMode) PlaceAllDrops();
  SetValue(1);
  StartValue = 1;
  if (!body || body->IsDead()) return;
  // With evolution on, only rockets collect drops.
  if (body->Context->Evolution && !AsRocket(body)) return;

  // The units this evaluation consumes: a future's own copy, or the present drops.
  const bool future = body->FutureMode;
  std::array<int32_t, DropSlots>& units = future ? FutureDropUnits : DropUnits;
  const double x = body->GetPosX();
  const double y = body->GetPosY();
  const double size = body->GetSize();
  const auto take = [&](size_t i) {
    const int32_t u = units[i];
    if (u < 1) return;
    // A square reach that shrinks as the drop is emptied.
    const double reach = u + size;
    if (!(reach > std::abs(x - DropX[i]) && reach > std::abs(y - DropY[i]))) return;
    SetValue(EnergyPerDrop);
    const double before = body->GetEnergy();
    body->SetEnergy(before + EnergyPerDrop);
    units[i] = u - 1;
    // What the player really gained: its energy stops at its maximum.
    if (!future) {
      PresentEnergyGained += body->GetEnergy() - before;
      body->Record.DropEnergy += body->GetEnergy() - before;
    }
    if (units[i] == 0 && !future) --DropsLeft;
    if (DropsLeft <= MinDropsLeft) ReplaceDrops = true;
  };
  if (!future) {
    for (size_t i = 0; i < static_cast<size_t>(DropCount); ++i) take(i);
    return;
  }

  // In a future only the drops whose x lies within the widest reach can be
  // reached; they are taken in the order of their numbers, as above. The pixel of
  // slack covers the rounding of the bounds; the test in `take` decides.
  if (!Reachable.Ready) IndexReachableDrops();
  const double widest = Reachable.MostUnits + size + 1;
  const int32_t* const first = Reachable.ByX.data();
  const int32_t* const last = first + Reachable.Count;
  const int32_t* k = std::lower_bound(first, last, x - widest, [this](int32_t drop, double at) {
    return DropX[static_cast<size_t>(drop)] <= at;
  });
  std::array<int32_t, DropCount> near;
  size_t count = 0;
  for (; k != last && DropX[static_cast<size_t>(*k)] < x + widest; ++k) near[count++] = *k;
  std::sort(near.begin(), near.begin() + static_cast<std::ptrdiff_t>(count));
  for (size_t n = 0; n < count; ++n) take(static_cast<size_t>(near[n]));
}

void TGoal2DSweets::IndexReachableDrops() {
  // Drops do not move within a future, and their units only fall.
  Reachable.Count = 0;
  Reachable.MostUnits = 0;
  for (int32_t i = 0; i < DropCount; ++i) {
    const int32_t units = FutureDropUnits[static_cast<size_t>(i)];
    if (units < 1) continue;
    Reachable.MostUnits = std::max(Reachable.MostUnits, units);
    // Insertion by x; equal x keep the order of their numbers.
    int32_t at = Reachable.Count++;
    for (; at > 0 && DropX[static_cast<size_t>(Reachable.ByX[static_cast<size_t>(at - 1)])] >
                         DropX[static_cast<size_t>(i)];
         --at)
      Reachable.ByX[static_cast<size_t>(at)] = Reachable.ByX[static_cast<size_t>(at - 1)];
    Reachable.ByX[static_cast<size_t>(at)] = i;
  }
  Reachable.Ready = true;
}

void TGoal2DSweets::ResetFuture() {
  TGoal::ResetFuture();
  FutureDropUnits = DropUnits;
  Reachable.Ready = false;
}

void TGoal2DSweets::PlaceDrop(int32_t i) {
  CheckDropIndex(i);
  const size_t k = static_cast<size_t>(i);
  if (DropUnits[k] > 0) return;  // only used-up drops move
  const int32_t units = Round32(Random() * DropUnitsSpread) + MinDropUnits;
  DropUnits[k] = units;
  FutureDropUnits[k] = units;

  const TPlayer2D* last = GetLastPlayer();
  const TTrack2D* track = last ? last->GetTrack2D() : nullptr;
  if (track) {
    const double c = DropClearance * last->GetSize();
    for (int32_t tries = 0; tries < MaxDropPlaceTries; ++tries) {
      const int32_t x = RandomInMiddle(track->Width());
      const int32_t y = RandomInMiddle(track->Height());
      if (track->IsOnTrack(x, y) && track->IsOnTrack(x + c, y) && track->IsOnTrack(x - c, y) &&
          track->IsOnTrack(x, y + c) && track->IsOnTrack(x, y - c)) {
        DropX[k] = x;
        DropY[k] = y;
        return;
      }
    }
  }
  // No clear spot on this circuit: the drop stays empty rather than searching forever.
  DropUnits[k] = 0;
  FutureDropUnits[k] = 0;
}

void TGoal2DSweets::PlaceAllDrops() {
  for (int32_t i = 0; i < DropCount; ++i) PlaceDrop(i);
  ReplaceDrops = false;
  // Always the full count, even when a circuit left some drops without a spot: a
  // lower count would let a future's unit reach the threshold, and the next
  // evaluation in that future would scatter the present's drops again.
  DropsLeft = DropCount;
}

void TGoal2DSweets::Draw() {
  const TPlayer2D* last = GetLastPlayer();
  if (ReplaceDrops || !last || last->FutureMode) return;
  Canvas* canvas = last->GetCanvas();
  if (!canvas) return;
  canvas->SetPenColor(DropOutlineColor);
  canvas->SetBrushColor(DropFillColor);
  canvas->SetBrushStyle(Canvas::BrushStyle::Solid);
  for (size_t i = 0; i < static_cast<size_t>(DropCount); ++i) {
    if (DropUnits[i] <= 0) continue;
    const int32_t r = DropUnits[i] + 1;
    canvas->Ellipse(DropX[i] - r, DropY[i] - r, DropX[i] + r, DropY[i] + r);
  }
}

TPlayer2D* TGoal2DSweets::GetLastPlayer() const { return As2D(FindPlayer(LastPlayer)); }

}  // namespace vorlanth
