#include "world2d/player2d.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "core/elementary.h"
#include "core/rounding.h"
#include "core/track.h"
#include "world2d/color_utils.h"
#include "world2d/track2d.h"
#include "world2d/body_cast.h"

namespace vorlanth {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr int32_t kTriangleCorners = 3;
constexpr double kInitialCellSize = 15;   // pixels, until the player's grid size applies
constexpr double kMinSize = 3;            // pixels
constexpr double kMaxSize = 25;
constexpr double kInitialSize = 6;
constexpr double kImpactDamage = 10;      // health lost at Speed = Size for the reference size
constexpr double kFinWidthFactor = 0.1;   // of Size
constexpr double kMinFinWidth = 2.5;      // pixels
constexpr double kLimiterBarGap = 1.3;    // of Size, from the centre
constexpr double kLimiterBarWidth = 4;    // pixels
constexpr double kLimiterBarSpacing = 5;  // pixels between the bars of two controls
constexpr double kMaxRingRadius = 10000;  // pixels: keeps absurd feelings drawable
constexpr double kSafeCoordinate = 1e9;   // pixels: well within the range of int32_t
const TColor kBlack = MakeColor(0, 0, 0);
const TColor kWhite = MakeColor(255, 255, 255);

// The triangle: a nose and two tail corners at +-0.8 pi.
const TVec2* TriangleDirections() {
  static const TVec2 table[kTriangleCorners] = {
      TPlayer2D::CornerDirection(0, 1),
      TPlayer2D::CornerDirection(0.8 * kPi, 1),
      TPlayer2D::CornerDirection(-0.8 * kPi, 1),
  };
  return table;
}

// Corner i of an outline: table direction i rotated by the heading (c, s), scaled
// by the size, about the centre (x, y); and rounded half to even, through a
// saturating conversion unless the caller knows every corner `small` enough.
// The table and the two arrays never share storage.
inline void PlaceCorners(size_t n, const TVec2* __restrict table, TVec2* __restrict corners,
                         TPoint* __restrict points, double x0, double y0, double size, double c, double s,
                         bool small) {
  for (size_t i = 0; i < n; ++i) {
    const TVec2 d = table[i];
    const double x = x0 + size * (c * d.x - s * d.y);
    const double y = y0 + size * (s * d.x + c * d.y);
    corners[i] = {x, y};
    points[i] = small ? TPoint{static_cast<int32_t>(RoundHalfEven(x)), static_cast<int32_t>(RoundHalfEven(y))}
                      : TPoint{Round32(x), Round32(y)};
  }
}

// Edge i of an outline, corner i+1 - corner i (the last one closing to corner 0),
// and where it is measured from, corner i rounded. No two arrays share storage.
[[gnu::always_inline]] inline void PlaceEdges(size_t n, const TVec2* __restrict corners,
                                              const TPoint* __restrict points, TVec2* __restrict edges,
                                              TVec2* __restrict origins) {
  if (n == 0) return;
  const size_t last = n - 1;
  for (size_t i = 0; i < last; ++i) {
    edges[i] = {corners[i + 1].x - corners[i].x, corners[i + 1].y - corners[i].y};
    origins[i] = {static_cast<double>(points[i].x), static_cast<double>(points[i].y)};
  }
  edges[last] = {corners[0].x - corners[last].x, corners[0].y - corners[last].y};
  origins[last] = {static_cast<double>(points[last].x), static_cast<double>(points[last].y)};
}

// Measured from each rounded corner along the real edge: all non-zero signs
// agree for a point inside or on a convex outline, whatever its winding.
[[gnu::always_inline]] inline bool OutlineHolds(size_t n, const TVec2* origins, const TVec2* edges, double x,
                                                double y) {
  int firstSign = 0;
  for (size_t i = 0; i < n; ++i) {
    const double c = (x - origins[i].x) * edges[i].y - (y - origins[i].y) * edges[i].x;
    if (c == 0) continue;
    const int sign = c > 0 ? 1 : -1;
    if (firstSign == 0) {
      firstSign = sign;
    } else if (sign != firstSign) {
      return false;
    }
  }
  return true;
}

// The rectangle of a corner table along its x and y axes: centre and half sides.
// Taken once per body, out of the outline's build.
[[gnu::noinline]] void FrameOf(const TVec2* directions, size_t n, TVec2& centre, TVec2& half) {
  if (n == 0) return;
  TVec2 low = directions[0];
  TVec2 high = directions[0];
  for (size_t i = 1; i < n; ++i) {
    low = {std::min(low.x, directions[i].x), std::min(low.y, directions[i].y)};
    high = {std::max(high.x, directions[i].x), std::max(high.y, directions[i].y)};
  }
  centre = {(low.x + high.x) / 2, (low.y + high.y) / 2};
  half = {(high.x - low.x) / 2, (high.y - low.y) / 2};
}

// How far a point the outline test accepts may stand beyond the outline of the
// corner table (see OutlineSlack): half a pixel's diagonal over the sine of half
// the sharpest corner; infinite unless the table turns one way all round.
double OutlineSlackOf(const TVec2* directions, size_t n) {
  if (n < 3) return HUGE_VAL;
  double smallestSine = 1;
  int turn = 0;
  for (size_t i = 0; i < n; ++i) {
    const TVec2 prev = directions[(i + n - 1) % n];
    const TVec2 here = directions[i];
    const TVec2 next = directions[(i + 1) % n];
    const double ax = prev.x - here.x, ay = prev.y - here.y;
    const double bx = next.x - here.x, by = next.y - here.y;
    const double cross = ax * by - ay * bx;
    const int sign = cross > 0 ? 1 : (cross < 0 ? -1 : 0);
    if (sign == 0 || (turn != 0 && sign != turn)) return HUGE_VAL;
    turn = sign;
    const double angle =
        elem::Acos(std::clamp((ax * bx + ay * by) / (elem::Hypot(ax, ay) * elem::Hypot(bx, by)), -1.0, 1.0));
    smallestSine = std::min(smallestSine, elem::Sin(angle / 2));
  }
  // A table that turns one way but winds more than once is not convex either.
  double winding = 0;
  for (size_t i = 0; i < n; ++i) {
    const TVec2 a = directions[i];
    const TVec2 b = directions[(i + 1) % n];
    winding += elem::Atan2(a.x * b.y - a.y * b.x, a.x * b.x + a.y * b.y);
  }
  if (std::fabs(std::fabs(winding) - 2 * kPi) > 1e-9) return HUGE_VAL;
  // A tenth of a pixel more for the real arithmetic of the corners and samples.
  return HalfPixelDiagonal / smallestSine + 0.1;
}

// Green when full, red when empty.
TColor LevelColor(double level) {
  const double r = std::clamp((1 - level) * 1.4 + 0.2, 0.0, 1.0);
  const double g = std::clamp(1.5 * level - 0.25, 0.0, 1.0);
  return MakeColor(Round32(255 * r), Round32(255 * g), 50);
}

}  // namespace

