#include "world2d/wall_clearance.h"

#include <algorithm>
#include <cmath>

namespace vorlanth {
namespace {

// Squared distance along one line to the nearest blocked pixel (exact integers).
using TSquared = int64_t;

// The lower envelope of the parabolas (x - q)^2 + f[q] over one row, evaluated at
// every x: the second, exact pass of the separable Euclidean distance transform.
// v, z and out are scratch of length n, n + 1 and n.
void EnvelopeRow(const TSquared* f, int32_t n, int32_t* v, double* z, TSquared* out) {
  int32_t k = 0;
  v[0] = 0;
  z[0] = -HUGE_VAL;
  z[1] = HUGE_VAL;
  for (int32_t q = 1; q < n; ++q) {
    for (;;) {
      const int32_t p = v[k];
      // Where the parabolas of q and p meet. The operands are integers well
      // within a double's exact range, and a meeting point that is an integer
      // comes out exactly, so no pixel falls on the wrong side of it.
      const double s = static_cast<double>((f[q] + TSquared{q} * q) - (f[p] + TSquared{p} * p)) /
                       (2.0 * (q - p));
      if (s <= z[k]) {
        if (k == 0) {  // q's parabola is lower everywhere p's was lowest
          v[0] = q;
          z[1] = HUGE_VAL;
          break;
        }
        --k;
        continue;
      }
      ++k;
      v[k] = q;
      z[k] = s;
      z[k + 1] = HUGE_VAL;
      break;
    }
  }
  k = 0;
  for (int32_t x = 0; x < n; ++x) {
    while (z[k + 1] < x) ++k;
    const TSquared d = x - v[k];
    out[x] = d * d + f[v[k]];
  }
}

}  // namespace

std::vector<uint8_t> BuildWallClearance(const std::vector<uint8_t>& cells, int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return {};
  const auto w = static_cast<size_t>(width);
  const auto h = static_cast<size_t>(height);
  const auto blocked = [&](size_t x, size_t y) { return x == 0 || y == 0 || cells[x * h + y] != 0; };

  // 1. Down each column: the distance to the nearest blocked pixel of the column,
  // the row y = height beyond the picture counting as blocked (row 0 always is).
  // Capped at the largest clearance kept: a row's envelope that uses a capped
  // distance is itself at least that far, and is capped alike.
  std::vector<uint8_t> columns(w * h);
  for (size_t x = 0; x < w; ++x) {
    uint8_t* g = columns.data() + x * h;
    TSquared last = -1;  // the last blocked y seen, going down
    for (size_t y = 0; y < h; ++y) {
      if (blocked(x, y)) last = static_cast<TSquared>(y);
      g[y] = static_cast<uint8_t>(std::min<TSquared>(static_cast<TSquared>(y) - last, MaxWallClearance));
    }
    TSquared next = height;  // going up from beyond the picture
    for (size_t y = h; y-- > 0;) {
      if (blocked(x, y)) next = static_cast<TSquared>(y);
      g[y] = std::min(g[y], static_cast<uint8_t>(std::min<TSquared>(next - static_cast<TSquared>(y), MaxWallClearance)));
    }
  }

  // 2. Along each row: the envelope over the columns' squared distances, the
  // column x = width beyond the picture counting as blocked.
  std::vector<uint8_t> clearance(w * h);
  std::vector<TSquared> f(w);
  std::vector<TSquared> row(w);
  std::vector<int32_t> v(w);
  std::vector<double> z(w + 1);
  for (size_t y = 0; y < h; ++y) {
    for (size_t x = 0; x < w; ++x) f[x] = TSquared{columns[x * h + y]} * columns[x * h + y];
    EnvelopeRow(f.data(), width, v.data(), z.data(), row.data());
    for (size_t x = 0; x < w; ++x) {
      const TSquared beyond = static_cast<TSquared>(w - x);
      const TSquared d2 = std::min(row[x], beyond * beyond);
      // Rounded down: the square root of an integer below 2^52 is exact enough
      // that its floor is the integer square root.
      const auto d = static_cast<TSquared>(std::floor(std::sqrt(static_cast<double>(d2))));
      clearance[x * h + y] = static_cast<uint8_t>(std::min<TSquared>(d, MaxWallClearance));
    }
  }
  return clearance;
}

}  // namespace vorlanth
