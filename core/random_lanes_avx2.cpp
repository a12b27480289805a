// The random draws in 4 lanes, compiled for AVX2 (core/CMakeLists.txt).

#include "core/random_lanes_kernel.h"

namespace vorlanth {

void RandomLanesAvx2(TRandomLanes& lanes, int count) { RunRandomLanes<4>(lanes, count); }

}  // namespace vorlanth
