#pragma once
// The player placed in the plane: pose and size as state parameters (so every
// future carries its own copy), a lazily computed outline, the geometric queries
// the world and the goals use, the health loss of an impact, and all drawing of a
// player, of its future traces and of its futures' ending points.

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "core/elementary.h"
#include "core/player.h"
#include "world2d/body_kind.h"
#include "world2d/canvas.h"
#include "world2d/circuit_grid.h"

namespace vorlanth {

class TTrack2D;

struct TVec2 {
  double x = 0;
  double y = 0;
};

// What last took health from a body.
enum class TDamage : uint8_t { None, Wall, Collision, Border };

// What happened to a body in the present (futures leave it alone), for the
// tools' statistics; the model never reads it.
struct TPresentRecord {
  TDamage LastDamage = TDamage::None;
  int64_t Collisions = 0;   // pair collisions resolved
  double DropEnergy = 0;    // energy gained from drops
  double StoredEnergy = 0;  // energy put into a storage box
};

class TPlayer2D : public TPlayer {
 public:
  static constexpr double kReferenceSize = 12.0;

  double ReferenceSize = kReferenceSize;  // size at which size-dependent factors equal 1
  std::vector<TVec2> Corners;             // outline corners (world pixels), drawing order
  std::vector<TPoint> CornerPoints;       // the corners rounded half to even
  std::vector<TVec2> Edges;               // edge i = corner i+1 - corner i (closing to 0)
  std::vector<TVec2> EdgeOrigins;         // corner i rounded, as reals: where edge i is measured from
  bool EdgesDirty = true;
  // Every corner lies within CornerReach x Size of the centre: the longest
  // direction of the corner table, taken when the outline's arrays are sized.
  double CornerReach = 0;
  // A point the outline test accepts lies within CornerReach x Size + OutlineSlack
  // of the centre: the test measures edges from the rounded corners, up to half a
  // pixel's diagonal off the real ones, which grows a convex outline by at most
  // that over the sine of half its sharpest corner. Infinite for a table that is
  // not convex. Taken with CornerReach.
  double OutlineSlack = 0;
  // The rectangle of the corner table along the heading (x) and across it (y), as
  // factors of Size: its centre and half sides. Taken with CornerReach.
  TVec2 FrameCentre;
  TVec2 FrameHalf;
  int32_t PosXIndex = -1;   // indices of "PosX", "PosY", "Angle", "Size" in the state
  int32_t PosYIndex = -1;
  int32_t AngleIndex = -1;
  int32_t SizeIndex = -1;
  int32_t PosXCell = -1;    // positions of "PosX" and "PosY" among the positional parameters
  int32_t PosYCell = -1;
  TPresentRecord Record;

  void CreateParams() override;
  bool ReadyToSplit() override;
  void Draw() override;
  void DrawTraceStep() override;
  void DrawEndingPoint(const TFuture& future) override;
  void ApplyImpact(double speed) override;
  // Outline: a triangle here; bodies override it with their own corner table.
  virtual void UpdateShape();
  virtual void SetSize(double value);

  // The track as a 2D track (nullptr when not on one), and its canvas (nullptr
  // when nothing is drawn).
  TTrack2D* GetTrack2D() const;
  Canvas* GetCanvas() const;

  double GetPosX() const { return GetState().Params[static_cast<size_t>(PosXIndex)].Value; }
  double GetPosY() const { return GetState().Params[static_cast<size_t>(PosYIndex)].Value; }
  double GetAngle() const { return GetState().Params[static_cast<size_t>(AngleIndex)].Value; }
  double GetSize() const { return GetState().Params[static_cast<size_t>(SizeIndex)].Value; }
  void SetPosX(double x);
  void SetPosY(double y);
  void SetAngle(double a);
  double GetStartPosX() const { return GetState().Params[static_cast<size_t>(PosXIndex)].StartValue; }
  double GetStartPosY() const { return GetState().Params[static_cast<size_t>(PosYIndex)].StartValue; }
  void SetPosition(double x, double y, double angle);
  void MoveBy(double dx, double dy, double dAngle);
  // The current pose becomes the last pose known to be clear of walls.
  void StorePose();

  double GetLeft() const { return GetPosX() - GetSize(); }
  double GetRight() const { return GetPosX() + GetSize(); }
  double GetTop() const { return GetPosY() - GetSize(); }
  double GetBottom() const { return GetPosY() + GetSize(); }

  // One entry of a body's corner table: radius (cos offset, sin offset), offset in
  // radians from the heading, radius as a factor of Size.
  static TVec2 CornerDirection(double offset, double radius);

