#pragma once
// A canvas that keeps nothing but a digest of what is drawn on it: two runs drew
// the same when their digests are equal.

#include <cstddef>
#include <cstdint>

#include "core/futures.h"
#include "world2d/canvas.h"

namespace vorlanth::testing {

// FNV-1a over everything drawn, in order, with its arguments.
class DigestCanvas : public Canvas {
 public:
  uint64_t Digest = 14695981039346656037ull;
  void SetPenColor(TColor c) override { Mix(1, c); }
  void SetPenWidth(int32_t w) override { Mix(2, w); }
  void SetPenStyle(PenStyle s) override { Mix(3, static_cast<int32_t>(s)); }
  void SetPenMode(PenMode m) override { Mix(4, static_cast<int32_t>(m)); }
  void SetBrushColor(TColor c) override { Mix(5, c); }
  void SetBrushStyle(BrushStyle s) override { Mix(6, static_cast<int32_t>(s)); }
  void MoveTo(int32_t x, int32_t y) override { Mix(7, x, y); }
  void LineTo(int32_t x, int32_t y) override { Mix(8, x, y); }
  void Polygon(const TPoint* p, int32_t n) override {
    for (int32_t i = 0; i < n; ++i) Mix(9, p[i].x, p[i].y);
  }
  void Rectangle(int32_t a, int32_t b, int32_t c, int32_t d) override { Mix(10, a, b, c, d); }
  void Ellipse(int32_t a, int32_t b, int32_t c, int32_t d) override { Mix(11, a, b, c, d); }
  void Pie(int32_t a, int32_t b, int32_t c, int32_t d, int32_t e, int32_t f, int32_t g, int32_t h) override {
    Mix(12, a, b, c, d);
    Mix(12, e, f, g, h);
  }
  void SetPixel(int32_t x, int32_t y, TColor c) override { Mix(13, x, y, c); }
  void DrawPicture(const Picture&) override { Mix(14); }
  int64_t Calls = 0;

  void Mix(int32_t op, int32_t a = 0, int32_t b = 0, int32_t c = 0, int32_t d = 0) {
    ++Calls;
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
};

}  // namespace vorlanth::testing
