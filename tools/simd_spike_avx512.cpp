// The spike's sub-step over 8 lanes, compiled for its instruction set (tools/CMakeLists.txt).

#include "tools/simd_spike_kernel.h"

namespace vorlanth::spike {

void RunAvx512(TKartLanes& lanes, const TGround& ground, const TOutline& outline, double reach, int steps) {
  RunLanes<8>(lanes, ground, outline, reach, steps);
}

}  // namespace vorlanth::spike
