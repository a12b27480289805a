#include "goals/mouse_goal.h"

#include <cmath>

#include "world2d/player2d.h"
#include "world2d/track2d.h"

namespace vorlanth {
namespace {

constexpr TColor MouseMarkColor = 0xFF0000;  // blue

}  // namespace

TGoalMouse::TGoalMouse(TGoalOwner owner, bool avoidMouse) : TReplicableGoal(owner), AvoidMouse(avoidMouse) {
  Name = avoidMouse ? "Avoid mouse" : "Follow mouse";
  Scale = 1;
}

void TGoalMouse::Evaluate(TPlayer& player) {
  auto* body = As2D(&player);
  LastPlayer = RefOf(body);
  if (!body || body->IsDead()) return;
  // The cursor is read afresh: every sub-step of every future sees it where it is now.
  const TTrack2D* track = body->GetTrack2D();
  if (!track || !track->MouseInTrack()) return;
  const double dx = body->GetPosX() - track->MouseX();
  const double dy = body->GetPosY() - track->MouseY();
  const double d = std::sqrt(dx * dx + dy * dy) / (body->GetSize() + 1);
  if (AvoidMouse) {
    SetValue(d);
  } else {
    SetValue(d > 0 ? 1 / d : MouseOnCursorValue);
  }
}

void TGoalMouse::Draw() {
  const TPlayer2D* last = GetLastPlayer();
  if (!last) return;  // not evaluated yet
  const TTrack2D* track = last->GetTrack2D();
  Canvas* canvas = track ? track->ImageCanvas : nullptr;
  if (!canvas || !track->MouseInTrack()) return;
  const int32_t x = track->MouseX();
  const int32_t y = track->MouseY();
  const int32_t r = MouseMarkRadius;
  canvas->SetPenColor(MouseMarkColor);
  canvas->SetBrushStyle(Canvas::BrushStyle::Clear);
  canvas->Ellipse(x - r, y - r, x + r, y + r);
  canvas->MoveTo(x, y - r);
  canvas->LineTo(x, y + r);
  canvas->MoveTo(x - r, y);
  canvas->LineTo(x + r, y);
}

TPlayer2D* TGoalMouse::GetLastPlayer() const { return As2D(FindPlayer(LastPlayer)); }

}  // namespace vorlanth