  // (cos Angle, sin Angle), computed once per angle: the outline, the forces and
  // the impacts of one sub-step share it.
  TVec2 Heading() const {
    const double angle = GetAngle();
    if (angle != HeadingAngle) {
      HeadingAngle = angle;
      elem::SinCos(angle, HeadingCache.y, HeadingCache.x);
    }
    return HeadingCache;
  }

  void UpdateEdges();
  // Refreshes the outline and its edges, then tests the point.
  bool ContainsPoint(double x, double y);
  // The same test on the outline as it stands: the caller refreshed it (UpdateEdges).
  bool OutlineContains(double x, double y) const;
  // Whether every rounded corner lies strictly inside the picture.
  bool IsInsideWorld();
  // Whether every corner of the current pose, as rounded, surely lies on the
  // circuit's track (so inside its border too) without testing the corners: the
  // pose is the last one found clear there, or the circuit's clearance around
  // the centre shows it (and the pose is then remembered as clear). With `keep`,
  // a pose found so also becomes the last pose clear of walls (StorePose). False
  // when it cannot tell; the outline is left unbuilt either way. The one way to
  // the memory of the clear pose, besides the wall test that fills it.
  bool SurelyOnTrack(const TCircuitGrid& circuit, bool keep = false) {
    TStateParam* p = GetState().Params.data();
    TStateParam& x = p[PosXIndex];
    TStateParam& y = p[PosYIndex];
    TStateParam& angle = p[AngleIndex];
    const TShapePose pose{x.Value, y.Value, angle.Value, p[SizeIndex].Value};
    // Bodies mostly start a sub-step where the world step's wall test left them.
    if (ClearCircuit != circuit.CircuitSerial || pose != ClearPose) {
      if (ArraysPending) return false;  // the reach is not known yet
      if (!circuit.DiscOnTrack(pose.X, pose.Y, CornerReach * pose.Size)) return false;
      ClearPose = pose;
      ClearCircuit = circuit.CircuitSerial;
    }
    if (keep) {
      x.KeptValue = pose.X;
      y.KeptValue = pose.Y;
      angle.KeptValue = pose.Angle;
    }
    return true;
  }

 protected:
  // Construction steps (TPlayer's first), then "PosX" 10, "PosY" 10, "Angle" 0.
  void InitPlayer2D(TRandomStream& random);
  // The wall test found every corner of the current pose on the circuit's track.
  void RememberClearPose(const TCircuitGrid& circuit) {
    ClearPose = CurrentPose();
    ClearCircuit = circuit.CircuitSerial;
  }
  // Every outline update: sizes the arrays to `count`, and when the shape is dirty
  // fills corner i with (PosX, PosY) + Size x direction_i rotated by the heading.
  // The directions, radius_i (cos offset_i, sin offset_i) with radius_i a factor
  // of Size, are a table computed once per class (CornerDirection): an update
  // costs one sin and one cos of the heading, whatever the number of corners.
  void BuildOutline(int32_t count, const TVec2* directions);

  // The trace of the sub-step and its feelings (DrawTraceStep, when either is shown).
  [[gnu::noinline]] void DrawTrace(Canvas& canvas);

  void DrawFin(int side, double level, double x1, double y1, double x2, double y2);
  void DrawLimiterBar(double offset, double value);

  // Heading's cache: the angle it was computed for and (cos, sin) of it.
  mutable double HeadingAngle = std::numeric_limits<double>::quiet_NaN();
  mutable TVec2 HeadingCache;

 private:
  // The pose the outline was built for: the outline is rebuilt only when the pose
  // changed (or ShapeDirty asks for it), however often it is asked for.
  struct TShapePose {
    double X, Y, Angle, Size;
    bool operator==(const TShapePose&) const = default;
  };
  TShapePose OutlinePose{};
  // The last pose found clear of walls, and the circuit it was found on (its
  // CircuitSerial; none at first, which matches only where no circuit is loaded
  // and so no wall can be found). Read and filled by SurelyOnTrack, filled by the
  // wall test.
  TShapePose ClearPose{};
  uint64_t ClearCircuit = 0;
  TShapePose CurrentPose() const {
    const TStateParam* p = GetState().Params.data();
    return {p[PosXIndex].Value, p[PosYIndex].Value, p[AngleIndex].Value, p[SizeIndex].Value};
  }
};

inline TPlayer2D* As2D(TPlayer* player) {
  return player && player->BodyKind >= bkPlayer2D ? static_cast<TPlayer2D*>(player) : nullptr;
}

}  // namespace vorlanth
