#pragma once
// The race circuit: the grid of wall and track cells built from the circuit
// picture, on-track tests, the mouse in circuit coordinates, the clean background,
// and the world step that settles body collisions and wall contacts.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "core/rounding.h"
#include "core/track.h"
#include "world2d/canvas.h"
#include "world2d/circuit_grid.h"
#include "world2d/recording_canvas.h"

namespace vorlanth {

class TPhysic2D;
struct TPairImpulses;

class TTrack2D : public TTrack, public TCircuitGrid {
 public:
  static constexpr double MaxTheft = 25;    // energy a kart takes from a rocket per collision
  static constexpr double TheftYield = 0.9;  // share of it the kart gains

  TTrack2D();
  ~TTrack2D() override;

  // The circuit grid, column-major (x * GridHeight + y): 1 = wall, 0 = track.
  std::vector<uint8_t> Cells;
  std::vector<uint8_t> WallClearance;  // built with the grid (ClearanceData)
  double& Friction = Settings.Friction;          // rolling friction read by the kart
  double& SideFriction = Settings.SideFriction;  // side friction read by the kart
  std::unique_ptr<Picture> Background;  // the clean circuit
  // The visible picture everything is drawn on (not owned); nullptr: nothing is drawn.
  Canvas* ImageCanvas = nullptr;
  // Installed by the window: the cursor in circuit pixels; returns false when
  // there is no cursor to report. Empty: the mouse is never over the circuit.
  std::function<bool(int32_t& x, int32_t& y)> MouseSource;

  // Builds the grid and the background from the picture. A picture with width or
  // height 0 raises an error and leaves the previous circuit in place.
  void LoadFromImage(const Picture& picture);
  // The circuit of another track, copied: the grid, the clearance and the clean
  // picture LoadFromImage would build from the same picture, under the same
  // serial, without building them again. A track without a circuit gives none.
  void CopyCircuitFrom(const TTrack2D& other);
  // Whether a circuit has been loaded; before that there are no walls and no border.
  bool HasCircuit() const { return CellData != nullptr; }
  // The player at i of Players as a physics body; raises when it is not one.
  TPhysic2D& GetPhysic(int32_t i);
  // Also refreshes the physics view of the players, so that GetPhysic is a lookup.
  void RebuildPlayerList() override;
  bool InBounds(double x, double y) const;
  bool IsOnTrack(double x, double y) const;
  // The same tests of a pixel already rounded (an outline's corner points).
  bool PixelInBounds(TPoint p) const { return CellInBounds(p.x, p.y); }
  bool PixelOnTrack(TPoint p) const {
    return CellInBounds(p.x, p.y) &&
           CellData[static_cast<size_t>(p.x) * static_cast<size_t>(GridHeight) + static_cast<size_t>(p.y)] == 0;
  }
  // Width and height of the circuit picture in pixels.
  int32_t Width() const { return GridWidth; }
  int32_t Height() const { return GridHeight; }
  int32_t MouseX() const;
  int32_t MouseY() const;
  bool MouseInTrack() const;

  void DrawBackground() override;
  // The window's redraw between cycles: the circuit with the last cycle's traces
  // and feelings (kept when KeepsFuturesLayer), then the goals and the bodies as
  // they are now. Without a kept layer, the circuit, the ending points and bodies.
  bool KeepsFuturesLayer = false;
  void FuturesDrawn() override;
  void DrawAsLastCycle();
  void Step() override;

  // Replicas: they share the circuit grid, see the mouse where it was when the
  // passes began, and record their drawing for the main thread to replay.
  std::unique_ptr<TTrack> NewReplica() const override;
  void MirrorInto(TTrack& replica) const override;
  size_t DrawingMark() const override { return Recording ? Recording->Size() : 0; }
  void ReplayDrawing(const TTrack& replica, size_t from, size_t to) override;
  // The futures of a cycle all see the mouse where it was when its passes began.
  void BeginPasses() override;
  void EndPasses() override { Mouse.Frozen = false; }

 private:
  // The strict bounds test on a pixel already rounded.
  bool CellInBounds(int32_t x, int32_t y) const {
    return static_cast<uint32_t>(x) - 1u < CellLimitX && static_cast<uint32_t>(y) - 1u < CellLimitY;
  }
  // The cursor as the futures see it: read once before the passes.
  struct TMouseReading {
    bool Frozen = false;  // the passes are under way: the reading below holds
    bool Valid = false;   // there was a cursor to read
    int32_t X = -1;
    int32_t Y = -1;
  };
  TMouseReading Mouse;
  bool ReadMouse(int32_t& x, int32_t& y) const;
  // A replica's drawing, kept for the main thread (nullptr: nothing is drawn).
  std::unique_ptr<TRecordingCanvas> Recording;
  // Players as physics bodies, index for index (nullptr for any other player).
  std::vector<TPhysic2D*> Bodies;
  // The pair pass's broad phase: the bodies' bounding squares, the bodies ordered
  // by the left side of their squares, and the candidates of one body (all sized
  // with Bodies, so that a step allocates nothing).
  struct TBox {
    double Left, Right, Top, Bottom;
  };
  std::vector<TBox> Boxes;
  std::vector<int32_t> ByLeft;
  std::vector<int32_t> Candidates;
  static TBox BoxOf(const TPhysic2D& body);
  // Squares that only touch still meet.
  static bool BoxesMeet(const TBox& a, const TBox& b) {
    return !(b.Right < a.Left || b.Left > a.Right || b.Bottom < a.Top || b.Top > a.Bottom);
  }
  // Up to this many bodies the pair pass looks at every later square directly.
  static constexpr int32_t kPlainPairLimit = 24;
  void SortByLeft();
  // The bodies after `after` whose squares meet the square of body i, in list order.
  void FindCandidates(int32_t i, int32_t after, double widest);
  // The pair pass: every pair of bodies whose squares meet is tested for overlap
  // and resolved. A call apart from Step, which for a lone body is the wall loop alone.
  [[gnu::noinline]] void CollidePairs();
  // Under evolution a kart drains a rocket it runs into.
  void DrainRocket(TPhysic2D& a, TPhysic2D& b, const TPairImpulses& impulses);
};

// The kinds of world (TTrack::WorldKind), told apart in one comparison.
enum TWorldKind : uint8_t {
  wkNone = 0,     // a world the 2D classes do not know
  wkTrack2D = 1,  // the 2D track, or a class derived from it
};

inline TTrack2D* AsTrack2D(TTrack* track) {
  return track && track->WorldKind == wkTrack2D ? static_cast<TTrack2D*>(track) : nullptr;
}

}  // namespace vorlanth
