#pragma once
// A canvas that keeps what is drawn on it, in order, to be replayed later onto
// another canvas: a replica of the world draws its futures here, and the main
// thread replays them onto the picture in pass order.

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "world2d/canvas.h"

namespace vorlanth {

class TRecordingCanvas : public Canvas {
 public:
  void SetPenColor(TColor color) override { Add(TOp::PenColor, {color}); }
  void SetPenWidth(int32_t width) override { Add(TOp::PenWidth, {width}); }
  void SetPenStyle(PenStyle style) override { Add(TOp::PenStyle, {static_cast<int32_t>(style)}); }
  void SetPenMode(PenMode mode) override { Add(TOp::PenMode, {static_cast<int32_t>(mode)}); }
  void SetBrushColor(TColor color) override { Add(TOp::BrushColor, {color}); }
  void SetBrushStyle(BrushStyle style) override { Add(TOp::BrushStyle, {static_cast<int32_t>(style)}); }
  void MoveTo(int32_t x, int32_t y) override { Add(TOp::MoveTo, {x, y}); }
  void LineTo(int32_t x, int32_t y) override { Add(TOp::LineTo, {x, y}); }
  void Polygon(const TPoint* points, int32_t count) override;
  void Rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2) override {
    Add(TOp::Rectangle, {x1, y1, x2, y2});
  }
  void Ellipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2) override {
    Add(TOp::Ellipse, {x1, y1, x2, y2});
  }
  void Pie(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3, int32_t x4,
           int32_t y4) override {
    Add(TOp::Pie, {x1, y1, x2, y2, x3, y3, x4, y4});
  }
  void SetPixel(int32_t x, int32_t y, TColor color) override { Add(TOp::SetPixel, {x, y, color}); }
  void DrawPicture(const Picture& picture) override;

  // Where the recording stands: a mark between two operations.
  size_t Size() const { return Words.size(); }
  // Draws the operations from mark `from` up to mark `to` onto the target.
  void Replay(size_t from, size_t to, Canvas& target) const;
  // Forgets everything kept (the storage stays for the next cycle).
  void Clear();

 private:
  enum class TOp : int32_t {
    PenColor, PenWidth, PenStyle, PenMode, BrushColor, BrushStyle, MoveTo, LineTo,
    Polygon, Rectangle, Ellipse, Pie, SetPixel, DrawPicture
  };
  // Each operation as its code and its numbers, one after the other: a polygon's
  // numbers are its count and then its points, a picture's its number in Pictures.
  std::vector<int32_t> Words;
  std::vector<const Picture*> Pictures;  // not owned: they outlive the cycle

  void Add(TOp op, std::initializer_list<int32_t> numbers) {
    Words.push_back(static_cast<int32_t>(op));
    Words.insert(Words.end(), numbers);
  }
};

}  // namespace vorlanth
