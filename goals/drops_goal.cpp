#include "goals/drops_goal.h"

#include <algorithm>
#include <bit>
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
int32_t RandomInMiddle(TRandomStream& random, int32_t length) {
  return Round32((Random(random) * 0.8 + 0.1) * length);
}

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
      PlaceAllDrops(body->RandomStream());
      return;
    }
  }
}

void TGoal2DSweets::Evaluate(TPlayer& player) {
  auto* body = As2D(&player);
  LastPlayer = RefOf(body);
  // Drops are scattered in the present only (before the passes, or here): the
  // futures never draw the present's random numbers.
  if (ReplaceDrops && body && !body->FutureMode) PlaceAllDrops(body->RandomStream());
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

  // In a future only the drops in the cells within the widest reach can be
  // reached; they are taken in the order of their numbers, as above. The pixel of
  // slack covers the rounding of the bounds; the test in `take` decides.
  if (!Reachable.Ready) IndexReachableDrops();
  const double widest = Reachable.MostUnits + size + 1;
  const double span = Reachable.Span;
  const double left = x - widest - Reachable.Left;
  const double right = x + widest - Reachable.Left;
  const double top = y - widest - Reachable.Top;
  const double bottom = y + widest - Reachable.Top;
  // Nothing within reach (or a pose that is not a number).
  if (!(left < span && right >= 0 && top < span && bottom >= 0)) return;
  // Scaled by a power of two, exactly; truncation floors what is not negative.
  const double cell = Reachable.CellScale;
  const auto x0 = static_cast<int32_t>(std::max(left * cell, 0.0));
  const auto x1 = static_cast<int32_t>(std::min(right * cell, GridCells - 1.0));
  const auto y0 = static_cast<int32_t>(std::max(top * cell, 0.0));
  const auto y1 = static_cast<int32_t>(std::min(bottom * cell, GridCells - 1.0));
  const auto& columns = Reachable.ColumnsBefore;
  const auto& rows = Reachable.RowsBefore;
  uint32_t near = columns[static_cast<size_t>(x1 + 1)] & ~columns[static_cast<size_t>(x0)] &
                  rows[static_cast<size_t>(y1 + 1)] & ~rows[static_cast<size_t>(y0)];
  for (; near != 0; near &= near - 1) take(static_cast<size_t>(std::countr_zero(near)));
}

void TGoal2DSweets::IndexReachableDrops() {
  // Drops do not move within a future, and their units only fall.
  static_assert(DropCount <= 32, "a cell holds its drops as the bits of 32");
  int32_t mostUnits = 0;
  int32_t left = 0, right = 0, top = 0, bottom = 0;
  bool any = false;
  for (size_t i = 0; i < static_cast<size_t>(DropCount); ++i) {
    if (FutureDropUnits[i] < 1) continue;
    mostUnits = std::max(mostUnits, FutureDropUnits[i]);
    left = any ? std::min(left, DropX[i]) : DropX[i];
    right = any ? std::max(right, DropX[i]) : DropX[i];
    top = any ? std::min(top, DropY[i]) : DropY[i];
    bottom = any ? std::max(bottom, DropY[i]) : DropY[i];
    any = true;
  }
  // The smallest cells whose grid covers every drop.
  const int64_t extent = std::max(int64_t{right} - left, int64_t{bottom} - top);
  int32_t shift = 0;
  while ((extent >> shift) >= GridCells) ++shift;
  Reachable.MostUnits = mostUnits;
  Reachable.Left = left;
  Reachable.Top = top;
  Reachable.Span = static_cast<double>(int64_t{GridCells} << shift);
  Reachable.CellScale = std::ldexp(1.0, -shift);
  std::array<uint32_t, GridCells> column{};
  std::array<uint32_t, GridCells> row{};
  for (size_t i = 0; i < static_cast<size_t>(DropCount); ++i) {
    if (FutureDropUnits[i] < 1) continue;
    column[static_cast<size_t>((int64_t{DropX[i]} - left) >> shift)] |= uint32_t{1} << i;
    row[static_cast<size_t>((int64_t{DropY[i]} - top) >> shift)] |= uint32_t{1} << i;
  }
  Reachable.ColumnsBefore[0] = 0;
  Reachable.RowsBefore[0] = 0;
  for (size_t c = 0; c < static_cast<size_t>(GridCells); ++c) {
    Reachable.ColumnsBefore[c + 1] = Reachable.ColumnsBefore[c] | column[c];
    Reachable.RowsBefore[c + 1] = Reachable.RowsBefore[c] | row[c];
  }
  Reachable.Ready = true;
}

void TGoal2DSweets::ResetFuture() {
  TGoal::ResetFuture();
  FutureDropUnits = DropUnits;
  Reachable.Ready = false;
}

void TGoal2DSweets::PlaceDrop(int32_t i, TRandomStream& random) {
  CheckDropIndex(i);
  const size_t k = static_cast<size_t>(i);
  if (DropUnits[k] > 0) return;  // only used-up drops move
  const int32_t units = Round32(Random(random) * DropUnitsSpread) + MinDropUnits;
  DropUnits[k] = units;
  FutureDropUnits[k] = units;

  const TPlayer2D* last = GetLastPlayer();
  const TTrack2D* track = last ? last->GetTrack2D() : nullptr;
  if (track) {
    const double c = DropClearance * last->GetSize();
    for (int32_t tries = 0; tries < MaxDropPlaceTries; ++tries) {
      const int32_t x = RandomInMiddle(random, track->Width());
      const int32_t y = RandomInMiddle(random, track->Height());
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

void TGoal2DSweets::PlaceAllDrops(TRandomStream& random) {
  for (int32_t i = 0; i < DropCount; ++i) PlaceDrop(i, random);
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
