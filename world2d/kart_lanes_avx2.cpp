// The kart's forces and motion in 4 lanes, compiled for AVX2 (world2d/CMakeLists.txt).

#include "world2d/kart_lanes_kernel.h"

namespace vorlanth {

void KartLanesAvx2(TKartLanes& lanes, int count) { RunKartLanes<4>(lanes, count); }

}  // namespace vorlanth
