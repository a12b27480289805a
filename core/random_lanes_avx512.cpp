// The random draws in 8 lanes, compiled for AVX-512 (core/CMakeLists.txt).

#include "core/random_lanes_kernel.h"

namespace vorlanth {

void RandomLanesAvx512(TRandomLanes& lanes, int count) { RunRandomLanes<8>(lanes, count); }

}  // namespace vorlanth
