// The spike's sub-step over 1 lane, compiled for its instruction set (tools/CMakeLists.txt).

#include "tools/simd_spike_kernel.h"

namespace vorlanth::spike {

void RunScalar(TKartLanes& lanes, const TGround& ground, const TOutline& outline, double reach, int steps) {
  RunLanes<1>(lanes, ground, outline, reach, steps);
}

}  // namespace vorlanth::spike
