#pragma once
// A memo of the power function for arguments that recur: the fading of a feeling raises
// ElapsedMs / ReactionMs to the goal's urgency, a few values shared by every
// player and future. The memo answers with the very number elem::Pow gave.

#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "core/elementary.h"

namespace vorlanth {

class TPowMemo {
 public:
  double Pow(double x, double y) {
    const auto bx = std::bit_cast<uint64_t>(x);
    const auto by = std::bit_cast<uint64_t>(y);
    TEntry& entry = Entries[Slot(bx, by)];
    if (!entry.Used || entry.X != bx || entry.Y != by) entry = {bx, by, elem::Pow(x, y), true};
    return entry.Value;
  }

 private:
  static constexpr int kSlotBits = 8;
  static constexpr uint64_t kGolden = 0x9E3779B97F4A7C15ull;
  struct TEntry {
    uint64_t X = 0;  // the arguments' bits: +0 and -0, and NaNs, stay apart
    uint64_t Y = 0;
    double Value = 0;
    bool Used = false;
  };
  static size_t Slot(uint64_t bx, uint64_t by) {
    return static_cast<size_t>(((bx ^ (by * kGolden)) * kGolden) >> (64 - kSlotBits));
  }
  std::array<TEntry, size_t{1} << kSlotBits> Entries{};
};

// The calling thread's memo (each thread its own: no sharing, no locks).
inline TPowMemo& ThreadPowMemo() {
  thread_local TPowMemo memo;
  return memo;
}

}  // namespace vorlanth