// ---- Construction and parameters -----------------------------------------------

void TPlayer2D::InitPlayer2D(TRandomStream& random) {
  InitPlayer(random);
  BodyKind = bkPlayer2D;
  SetPosX(10);
  SetPosY(10);
  SetAngle(0);
  ReferenceSize = kReferenceSize;
  CommitState();
}

void TPlayer2D::CreateParams() {
  TPlayer::CreateParams();
  TState& s = GetState();
  PosXIndex = s.AddParam(TStateParam::CreatePositional(&s, kInitialCellSize, 0, "PosX"));
  PosYIndex = s.AddParam(TStateParam::CreatePositional(&s, kInitialCellSize, 0, "PosY"));
  PosXCell = s.PositionalParamCount() - 2;
  PosYCell = s.PositionalParamCount() - 1;
  AngleIndex = s.AddParam(TStateParam::CreateBounded(&s, 0, 0, 0, "Angle"));
  SizeIndex = s.AddParam(TStateParam::CreatePlain(&s, kMinSize, kMaxSize, kInitialSize, "Size"));
}

bool TPlayer2D::ReadyToSplit() { return GetEnergy() >= 99; }

TTrack2D* TPlayer2D::GetTrack2D() const {
  return AsTrack2D(GetTrack());
}

Canvas* TPlayer2D::GetCanvas() const {
  const TTrack2D* track = GetTrack2D();
  return track ? track->ImageCanvas : nullptr;
}

// ---- Pose ----------------------------------------------------------------------

void TPlayer2D::SetPosX(double x) {
  GetState().Params[static_cast<size_t>(PosXIndex)].SetValue(x);
  ShapeDirty = true;
}

void TPlayer2D::SetPosY(double y) {
  GetState().Params[static_cast<size_t>(PosYIndex)].SetValue(y);
  ShapeDirty = true;
}

void TPlayer2D::SetAngle(double a) {
  GetState().Params[static_cast<size_t>(AngleIndex)].SetValue(a);
  ShapeDirty = true;
}

void TPlayer2D::SetSize(double value) {
  if (value < 0 || value == GetSize()) return;
  GetState().Params[static_cast<size_t>(SizeIndex)].SetValue(value);
  ShapeDirty = true;
}

void TPlayer2D::SetPosition(double x, double y, double angle) {
  SetPosX(x);
  SetPosY(y);
  SetAngle(angle);
  // The place a body is put at is its first known pose: a body placed on a wall
  // backs off toward it, not toward wherever it was before (the origin, when new).
  StorePose();
  CommitState();
}

void TPlayer2D::MoveBy(double dx, double dy, double dAngle) {
  SetPosX(GetPosX() + dx);
  SetPosY(GetPosY() + dy);
  SetAngle(GetAngle() + dAngle);
}

void TPlayer2D::StorePose() {
  TState& s = GetState();
  s.Params[static_cast<size_t>(PosXIndex)].KeepValue();
  s.Params[static_cast<size_t>(PosYIndex)].KeepValue();
  s.Params[static_cast<size_t>(AngleIndex)].KeepValue();
}

// ---- Outline -------------------------------------------------------------------

