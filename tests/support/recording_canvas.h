#pragma once
// The tests' canvas: it records every drawing call, with its coordinates and the
// pen and brush in force, for the tests to read back.

#include <cstdint>
#include <vector>

#include "world2d/canvas.h"

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

  // The pen and brush in force.
  TColor Pen = 0;
  TColor Brush = 0;
  BrushStyle BStyle = BrushStyle::Solid;
  PenMode Mode = PenMode::Copy;
  PenStyle PStyle = PenStyle::Solid;
  int32_t PenWidth = 1;

 private:
  void Record(Op op, std::vector<int32_t> args) {
    Calls.push_back({op, std::move(args), Pen, Brush, BStyle, Mode, PStyle, PenWidth, 0});
  }
  TPoint At;
};

}  // namespace vorlanth::testing
