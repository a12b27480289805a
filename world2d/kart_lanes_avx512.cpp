// The kart's forces and motion in 8 lanes, compiled for AVX-512 (world2d/CMakeLists.txt).

#include "world2d/kart_lanes_kernel.h"

namespace vorlanth {

void KartLanesAvx512(TKartLanes& lanes, int count) { RunKartLanes<8>(lanes, count); }

}  // namespace vorlanth
