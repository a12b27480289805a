#pragma once
// The number of threads the machine runs at once: the default of the track's
// Threads in the window and the headless runner.

#include <algorithm>
#include <cstdint>
#include <thread>

#include "core/track.h"

namespace vorlanth {

// std::thread::hardware_concurrency, 1 when the machine does not tell, and at
// most TTrack::MaxThreads.
inline int32_t HardwareThreads() {
  const unsigned reported = std::thread::hardware_concurrency();
  return static_cast<int32_t>(std::clamp(reported, 1u, static_cast<unsigned>(TTrack::MaxThreads)));
}

}  // namespace vorlanth
