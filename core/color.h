#pragma once
// Colour values: R + 256 G + 65536 B, red in the lowest byte.

#include <algorithm>
#include <cstdint>

namespace vorlanth {

using TColor = int32_t;

// Builds a colour from three parts, each capped at 255 (and not capped below).
inline TColor MakeColor(int r, int g, int b) {
  const int64_t value = int64_t{std::min(255, r)} + 256 * int64_t{std::min(255, g)} +
                        65536 * int64_t{std::min(255, b)};
  return static_cast<TColor>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

}  // namespace vorlanth
