#include "goals/storage_goal.h"

#include <algorithm>
#include <cmath>

#include "core/rounding.h"
#include "world2d/player2d.h"

namespace vorlanth {
namespace {

constexpr TColor BoxOutlineColor = 0xFF0000;  // blue
constexpr TColor BoxFillColor = 0xFFFF00;     // aqua
constexpr TColor BoxFillPenColor = 0x000000;  // black
constexpr double StorageReactionSeconds = 10;

}  // namespace

TGoal2DStorage::TGoal2DStorage(TGoalOwner owner, int32_t x, int32_t y, int32_t halfSize,
                               int32_t capacity)
    : TReplicableGoal(owner), BoxX(x), BoxY(y), BoxHalfSize(std::max(1, halfSize)), Capacity(capacity) {
  Name = "Store drops";
  SetReactionTime(StorageReactionSeconds);
  Urgency = 0.5;
}

void TGoal2DStorage::Evaluate(TPlayer& player) {
  StartValue = StorageNeutralValue;
  SetValue(StorageNeutralValue);
  auto* body = As2D(&player);
  LastPlayer = RefOf(body);
  if (!body || body->IsDead() || Stored >= Capacity) return;

  // The player's box must overlap the storage box (strictly).
  const double reach = body->GetSize() + BoxHalfSize;
  if (!(std::abs(body->GetPosX() - BoxX) < reach && std::abs(body->GetPosY() - BoxY) < reach))
    return;

  // Everything above the reserve goes in, as far as the room left allows.
  const double level =
      std::min(std::max(body->GetEnergy() - StorageReserve, 0.0) + Stored, Capacity);
  const double deposit = level - Stored;
  SetValue(GetValue() + deposit);
  if (body->FutureMode) return;  // a future feels the deposit but changes nothing

  body->SetEnergy(body->GetEnergy() - deposit);
  body->Record.StoredEnergy += deposit;
  Stored = level;
  if (Stored > StorageEmptyShare * Capacity) Stored = 0;
}

void TGoal2DStorage::Draw() {
  const TPlayer2D* last = GetLastPlayer();
  if (!last) return;  // not evaluated yet
  Canvas* canvas = last->GetCanvas();
  if (!canvas) return;
  const int32_t h = BoxHalfSize;
  canvas->SetPenColor(BoxOutlineColor);
  canvas->SetBrushStyle(Canvas::BrushStyle::Clear);
  canvas->Rectangle(BoxX - h, BoxY - h, BoxX + h, BoxY + h);
  // The fill level rises from the bottom of the box.
  const int32_t c = Capacity > 0 ? Ceil32(Stored / Capacity * 2 * h) : 0;
  canvas->SetPenColor(BoxFillPenColor);
  canvas->SetBrushColor(BoxFillColor);
  canvas->SetBrushStyle(Canvas::BrushStyle::Solid);
  canvas->Rectangle(BoxX - h, BoxY + h - c, BoxX + h, BoxY + h);
}

TPlayer2D* TGoal2DStorage::GetLastPlayer() const { return As2D(FindPlayer(LastPlayer)); }

}  // namespace vorlanth