TVec2 TPlayer2D::CornerDirection(double offset, double radius) {
  return {radius * elem::Cos(offset), radius * elem::Sin(offset)};
}

void TPlayer2D::BuildOutline(int32_t count, const TVec2* directions) {
  bool rebuild = false;
  if (ArraysPending) {
    const auto n = static_cast<size_t>(std::max(count, 0));
    Corners.resize(n);
    CornerPoints.resize(n);
    Edges.resize(n);  // sized here too, so that a first overlap test allocates nothing
    EdgeOrigins.resize(n);
    CornerReach = 0;
    for (size_t i = 0; i < n; ++i) CornerReach = std::max(CornerReach, elem::Hypot(directions[i].x, directions[i].y));
    OutlineSlack = OutlineSlackOf(directions, n);
    FrameOf(directions, n, FrameCentre, FrameHalf);
    ArraysPending = false;
    rebuild = true;
  }
  // A shape marked dirty whose pose is still the one it was built for (a state
  // swapped for an equal one, a move by nothing) keeps its corners.
  const TShapePose pose = CurrentPose();
  if (!rebuild && pose == OutlinePose) {
    ShapeDirty = false;
    return;
  }
  // Heading trig once; each corner is its table direction rotated by it.
  const auto [c, s] = Heading();
  // Every corner lies within Size x CornerReach of the centre: when that is far
  // inside the integer range, the rounded corners convert without saturating.
  const double extent = pose.Size * CornerReach + 1;
  const bool small = std::fabs(pose.X) + extent < kSafeCoordinate && std::fabs(pose.Y) + extent < kSafeCoordinate;
  PlaceCorners(Corners.size(), directions, Corners.data(), CornerPoints.data(), pose.X, pose.Y, pose.Size, c, s, small);
  OutlinePose = pose;
  ShapeDirty = false;
  EdgesDirty = true;
}

void TPlayer2D::UpdateShape() { BuildOutline(kTriangleCorners, TriangleDirections()); }

void TPlayer2D::UpdateEdges() {
  UpdateShape();
  if (!EdgesDirty) return;
  EdgesDirty = false;
  const size_t n = Corners.size();
  Edges.resize(n);
  EdgeOrigins.resize(n);
  // A kart's four corners: the loop unrolls.
  if (n == 4) {
    PlaceEdges(4, Corners.data(), CornerPoints.data(), Edges.data(), EdgeOrigins.data());
  } else {
    PlaceEdges(n, Corners.data(), CornerPoints.data(), Edges.data(), EdgeOrigins.data());
  }
}

bool TPlayer2D::ContainsPoint(double x, double y) {
  UpdateEdges();
  return OutlineContains(x, y);
}

bool TPlayer2D::OutlineContains(double x, double y) const {
  const size_t n = Edges.size();
  // A kart's four edges: the loop unrolls.
  if (n == 4) return OutlineHolds(4, EdgeOrigins.data(), Edges.data(), x, y);
  return OutlineHolds(n, EdgeOrigins.data(), Edges.data(), x, y);
}

bool TPlayer2D::CornersSurelyOnTrack() const {
  const TTrack2D* track = GetTrack2D();
  return track && CornersSurelyOnTrack(*track);
}

bool TPlayer2D::CornersSurelyOnTrack(const TTrack2D& track) const {
  if (ArraysPending) return false;  // the reach is not known yet
  return track.DiscOnTrack(GetPosX(), GetPosY(), CornerReach * GetSize());
}

bool TPlayer2D::KeepPoseIfSurelyOnTrack(const TTrack2D& track) {
  if (ArraysPending) return false;  // the reach is not known yet
  TStateParam* p = GetState().Params.data();
  TStateParam& x = p[PosXIndex];
  TStateParam& y = p[PosYIndex];
  TStateParam& angle = p[AngleIndex];
  const TShapePose pose{x.Value, y.Value, angle.Value, p[SizeIndex].Value};
  if (!track.DiscOnTrack(pose.X, pose.Y, CornerReach * pose.Size)) return false;
  ClearPose = pose;
  ClearGround = track.CircuitSerial;
  x.KeptValue = pose.X;
  y.KeptValue = pose.Y;
  angle.KeptValue = pose.Angle;
  return true;
}

bool TPlayer2D::IsInsideWorld() {
  // Bodies mostly start a sub-step where the world step's wall test left them.
  if (ClearGround != 0 && ClearGround == Context->GroundSerial && CurrentPose() == ClearPose) return true;
  if (CornersSurelyOnTrack()) return true;
  const TTrack2D* track = GetTrack2D();
  if (!track || !track->HasCircuit()) return true;  // no circuit, no border to leave
  UpdateShape();
  for (const TPoint& p : CornerPoints)
    if (!track->PixelInBounds(p)) return false;
  return true;
}

// ---- Damage --------------------------------------------------------------------

void TPlayer2D::ApplyImpact(double speed) {
  if (!HasControls()) return;
  const double size = GetSize();
  if (size <= 0) return;
  const double relative = speed / size;
  SetHealth(GetHealth() - (size / ReferenceSize) * relative * relative * kImpactDamage);
}

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
