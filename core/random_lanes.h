#pragma once
// The free parameters' random draws of passes side by side: the same state of
// several replicas, each lane drawing from its own stream (xoshiro256**, the
// polar method with its spare), with each one's bits. The kernels are compiled
// for AVX2 (4 lanes) and AVX-512 (8 lanes) in files of their own; this header and
// core/lane_types.h are all they include of the model (see world2d/kart_lanes.h
// for why).

#include <cstdint>

namespace vorlanth {

struct TRandomLanes {
  static constexpr int MaxLanes = 16;
  static constexpr int MaxDraws = 16;
  // The streams, word by word; the spare deviate and whether there is one (1 or 0).
  alignas(64) uint64_t State[4][MaxLanes] = {};
  alignas(64) double Spare[MaxLanes] = {};
  alignas(64) double HasSpare[MaxLanes] = {};
  // The draws in order: normal or uniform, each lane's limiter value and range.
  int Draws = 0;
  bool Gaussian[MaxDraws] = {};
  alignas(64) double Limiter[MaxDraws][MaxLanes] = {};
  alignas(64) double Range[MaxDraws][MaxLanes] = {};
  // What each draw gives, for the parameter's setter.
  alignas(64) double Value[MaxDraws][MaxLanes] = {};
};

// The draws of the lanes [0, count).
void RandomLanesAvx2(TRandomLanes& lanes, int count);
void RandomLanesAvx512(TRandomLanes& lanes, int count);

}  // namespace vorlanth
