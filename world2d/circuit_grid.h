#pragma once
// The circuit as a body reads it: the wall grid, the clearance of every pixel,
// and the serial that names the circuit loaded.

#include <cstdint>

#include "core/rounding.h"
#include "world2d/canvas.h"

namespace vorlanth {

// The circuit as the passes read it: a replica shares the world's grid, read-only.
struct TCircuitGrid {
  // The grid the tests read: the track's Cells, or, in a replica, the world's;
  // nullptr before a circuit is loaded. Column-major: x * GridHeight + y.
  const uint8_t* CellData = nullptr;
  int32_t GridWidth = 0;  // picture size at load time (pixels)
  int32_t GridHeight = 0;
  // Set with the size: GridWidth - 1 and GridHeight - 1, 0 for an empty grid. A
  // pixel lies strictly inside (0 < x < GridWidth) exactly when x - 1, taken as
  // unsigned, is below CellLimitX: one comparison per axis.
  uint32_t CellLimitX = 0;
  uint32_t CellLimitY = 0;
  // The clearance of every pixel, laid out like the cells (see wall_clearance.h):
  // pixels to the nearest place a corner may not stand on, rounded down.
  const uint8_t* ClearanceData = nullptr;
  // Names the circuit loaded (0: none): a new load, here or on any track, takes a
  // new number, and a replica keeps the world's. What a body learnt of its
  // corners on one circuit holds only for the same number.
  uint64_t CircuitSerial = 0;

  // Two roundings of a point to its pixel, each by at most HalfPixelDiagonal,
  // with room for the error of the real arithmetic.
  static constexpr double RoundingSlack = 1.5;

  // Whether every point within `radius` of (x, y) surely rounds to a pixel on
  // track (TTrack2D::PixelOnTrack): the point and the centre each round by at
  // most half a pixel's diagonal. False when the clearance cannot tell, or without a circuit.
  bool DiscOnTrack(double x, double y, double radius) const {
    // Only a centre that rounds into the grid is looked up (NaN never is), so
    // the rounded values convert without a range check.
    if (!ClearanceData || !(x >= -0.5 && x < GridWidth - 0.5 && y >= -0.5 && y < GridHeight - 0.5)) return false;
    const auto ix = static_cast<int32_t>(RoundHalfEven(x));
    const auto iy = static_cast<int32_t>(RoundHalfEven(y));
    const uint8_t clear =
        ClearanceData[static_cast<size_t>(ix) * static_cast<size_t>(GridHeight) + static_cast<size_t>(iy)];
    return clear >= radius + RoundingSlack;
  }
};

}  // namespace vorlanth
