// The drawing of a 2D player: its body with the health and energy fins, the
// sensitivity bars, the trace and feelings of each sub-step of its futures, and
// the ending points of its futures.

#include "world2d/player2d.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "core/elementary.h"
#include "core/rounding.h"
#include "world2d/color_utils.h"
#include "world2d/track2d.h"

namespace vorlanth {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kFinWidthFactor = 0.1;   // of Size
constexpr double kMinFinWidth = 2.5;      // pixels
constexpr double kLimiterBarGap = 1.3;    // of Size, from the centre
constexpr double kLimiterBarWidth = 4;    // pixels
constexpr double kLimiterBarSpacing = 5;  // pixels between the bars of two controls
constexpr double kMaxRingRadius = 10000;  // pixels: keeps absurd feelings drawable
const TColor kBlack = MakeColor(0, 0, 0);
const TColor kWhite = MakeColor(255, 255, 255);

// Green when full, red when empty.
TColor LevelColor(double level) {
  const double r = std::clamp((1 - level) * 1.4 + 0.2, 0.0, 1.0);
  const double g = std::clamp(1.5 * level - 0.25, 0.0, 1.0);
  return MakeColor(Round32(255 * r), Round32(255 * g), 50);
}

}  // namespace

// ---- Drawing -------------------------------------------------------------------

void TPlayer2D::Draw() {
  Canvas* canvas = GetCanvas();
  if (!canvas) return;
  UpdateShape();
  const auto n = static_cast<int32_t>(CornerPoints.size());
  if (n == 0) return;

  // 1. The body.
  canvas->SetPenMode(Canvas::PenMode::Copy);
  canvas->SetPenStyle(Canvas::PenStyle::Solid);
  canvas->SetPenWidth(1);
  canvas->SetPenColor(kBlack);
  canvas->SetBrushStyle(Canvas::BrushStyle::Solid);
  canvas->SetBrushColor(Color);
  canvas->Polygon(CornerPoints.data(), n);
  if (!HasControls()) return;

  // 2. Health fin on one side, energy fin on the other. With three corners the
  // energy fin's far corner wraps to corner 0, the nose.
  const int32_t b = (n - 1) / 2;
  const int32_t bPrev = (b - 1 + n) % n;
  DrawFin(-1, GetHealth() / 100, Corners[static_cast<size_t>(b)].x, Corners[static_cast<size_t>(b)].y,
          Corners[static_cast<size_t>(bPrev)].x, Corners[static_cast<size_t>(bPrev)].y);
  const int32_t e = (n + 1) / 2 % n;
  const int32_t eNext = (e + 1) % n;
  DrawFin(+1, GetEnergy() / 100, Corners[static_cast<size_t>(e)].x, Corners[static_cast<size_t>(e)].y,
          Corners[static_cast<size_t>(eNext)].x, Corners[static_cast<size_t>(eNext)].y);

  // 3. The outline again, over the fins.
  canvas->SetPenColor(kBlack);
  canvas->SetBrushStyle(Canvas::BrushStyle::Clear);
  canvas->Polygon(CornerPoints.data(), n);

  // 4. The dead are crossed out.
  if (IsDead()) {
    const double x = GetPosX();
    const double y = GetPosY();
    const double s = GetSize();
    canvas->MoveTo(Round32(x - s), Round32(y - s));
    canvas->LineTo(Round32(x + s), Round32(y + s));
    canvas->MoveTo(Round32(x - s), Round32(y + s));
    canvas->LineTo(Round32(x + s), Round32(y - s));
  }

  // 5. Sensitivity levels: one bar per control (controls and their pushes alternate).
  if (ShowLevels && LimitersOn) {
    TState& state = GetState();
    const int32_t controls = Round32(state.FreeParamCount() / 2.0);
    for (int32_t j = 0; j < controls && 2 * j < state.FreeParamCount(); ++j) {
      const TStateParam* limiter = state.GetFreeParam(2 * j).GetLimiter();
      if (limiter) DrawLimiterBar(kLimiterBarSpacing * j, limiter->Value * 100);
    }
  }
}

