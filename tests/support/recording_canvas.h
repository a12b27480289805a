#pragma once
// The tests' canvas: it records every drawing call, with its coordinates and the
// pen and brush in force, for the tests to read back, and keeps a digest of
// everything asked of it (pen and brush changes too), so that two runs drew the
// same when their digests are equal. A long run keeps only the digest and the
// count (KeepCalls false).

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/futures.h"
#include "core/state.h"
#include "world2d/canvas.h"

namespace vorlanth::testing {

class RecordingCanvas : public Canvas {
 public:
  enum class Op { Line, Polygon, Rectangle, Ellipse, Pie, Pixel, Picture };
  struct Call {
    Op op;
    std::vector<int32_t> args;  // coordinates as passed (a polygon: x0, y0, x1, y1, ...; a picture: its size)
    TColor pen;
    TColor brush;
    BrushStyle brushStyle;
    PenMode penMode;
    PenStyle penStyle;
    int32_t penWidth;
    TColor pixel;
    bool operator==(const Call&) const = default;
  };
  explicit RecordingCanvas(bool keepCalls = true) : KeepCalls(keepCalls) {}

  bool KeepCalls;
  std::vector<Call> Calls;
  // FNV-1a over everything asked of the canvas, in order, with its arguments,
  // and over what the test mixes in (Add, Mix, AddFutures).
  uint64_t Digest = 14695981039346656037ull;
  int64_t Asked = 0;  // the calls asked of the canvas, settings included

  void SetPenColor(TColor color) override {
    Pen = color;
    Mix(1, color);
  }
  void SetPenWidth(int32_t width) override {
    PenWidth = width;
    Mix(2, width);
  }
  void SetPenStyle(PenStyle style) override {
    PStyle = style;
    Mix(3, static_cast<int32_t>(style));
  }
  void SetPenMode(PenMode mode) override {
    Mode = mode;
    Mix(4, static_cast<int32_t>(mode));
  }
  void SetBrushColor(TColor color) override {
    Brush = color;
    Mix(5, color);
  }
  void SetBrushStyle(BrushStyle style) override {
    BStyle = style;
    Mix(6, static_cast<int32_t>(style));
  }
  void MoveTo(int32_t x, int32_t y) override {
    Mix(7, x, y);
    At = {x, y};
  }
  void LineTo(int32_t x, int32_t y) override {
    Mix(8, x, y);
    Record(Op::Line, {At.x, At.y, x, y});
    At = {x, y};
  }
  void Polygon(const TPoint* points, int32_t count) override {
    Mix(9, count);
    std::vector<int32_t> args;
    for (int32_t i = 0; i < count; ++i) {
      Mix(9, points[i].x, points[i].y);
      if (KeepCalls) args.insert(args.end(), {points[i].x, points[i].y});
    }
    Record(Op::Polygon, std::move(args));
  }
  void Rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2) override {
    Mix(10, x1, y1, x2, y2);
    Record(Op::Rectangle, {x1, y1, x2, y2});
  }
  void Ellipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2) override {
    Mix(11, x1, y1, x2, y2);
    Record(Op::Ellipse, {x1, y1, x2, y2});
  }
  void Pie(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3, int32_t x4,
           int32_t y4) override {
    Mix(12, x1, y1, x2, y2);
    Mix(12, x3, y3, x4, y4);
    Record(Op::Pie, {x1, y1, x2, y2, x3, y3, x4, y4});
  }
  void SetPixel(int32_t x, int32_t y, TColor color) override {
    Mix(13, x, y, color);
    Record(Op::Pixel, {x, y}, color);
  }
  void DrawPicture(const Picture& picture) override {
    Mix(14, picture.Width(), picture.Height());
    Record(Op::Picture, {picture.Width(), picture.Height()});
  }

  std::vector<Call> Of(Op op) const {
    std::vector<Call> result;
    for (const Call& c : Calls)
      if (c.op == op) result.push_back(c);
    return result;
  }

  void Mix(int32_t op, int32_t a = 0, int32_t b = 0, int32_t c = 0, int32_t d = 0) {
    ++Asked;
    for (const int32_t v : {op, a, b, c, d}) Add(&v, sizeof v);
  }
  // A player's recorded futures: option, score and end cells of each.
  void AddFutures(const TListOfFutures& futures) {
    for (int32_t i = 0; i < futures.FutureCount(); ++i) {
      const TFuture& f = futures.GetFuture(i);
      Mix(99, f.OptionCode, f.LimiterOption);
      Add(&f.Gain, sizeof f.Gain);
      Add(&f.Weight, sizeof f.Weight);
      for (const int32_t c : f.Cells) Mix(98, c);
    }
  }
  void Add(const void* data, size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < size; ++i) Digest = (Digest ^ bytes[i]) * 1099511628211ull;
  }

  // The pen and brush in force.
  TColor Pen = 0;
  TColor Brush = 0;
  BrushStyle BStyle = BrushStyle::Solid;
  PenMode Mode = PenMode::Copy;
  PenStyle PStyle = PenStyle::Solid;
  int32_t PenWidth = 1;

 private:
  void Record(Op op, std::vector<int32_t> args, TColor pixel = 0) {
    if (KeepCalls) Calls.push_back({op, std::move(args), Pen, Brush, BStyle, Mode, PStyle, PenWidth, pixel});
  }
  TPoint At;
};

}  // namespace vorlanth::testing
