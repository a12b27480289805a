#pragma once
// Rounding of reals to integers: to the nearest integer, halves to the even
// neighbour, everywhere in the program. Conversions never overflow: NaN gives 0
// and values beyond the integer range saturate.

#include <cmath>
#include <cstdint>
#include <limits>

namespace vorlanth {

// Nearest integral value as a double, ties to even (default rounding mode).
inline double RoundHalfEven(double x) { return std::nearbyint(x); }

// Saturating conversion of an integral-valued double; NaN gives 0.
template <typename Int>
inline Int SaturateToInt(double x) {
  if (std::isnan(x)) return 0;
  constexpr double lo = static_cast<double>(std::numeric_limits<Int>::min());
  // The max of 64-bit integers is not representable; 2^63 is the first value out of range.
  constexpr double hi = -lo;
  if (x <= lo) return std::numeric_limits<Int>::min();
  if (x >= hi) return std::numeric_limits<Int>::max();
  return static_cast<Int>(x);
}

inline int32_t Round32(double x) { return SaturateToInt<int32_t>(RoundHalfEven(x)); }
inline int64_t Round64(double x) { return SaturateToInt<int64_t>(RoundHalfEven(x)); }
inline int32_t Floor32(double x) { return SaturateToInt<int32_t>(std::floor(x)); }
inline int32_t Ceil32(double x) { return SaturateToInt<int32_t>(std::ceil(x)); }

// An integer coordinate moved by an offset, saturated like the conversions above:
// a body far outside the picture is drawn at the end of the range, never wrapped.
inline int32_t AddSaturated(int32_t a, int32_t b) {
  const int64_t sum = static_cast<int64_t>(a) + b;
  if (sum < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  if (sum > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(sum);
}

}  // namespace vorlanth
