#include "core/lane_width.h"

#include <algorithm>
#include <atomic>

namespace vorlanth {
namespace {

int32_t ProcessorLanes() {
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
  if (__builtin_cpu_supports("avx512f")) return 8;
  if (__builtin_cpu_supports("avx2")) return 4;
#endif
  return 1;
}

std::atomic<int32_t> Width{DefaultVectorLanes()};

}  // namespace

int32_t WidestVectorLanes() {
  static const int32_t widest = ProcessorLanes();
  return widest;
}

int32_t DefaultVectorLanes() { return std::min(WidestVectorLanes(), 4); }

int32_t VectorLaneWidth() { return Width.load(std::memory_order_relaxed); }

void ChooseVectorLanes(int32_t width) {
  Width.store(std::min(width >= 8 ? 8 : width >= 4 ? 4 : 1, WidestVectorLanes()), std::memory_order_relaxed);
}

}  // namespace vorlanth
