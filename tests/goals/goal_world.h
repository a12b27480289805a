#pragma once
// A small world for the goal tests: a circuit built from an in-memory picture, one
// team on it, bodies made through their factories, and a canvas that records what
// is drawn.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "core/team.h"
#include "support/memory_picture.h"
#include "world2d/canvas.h"
#include "world2d/kart.h"
#include "world2d/rocket.h"
#include "world2d/track2d.h"

namespace vorlanth::testing {

// A white field inside a black border of `border` pixels, or all black.
inline TMemoryPicture FieldPicture(int32_t width, int32_t height, int32_t border = 1, bool allBlack = false) {
  TMemoryPicture picture(width, height, allBlack ? kBlackPixel : kWhitePixel);
  picture.Border(border);
  return picture;
}

// Records every drawing call with the pen and brush it was drawn with.
class RecordingCanvas : public Canvas {
 public:
  enum class Op { Line, Polygon, Rectangle, Ellipse, Pie, Pixel, Picture };
  struct Call {
    Op op;
    int32_t x1, y1, x2, y2;
    TColor pen;
    int32_t penWidth;
    TColor brush;
    BrushStyle brushStyle;
  };
  std::vector<Call> Calls;

  void SetPenColor(TColor color) override { Pen = color; }
  void SetPenWidth(int32_t width) override { PenWidth = width; }
  void SetPenStyle(PenStyle) override {}
  void SetPenMode(PenMode) override {}
  void SetBrushColor(TColor color) override { Brush = color; }
  void SetBrushStyle(BrushStyle style) override { Style = style; }
  void MoveTo(int32_t x, int32_t y) override { At = {x, y}; }
  void LineTo(int32_t x, int32_t y) override {
    Record(Op::Line, At.x, At.y, x, y);
    At = {x, y};
  }
  void Polygon(const TPoint*, int32_t) override { Record(Op::Polygon, 0, 0, 0, 0); }
  void Rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2) override {
    Record(Op::Rectangle, x1, y1, x2, y2);
  }
  void Ellipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2) override {
    Record(Op::Ellipse, x1, y1, x2, y2);
  }
  void Pie(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) override {
    Record(Op::Pie, 0, 0, 0, 0);
  }
  void SetPixel(int32_t x, int32_t y, TColor) override { Record(Op::Pixel, x, y, x, y); }
  void DrawPicture(const Picture&) override { Calls.clear(); }

  std::vector<Call> Only(Op op) const {
    std::vector<Call> found;
    for (const Call& c : Calls)
      if (c.op == op) found.push_back(c);
    return found;
  }
  TColor Pen = 0;
  int32_t PenWidth = 1;
  TColor Brush = 0xFFFFFF;
  BrushStyle Style = BrushStyle::Solid;

 private:
  TPoint At;
  void Record(Op op, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    Calls.push_back({op, x1, y1, x2, y2, Pen, PenWidth, Brush, Style});
  }
};

// One team on a white field with a black border (200 x 200 unless said otherwise).
class GoalWorld : public ::testing::Test {
 protected:
  explicit GoalWorld(int32_t width = 200, int32_t height = 200) {
    Track.LoadFromImage(FieldPicture(width, height));
    Track.AddTeam(&Team);
  }

  TKart* AddKart(double x, double y, double size = 6) {
    auto* kart = static_cast<TKart*>(Team.AddPlayer(TKart::Create(x, y, 0)));
    kart->SetSize(size);
    return kart;
  }
  TRocket* AddRocket(double x, double y, double angle = 0, double size = 6) {
    auto* rocket = static_cast<TRocket*>(Team.AddPlayer(TRocket::Create(x, y, angle)));
    rocket->SetSize(size);
    return rocket;
  }
  static void MoveTo(TPlayer2D& body, double x, double y) {
    body.SetPosX(x);
    body.SetPosY(y);
  }

  // The track refers to the team, so it is declared first and dies last.
  TTrack2D Track;
  TTeam Team;
  RecordingCanvas Paper;
};

}  // namespace vorlanth::testing
