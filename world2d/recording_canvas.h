#pragma once
// A canvas that keeps what is drawn on it, in order, to be replayed later onto
// another canvas: a replica of the world draws its futures here, and the main
// thread replays them onto the picture in pass order.

#include <cstdint>
#include <vector>

#include "world2d/canvas.h"

namespace vorlanth {

class TRecordingCanvas : public Canvas {
 public:
  void SetPenColor(TColor color) override { Add(TOp::PenColor, static_cast<int32_t>(color)); }
  void SetPenWidth(int32_t width) override { Add(TOp::PenWidth, width); }
  void SetPenStyle(PenStyle style) override { Add(TOp::PenStyle, static_cast<int32_t>(style)); }
  void SetPenMode(PenMode mode) override { Add(TOp::PenMode, static_cast<int32_t>(mode)); }
  void SetBrushColor(TColor color) override { Add(TOp::BrushColor, static_cast<int32_t>(color)); }
  void SetBrushStyle(BrushStyle style) override { Add(TOp::BrushStyle, static_cast<int32_t>(style)); }
  void MoveTo(int32_t x, int32_t y) override { Add(TOp::MoveTo, x, y); }
  void LineTo(int32_t x, int32_t y) override { Add(TOp::LineTo, x, y); }
  void Polygon(const TPoint* points, int32_t count) override;
  void Rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2) override {
    Add(TOp::Rectangle, x1, y1, x2, y2);
  }
  void Ellipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2) override {
    Add(TOp::Ellipse, x1, y1, x2, y2);
  }
  void Pie(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3, int32_t x4,
           int32_t y4) override;
  void SetPixel(int32_t x, int32_t y, TColor color) override {
    Add(TOp::SetPixel, x, y, static_cast<int32_t>(color));
  }
  void DrawPicture(const Picture& picture) override;

  // The number of operations kept: a mark between two of them.
  size_t Size() const { return Ops.size(); }
  // Draws the operations from mark `from` up to mark `to` onto the target.
  void Replay(size_t from, size_t to, Canvas& target) const;
  // Forgets everything kept (the storage stays for the next cycle).
  void Clear();

 private:
  enum class TOp : uint8_t {
    PenColor, PenWidth, PenStyle, PenMode, BrushColor, BrushStyle, MoveTo, LineTo,
    Polygon, Rectangle, Ellipse, Pie, SetPixel, DrawPicture
  };
  // One operation and its numbers; a polygon's are (first point, count) in Points,
  // a picture's its number in Pictures.
  struct TRecord {
    TOp Op;
    int32_t Args[8];
  };
  std::vector<TRecord> Ops;
  std::vector<TPoint> Points;
  std::vector<const Picture*> Pictures;  // not owned: they outlive the cycle

  void Add(TOp op, int32_t a = 0, int32_t b = 0, int32_t c = 0, int32_t d = 0) {
    Ops.push_back({op, {a, b, c, d, 0, 0, 0, 0}});
  }
};

}  // namespace vorlanth
