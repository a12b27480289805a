#include "world2d/player2d.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "core/elementary.h"
#include "core/rounding.h"
#include "core/track.h"
#include "world2d/track2d.h"

namespace vorlanth {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr int32_t kTriangleCorners = 3;
constexpr double kInitialCellSize = 15;   // pixels, until the player's grid size applies
constexpr double kMinSize = 3;            // pixels
constexpr double kMaxSize = 25;
constexpr double kInitialSize = 6;
constexpr double kImpactDamage = 10;      // health lost at Speed = Size for the reference size
constexpr double kSafeCoordinate = 1e9;   // pixels: well within the range of int32_t

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
  // Four corners (a kart, a rocket), the common outline, take a path of their own.
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
  // Four edges (a kart, a rocket), the common outline, take a path of their own.
  if (n == 4) return OutlineHolds(4, EdgeOrigins.data(), Edges.data(), x, y);
  return OutlineHolds(n, EdgeOrigins.data(), Edges.data(), x, y);
}

bool TPlayer2D::IsInsideWorld() {
  const TTrack2D* track = GetTrack2D();
  if (!track) return true;
  if (SurelyOnTrack(*track)) return true;
  if (!track->HasCircuit()) return true;  // no circuit, no border to leave
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

}  // namespace vorlanth
