#pragma once
// The clearance of a circuit: for every pixel, how far the nearest pixel a body's
// corner may not stand on lies (a wall, the picture's border row or column, or
// anything beyond the picture). Built once when a circuit is loaded, it lets a
// body whose bounding circle is clear skip the tests of its corners.

#include <cstdint>
#include <vector>

namespace vorlanth {

// The largest clearance kept (pixels); farther walls read as this far.
inline constexpr int32_t MaxWallClearance = 255;

// Column-major like the circuit grid (x * height + y), from its cells (1 = wall).
// Entry (x, y) is the Euclidean distance from pixel (x, y) to the nearest pixel q
// that is a wall, has q.x <= 0 or q.y <= 0, or has q.x >= width or q.y >= height,
// rounded down and capped at MaxWallClearance: never more than the true distance.
std::vector<uint8_t> BuildWallClearance(const std::vector<uint8_t>& cells, int32_t width, int32_t height);

}  // namespace vorlanth
