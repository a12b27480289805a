#include "world2d/color_utils.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "core/elementary.h"
#include "core/rounding.h"

namespace vorlanth {

void ColorToRGBParts(TColor color, int& r, int& g, int& b) {
  const auto bits = static_cast<uint32_t>(color);
  r = static_cast<int>(bits & 0xFFu);
  g = static_cast<int>((bits >> 8) & 0xFFu);
  b = static_cast<int>((bits >> 16) & 0xFFu);
}

void LightenColor(TColor& color, double factor) {
  if (factor == 0) return;  // also leaves a colour that was never converted untouched
  int parts[3];
  ColorToRGBParts(color, parts[0], parts[1], parts[2]);
  for (int& p : parts) p = std::clamp(Round32(p + (255 - p) * factor), 0, 255);
  color = MakeColor(parts[0], parts[1], parts[2]);
}

void ScaleColor(TColor& color, double gamma) {
  if (gamma == 1) return;
  int parts[3];
  ColorToRGBParts(color, parts[0], parts[1], parts[2]);
  // Dark colours change a little less than bright ones: the exponent runs from
  // 2 gamma / (2 gamma + 1) for black to 1 for white.
  const double brightness = (parts[0] + parts[1] + parts[2]) / 765.0;
  const double k = elem::Pow(gamma, (2 * gamma + brightness) / (2 * gamma + 1));
  // MakeColor caps at 255; a part never goes below 0 (k is never negative for the
  // gammas the drawing uses, the squares of weights).
  for (int& p : parts) p = std::max(0, Round32(p * k));
  color = MakeColor(parts[0], parts[1], parts[2]);
}

}  // namespace vorlanth
