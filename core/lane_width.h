#pragma once
// The width of the vector kernels of passes side by side: 8 lanes with AVX-512,
// 4 with AVX2, 1 (the one-lane path, no kernel) otherwise. A kernel takes the
// passes running side by side 8 at a time when there are 8 or more, 4 at a time
// when there are 4 to 7 (`--lanes 8` and `--lanes 4`): on a processor whose wide
// instructions slow it down, fewer lanes may be faster (docs/performance.md).

#include <cstddef>
#include <cstdint>

namespace vorlanth {

// The widest the processor has, unless narrowed.
int32_t VectorLaneWidth();
// 1, 4 or 8 (others round down to one of them), never beyond the processor's:
// the tests run every width the machine has.
void NarrowVectorLanes(int32_t width);
// The width a kernel takes `count` passes side by side at.
inline int32_t KernelWidth(size_t count) {
  const int32_t widest = VectorLaneWidth();
  if (count >= 8 && widest >= 8) return 8;
  if (count >= 4 && widest >= 4) return 4;
  return 1;
}

}  // namespace vorlanth
