#pragma once
// The tests' in-memory picture: one colour value per pixel, a white field unless
// told otherwise, with black walls painted in.

#include <algorithm>
#include <memory>
#include <vector>

#include "world2d/canvas.h"

namespace vorlanth::testing {

constexpr TColor kBlackPixel = 0;
constexpr TColor kWhitePixel = 0xFFFFFF;

class TMemoryPicture : public Picture {
 public:
  TMemoryPicture(int32_t width, int32_t height, TColor fill = kWhitePixel)
      : W(width), H(height), Pixels(static_cast<size_t>(std::max(width, 0)) * static_cast<size_t>(std::max(height, 0)), fill) {}
  int32_t Width() const override { return W; }
  int32_t Height() const override { return H; }
  TColor Pixel(int32_t x, int32_t y) const override { return Pixels[Index(x, y)]; }
  std::unique_ptr<Picture> Clone() const override { return std::make_unique<TMemoryPicture>(*this); }

  void Set(int32_t x, int32_t y, TColor c) { Pixels[Index(x, y)] = c; }
  // Paints x1..x2-1, y1..y2-1 (clipped to the picture).
  void Fill(int32_t x1, int32_t y1, int32_t x2, int32_t y2, TColor c) {
    for (int32_t x = std::max(x1, 0); x < std::min(x2, W); ++x)
      for (int32_t y = std::max(y1, 0); y < std::min(y2, H); ++y) Set(x, y, c);
  }
  // A black frame of the given thickness.
  void Border(int32_t thickness) {
    Fill(0, 0, W, thickness, kBlackPixel);
    Fill(0, H - thickness, W, H, kBlackPixel);
    Fill(0, 0, thickness, H, kBlackPixel);
    Fill(W - thickness, 0, W, H, kBlackPixel);
  }

 private:
  size_t Index(int32_t x, int32_t y) const { return static_cast<size_t>(y) * static_cast<size_t>(W) + static_cast<size_t>(x); }
  int32_t W, H;
  std::vector<TColor> Pixels;
};

}  // namespace vorlanth::testing
