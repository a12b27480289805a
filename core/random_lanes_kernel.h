#pragma once
// The random draws over N lanes, written once for both widths; only
// random_lanes_avx2.cpp and random_lanes_avx512.cpp include it. Each lane follows
// Random and RandomGauss (core/random.h) operation for operation.

#include "core/lane_types.h"
#include "core/random_lanes.h"

namespace vorlanth {
namespace {

template <int N>
struct TRandomKernel {
  using L = TLanes<N>;
  using V = typename L::V;
  using M = typename L::M;
  using U = typename L::U;

  U S[4];
  V Spare;
  M HasSpare;
  M Active;  // the lanes below the count: the others never draw

  static U Rotl(U x, int k) { return (x << k) | (x >> (64 - k)); }

  // Uniform in [0, 1); only the lanes of the mask draw, the others keep their stream.
  V Random(M draw) {
    const U s1 = S[1];
    const U times5 = (s1 << 2) + s1;
    const U rotated = Rotl(times5, 7);
    const U result = (rotated << 3) + rotated;  // x 9
    const U t = s1 << 17;
    U n0 = S[0], n1 = S[1], n2 = S[2], n3 = S[3];
    n2 ^= n0;
    n3 ^= n1;
    n1 ^= n2;
    n0 ^= n3;
    n2 ^= t;
    n3 = Rotl(n3, 45);
    S[0] = L::SelU(draw, n0, S[0]);
    S[1] = L::SelU(draw, n1, S[1]);
    S[2] = L::SelU(draw, n2, S[2]);
    S[3] = L::SelU(draw, n3, S[3]);
    return L::ToDouble(result >> 11) * 0x1.0p-53;
  }

  // A normal deviate of the given deviation: a lane with a spare takes it, the
  // others draw pairs until one falls inside the unit circle, and keep its second.
  V Gauss(V deviation) {
    const M had = HasSpare;
    M pending = ~had & Active;
    if (!L::Any(pending)) {
      HasSpare = M{};
      return deviation * Spare;
    }
    V u = L::Splat(0.5), v = L::Splat(0.5), s = L::Splat(0.5);
    do {
      const V u1 = 2.0 * Random(pending) - 1.0;
      const V v1 = 2.0 * Random(pending) - 1.0;
      const V s1 = u1 * u1 + v1 * v1;
      const M accepted = pending & (s1 < 1.0) & (s1 != 0.0);
      u = L::Sel(accepted, u1, u);
      v = L::Sel(accepted, v1, v);
      s = L::Sel(accepted, s1, s);
      pending &= ~accepted;
    } while (L::Any(pending));
    const V scaledU = deviation * u;
    const V factor = L::Sqrt(-2.0 * L::Log(s) / s);
    const V result = L::Sel(had, deviation * Spare, scaledU * factor);
    Spare = L::Sel(had, Spare, v * factor);
    HasSpare = ~had;
    return result;
  }

  void Run(TRandomLanes& r, int first, int count) {
    for (int w = 0; w < 4; ++w) S[w] = L::LoadU(r.State[w] + first);
    Spare = L::Load(r.Spare + first);
    HasSpare = L::Load(r.HasSpare + first) != 0.0;
    for (int l = 0; l < N; ++l) Active[l] = first + l < count ? -1 : 0;
    for (int d = 0; d < r.Draws; ++d) {
      const V limiter = L::Load(r.Limiter[d] + first);
      const V range = L::Load(r.Range[d] + first);
      const V value = r.Gaussian[d] ? limiter * Gauss(range) : limiter * (2.0 * Random(Active) - 1.0) * range;
      L::Store(r.Value[d] + first, value);
    }
    for (int w = 0; w < 4; ++w) L::StoreU(r.State[w] + first, S[w]);
    L::Store(r.Spare + first, Spare);
    L::Store(r.HasSpare + first, L::Sel(HasSpare, L::Splat(1), L::Splat(0)));
  }
};

template <int N>
void RunRandomLanes(TRandomLanes& lanes, int count) {
  for (int first = 0; first < count; first += N) TRandomKernel<N>{}.Run(lanes, first, count);
}

}  // namespace
}  // namespace vorlanth
