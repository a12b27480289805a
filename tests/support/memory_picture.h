#pragma once
// An in-memory picture for tests: a white field, optionally with a black border.

#include <vector>

#include "world2d/canvas.h"

namespace vorlanth::testing {

class TMemoryPicture : public Picture {
 public:
  TMemoryPicture(int32_t width, int32_t height, TColor fill = 0xFFFFFF)
      : W(width), H(height), Pixels(static_cast<size_t>(width) * static_cast<size_t>(height), fill) {}
  int32_t Width() const override { return W; }
  int32_t Height() const override { return H; }
  TColor Pixel(int32_t x, int32_t y) const override { return Pixels[Index(x, y)]; }
  std::unique_ptr<Picture> Clone() const override { return std::make_unique<TMemoryPicture>(*this); }
  void Set(int32_t x, int32_t y, TColor c) { Pixels[Index(x, y)] = c; }
  void FillRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, TColor c) {
    for (int32_t x = x1; x < x2; ++x)
      for (int32_t y = y1; y < y2; ++y) Set(x, y, c);
  }
  // A black frame `width` pixels thick.
  void Border(int32_t width) {
    FillRect(0, 0, W, width, 0);
    FillRect(0, H - width, W, H, 0);
    FillRect(0, 0, width, H, 0);
    FillRect(W - width, 0, W, H, 0);
  }

 private:
  size_t Index(int32_t x, int32_t y) const { return static_cast<size_t>(y) * static_cast<size_t>(W) + static_cast<size_t>(x); }
  int32_t W, H;
  std::vector<TColor> Pixels;
};

}  // namespace vorlanth::testing