void TPlayer2D::DrawFin(int side, double level, double x1, double y1, double x2, double y2) {
  if (!(level > 0)) return;
  Canvas* canvas = GetCanvas();
  if (!canvas) return;
  const TColor color = LevelColor(level);
  canvas->SetPenColor(color);
  canvas->SetBrushColor(color);
  canvas->SetBrushStyle(Canvas::BrushStyle::Solid);
  const double w = std::max(kFinWidthFactor * GetSize(), kMinFinWidth);
  const double angle = GetAngle();
  const double ox = side * w * elem::Sin(angle);
  const double oy = -side * w * elem::Cos(angle);
  const double mx = RoundHalfEven(x1 + level * (x2 - x1));
  const double my = RoundHalfEven(y1 + level * (y2 - y1));
  const TPoint band[4] = {
      {Round32(x1 + ox), Round32(y1 + oy)},
      {Round32(x1), Round32(y1)},
      {Round32(mx), Round32(my)},
      {Round32(mx + ox), Round32(my + oy)},
  };
  canvas->Polygon(band, 4);
}

void TPlayer2D::DrawLimiterBar(double offset, double value) {
  Canvas* canvas = GetCanvas();
  if (!canvas) return;
  const double x = GetPosX();
  const double y = GetPosY();
  const double s = GetSize();
  const double x0 = x + kLimiterBarGap * s + offset;
  canvas->SetPenColor(MakeColor(150, 150, 150));
  canvas->SetBrushStyle(Canvas::BrushStyle::Solid);
  canvas->SetBrushColor(kWhite);
  canvas->Rectangle(Round32(x0), Round32(y + s + 1), Round32(x0 + kLimiterBarWidth), Round32(y - s - 1));
  // The level rises from the bottom by value percent of the body's height.
  canvas->SetBrushColor(LevelColor(value));
  const double rise = RoundHalfEven(2 * s * value / 100);
  canvas->Rectangle(Round32(x0), Round32(y + s), Round32(x0 + kLimiterBarWidth), Round32(y + s - rise));
}

void TPlayer2D::DrawTraceStep() {
  // Called at the end of every sub-step of every future: the usual case, nothing
  // to draw, returns before the drawing's set-up.
  if (!ShowTraces && !ShowFeelings) return;
  if (Canvas* canvas = GetCanvas()) DrawTrace(*canvas);
}

void TPlayer2D::DrawTrace(Canvas& canvasRef) {
  Canvas* canvas = &canvasRef;
  if (!IsDrawable()) return;
  TState& state = GetState();
  const TPoint p{Round32(GetStartPosX()), Round32(GetStartPosY())};
  const TPoint q{Round32(GetPosX()), Round32(GetPosY())};

  // Later steps are paler.
  canvas->SetBrushStyle(Canvas::BrushStyle::Solid);
  const TColor optionColor = GetOptionColor(state);
  TColor c0 = optionColor;
  LightenColor(c0, 0.2);
  TColor c1 = c0;
  LightenColor(c1, 0.8);
  const auto elapsed = static_cast<double>(state.ElapsedMs);
  const double horizon = GetHorizonMs();
  const double progress = horizon > 0 ? elapsed / horizon : 1.0;
  LightenColor(c0, 0.2 * progress);
  LightenColor(c1, 0.9 * progress);

  if (ShowTraces) {
    if (std::fabs(state.Weight - 1) < 0.9) ScaleColor(c0, state.Weight * state.Weight);
    canvas->SetPenColor(c1);
    canvas->MoveTo(p.x, p.y);
    canvas->LineTo(q.x, q.y);
    if (elapsed < horizon) {
      canvas->SetPixel(p.x, p.y, c0);
    } else {
      // The future's last step: a small square at its end.
      canvas->SetPenColor(optionColor);
      canvas->SetBrushColor(kBlack);
      canvas->Rectangle(AddSaturated(q.x, -2), AddSaturated(q.y, -2), AddSaturated(q.x, 1),
                        AddSaturated(q.y, 1));
    }
  }

  const double f = state.WeightFactor;
  if (HasControls() && ShowFeelings && std::fabs(f - 1) > 0.01) {
    // Gains as green rings, losses as red rings, three nested rings fading outward.
    TColor color;
    double w;
    if (f >= 1) {
      color = MakeColor(0, 255, 0);
      w = 5 * std::sqrt(f - 1);
    } else {
      color = MakeColor(255, 0, 0);
      w = f > -1 ? 2 / (f + 1) - 1 : kMaxRingRadius;
    }
    canvas->SetPenMode(Canvas::PenMode::Mask);
    for (int i = 1; i <= 3; ++i) {
      canvas->SetPenColor(color);
      canvas->SetBrushColor(color);
      LightenColor(color, 0.5);
      const int32_t r = Round32(std::min(10 * w * i / 3, kMaxRingRadius));
      canvas->Ellipse(AddSaturated(q.x, -r), AddSaturated(q.y, -r), AddSaturated(q.x, r),
                      AddSaturated(q.y, r));
    }
  }
  canvas->SetPenMode(Canvas::PenMode::Copy);
}

