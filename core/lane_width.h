#pragma once
// The width of the vector kernels of passes side by side: 4 lanes (AVX2) by
// default, 8 (AVX-512) when chosen, 1 (the one-lane path, no kernel) on a
// processor without AVX2. A kernel takes the passes running side by side 8 at a
// time when there are 8 or more and the width is 8, otherwise 4 at a time when
// there are 4 or more (`--lanes 8` runs two 4-lane vectors). The 512-bit
// instructions, used for a few hundred instructions between long stretches of
// scalar code, made the passes slower on the machine measured, so the wider
// kernels are not the default (docs/performance.md).

#include <cstddef>
#include <cstdint>

namespace vorlanth {

// The widest the processor has: 8, 4 or 1.
int32_t WidestVectorLanes();
// What runs unless another width is chosen: 4 where the processor has AVX2, else 1.
int32_t DefaultVectorLanes();
// The width chosen now.
int32_t VectorLaneWidth();
// 1, 4 or 8 (others round down to one of them), never beyond the processor's:
// the tests run every width the machine has.
void ChooseVectorLanes(int32_t width);
// The width a kernel takes `count` passes side by side at.
inline int32_t KernelWidth(size_t count) {
  const int32_t width = VectorLaneWidth();
  if (count >= 8 && width >= 8) return 8;
  if (count >= 4 && width >= 4) return 4;
  return 1;
}

}  // namespace vorlanth
