#pragma once
// What the 2D world tests share: an in-memory circuit picture, a canvas that
// records what is drawn, a test body with a regular outline (optionally with a
// control), a player that is not a physics body, and a small world around them.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "core/team.h"
#include "support/memory_picture.h"
#include "world2d/canvas.h"
#include "world2d/polygon2d.h"
#include "world2d/track2d.h"

namespace vorlanth::testing {

// Records every drawing call with the pen and brush in force.
class RecordingCanvas : public Canvas {
 public:
  enum class Op { Line, Polygon, Rectangle, Ellipse, Pie, Pixel, Picture };
  struct Call {
    Op op;
    std::vector<int32_t> args;  // coordinates as passed (a polygon: x0, y0, x1, y1, ...)
    TColor pen;
    TColor brush;
    BrushStyle brushStyle;
    PenMode penMode;
    PenStyle penStyle;
    int32_t penWidth;
    TColor pixel;
  };
  std::vector<Call> Calls;

  void SetPenColor(TColor color) override { Pen = color; }
  void SetPenWidth(int32_t width) override { PenWidth = width; }
  void SetPenStyle(PenStyle style) override { PStyle = style; }
  void SetPenMode(PenMode mode) override { Mode = mode; }
  void SetBrushColor(TColor color) override { Brush = color; }
  void SetBrushStyle(BrushStyle style) override { BStyle = style; }
  void MoveTo(int32_t x, int32_t y) override { At = {x, y}; }
  void LineTo(int32_t x, int32_t y) override {
    Record(Op::Line, {At.x, At.y, x, y});
    At = {x, y};
  }
  void Polygon(const TPoint* points, int32_t count) override {
    std::vector<int32_t> args;
    for (int32_t i = 0; i < count; ++i) {
      args.push_back(points[i].x);
      args.push_back(points[i].y);
    }
    Record(Op::Polygon, args);
  }
  void Rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2) override {
    Record(Op::Rectangle, {x1, y1, x2, y2});
  }
  void Ellipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2) override {
    Record(Op::Ellipse, {x1, y1, x2, y2});
  }
  void Pie(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3, int32_t x4,
           int32_t y4) override {
    Record(Op::Pie, {x1, y1, x2, y2, x3, y3, x4, y4});
  }
  void SetPixel(int32_t x, int32_t y, TColor color) override {
    Record(Op::Pixel, {x, y});
    Calls.back().pixel = color;
  }
  void DrawPicture(const Picture&) override { Record(Op::Picture, {}); }

  std::vector<Call> Of(Op op) const {
    std::vector<Call> result;
    for (const Call& c : Calls)
      if (c.op == op) result.push_back(c);
    return result;
  }

 private:
  void Record(Op op, std::vector<int32_t> args) {
    Calls.push_back({op, std::move(args), Pen, Brush, BStyle, Mode, PStyle, PenWidth, 0});
  }
  TPoint At;
  TColor Pen = 0;
  TColor Brush = 0;
  BrushStyle BStyle = BrushStyle::Solid;
  PenMode Mode = PenMode::Copy;
  PenStyle PStyle = PenStyle::Solid;
  int32_t PenWidth = 1;
};

// A regular body of the physics world, with one control ("Push") when asked, no
// spin and no future noise; it can log (and refuse) the overlap tests it is asked.
class RegularBody : public TPolygon2D {
 public:
  static std::unique_ptr<RegularBody> Create(int32_t sides, double x, double y, double angle,
                                          bool controls = false) {
    std::unique_ptr<RegularBody> body(new RegularBody(controls));
    body->InitPolygon(sides, x, y, angle);
    body->SetVelA(0);
    body->FutureNoise = 0;
    body->CommitState();
    return body;
  }

  void CreateParams() override {
    TPolygon2D::CreateParams();
    if (WithControls) GetState().AddParam(TStateParam::CreateFree(&GetState(), 1, "Push"));
  }
  TContact Overlap(TPhysic2D& other) override {
    if (Log) Log->push_back({this, &other});
    if (NeverCollide) return {};
    return TPolygon2D::Overlap(other);
  }

  std::vector<std::pair<const TPlayer*, const TPlayer*>>* Log = nullptr;
  bool NeverCollide = false;

 private:
  explicit RegularBody(bool controls) : WithControls(controls) {}
  bool WithControls;
};

// A player that is not a physics body.
class PlainPlayer : public TPlayer {
 public:
  static std::unique_ptr<PlainPlayer> Create() {
    std::unique_ptr<PlainPlayer> p(new PlainPlayer());
    p->InitPlayer();
    return p;
  }
  std::unique_ptr<TPlayer> Clone() const override { return nullptr; }
  void Draw() override {}
  void DrawTraceStep() override {}
  void DrawEndingPoint(const TFuture&) override {}
  bool CollidesWith(TPlayer&) override { return false; }
  void ApplyImpact(double) override {}

 private:
  PlainPlayer() = default;
};

// A circuit (white field, by default without walls inside) with one team.
struct World {
  explicit World(const TMemoryPicture& picture) {
    Track.LoadFromImage(picture);
    Track.AddTeam(&Team);
  }
  World() : World(TMemoryPicture(400, 300)) {}

  template <typename T>
  T* Add(std::unique_ptr<T> player) {
    T* raw = player.get();
    Team.AddPlayer(std::move(player));
    return raw;
  }

  TTrack2D Track;
  TTeam Team;
};

}  // namespace vorlanth::testing