void TPlayer2D::DrawEndingPoint(const TFuture& future) {
  if (future.LimiterOption) return;
  Canvas* canvas = GetCanvas();
  if (!canvas) return;
  // A player without controls has no options, hence no sectors to draw.
  const int32_t u = GetState().FreeParamCount();
  if (u == 0) return;

  if (std::max(PosXCell, PosYCell) >= static_cast<int32_t>(future.Cells.size())) return;
  const int32_t a = future.Cells[static_cast<size_t>(PosXCell)];
  const int32_t b = future.Cells[static_cast<size_t>(PosYCell)];
  const int32_t g = Round32(GridSize / 2.0);
  const double score = Futures->GetScore(future);
  const double scaled = std::sqrt(std::fabs(score) * static_cast<double>(DrawScale) / 100);
  const int32_t r = Round32(g * std::min(scaled, 1.0));
  LargestScore = std::max(LargestScore, static_cast<long double>(score));

  // The future's grid cell.
  canvas->SetPenMode(Canvas::PenMode::Copy);
  canvas->SetPenColor(MakeColor(170, 170, 170));
  canvas->SetPenStyle(Canvas::PenStyle::Dotted);
  canvas->SetBrushStyle(Canvas::BrushStyle::Clear);
  canvas->Rectangle(AddSaturated(a, -g), AddSaturated(b, -g), AddSaturated(a, g + 1),
                    AddSaturated(b, g + 1));
  canvas->SetPenStyle(Canvas::PenStyle::Solid);

  // Each control owns a sector of width 2 pi / u, its two directions opposite.
  const int32_t c = future.OptionIndex + future.Direction;
  const int32_t sector = c / 2;  // floored
  const int32_t opposite = c % 2;
  const double theta1 = 2 * kPi * sector / u + kPi + opposite * kPi - kPi / u;
  const double theta2 = theta1 + 2 * kPi / u;
  const TColor optionColor = GetOptionColor(future);
  TColor fill = optionColor;
  LightenColor(fill, 0.7);
  canvas->SetPenColor(optionColor);
  canvas->SetBrushStyle(Canvas::BrushStyle::Solid);
  canvas->SetBrushColor(fill);
  canvas->SetPenMode(Canvas::PenMode::Mask);
  canvas->Pie(AddSaturated(a, -r), AddSaturated(b, -r), AddSaturated(a, r), AddSaturated(b, r),
              AddSaturated(a, Round32(50 * elem::Cos(theta1))),
              AddSaturated(b, Round32(-50 * elem::Sin(theta1))),
              AddSaturated(a, Round32(50 * elem::Cos(theta2))),
              AddSaturated(b, Round32(-50 * elem::Sin(theta2))));
  canvas->SetPenMode(Canvas::PenMode::Copy);
}

}  // namespace vorlanth