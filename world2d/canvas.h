#pragma once
// What the model draws on and reads circuits from. The model knows only these two
// abstract classes; render/ implements them with Qt, tests with recording fakes.
//
// Conventions (those the drawing was designed for):
// - colours are values R + 256 G + 65536 B (TColor);
// - a rectangle or ellipse from (x1, y1) to (x2, y2) covers x1..x2-1 and y1..y2-1;
// - polygons and rectangles are filled with the brush (unless its style is clear)
//   and outlined with the pen;
// - pen mode Mask combines pen and brush colours with the picture by bitwise AND;
// - a pie goes counter-clockwise on screen from the ray through (x3, y3) to the
//   ray through (x4, y4), on the ellipse bounded by (x1, y1)-(x2, y2).

#include <cstdint>
#include <memory>

#include "core/color.h"

namespace vorlanth {

// How far a point lies at most from the pixel it rounds to: half a pixel's
// diagonal (the square root of 2, halved), rounded up.
inline constexpr double HalfPixelDiagonal = 0.7072;

struct TPoint {
  int32_t x = 0;
  int32_t y = 0;
  bool operator==(const TPoint&) const = default;
};

// A picture the circuit is read from: width, height and the colour of a pixel.
class Picture {
 public:
  virtual ~Picture() = default;
  virtual int32_t Width() const = 0;
  virtual int32_t Height() const = 0;
  // Colour value of the pixel; (x, y) must lie inside the picture.
  virtual TColor Pixel(int32_t x, int32_t y) const = 0;
  // An independent copy (the track keeps one as its clean background).
  virtual std::unique_ptr<Picture> Clone() const = 0;
};

class Canvas {
 public:
  enum class PenStyle { Solid, Dotted };
  enum class PenMode { Copy, Mask };
  enum class BrushStyle { Solid, Clear };

  virtual ~Canvas() = default;

  virtual void SetPenColor(TColor color) = 0;
  virtual void SetPenWidth(int32_t width) = 0;
  virtual void SetPenStyle(PenStyle style) = 0;
  virtual void SetPenMode(PenMode mode) = 0;
  virtual void SetBrushColor(TColor color) = 0;
  virtual void SetBrushStyle(BrushStyle style) = 0;

  virtual void MoveTo(int32_t x, int32_t y) = 0;
  // A line from the current position to (x, y), which becomes the current position.
  virtual void LineTo(int32_t x, int32_t y) = 0;
  virtual void Polygon(const TPoint* points, int32_t count) = 0;
  virtual void Rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2) = 0;
  virtual void Ellipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2) = 0;
  virtual void Pie(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3,
                   int32_t x4, int32_t y4) = 0;
  virtual void SetPixel(int32_t x, int32_t y, TColor color) = 0;

  // Replaces the whole drawing by the picture (restores the clean circuit).
  virtual void DrawPicture(const Picture& picture) = 0;

  // Keeps the drawing as it is now, to put it back later (a canvas that keeps
  // nothing ignores it); PutBackLayer is false when nothing is kept.
  virtual void KeepLayer() {}
  virtual bool PutBackLayer() { return false; }
};

}  // namespace vorlanth
