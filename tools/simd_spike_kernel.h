#pragma once
// The SIMD spike: a kart's sub-step in a future (random controls, limiters,
// border test, forces, integration, outline, wall lookups), written once over
// N lanes of doubles. Each lane is an independent pass with its own random
// stream, so K passes run in K lanes. N = 1 is the scalar path; N = 4 (AVX2) and
// N = 8 (AVX-512) are compiled in their own files. Every operation is one that
// IEEE 754 rounds exactly (+ - * / sqrt, rounding to integers, comparisons,
// selections), the elementary functions (sin, cos, log) are the polynomials
// below in every path, and nothing is contracted to FMA (-ffp-contract=off): the
// lanes give the very bits of the scalar path.
//
// This is a prototype beside the model, not the model: it mirrors TKart,
// TPhysic2D and the 2D track for one kart per lane, with the goals and the pair
// collisions left out and the bounce replaced by a stand-in (see below).

#include <cstddef>
#include <cstdint>

#include "tools/simd_spike_lanes.h"

namespace vorlanth::spike {

// The state of many karts, one lane each, a field per array (structure of
// arrays); the arrays hold Count entries, Count a multiple of 8.
struct TKartLanes {
  enum Field {
    PosX, PosY, Angle, Size, VelX, VelY, VelA, Power, Turn, Energy, Health,
    PushPower, PushPowerLimiter, PushPowerLimPush, PushTurn, PushTurnLimiter, PushTurnLimPush,
    ElapsedMs, AccX, AccY, Touching, ContactX, ContactY, Spare, HasSpare,
    FieldCount
  };
  size_t Count = 0;
  double* F[FieldCount] = {};  // F[field][lane]
  uint64_t* Rng[4] = {};       // xoshiro256** words, Rng[word][lane]
};

// The circuit as the lookups read it: cells and clearance column-major (x * Height
// + y), each padded with 8 readable bytes past its end for the gathers.
struct TGround {
  const uint8_t* Cells = nullptr;
  const uint8_t* Clearance = nullptr;
  int32_t Width = 0;
  int32_t Height = 0;
};

// The kart's constants, as TKart and the track's defaults set them.
struct TKartConstants {
  static constexpr double Dt = 0.1;  // s
  static constexpr double StepMs = 100;
  static constexpr double MaxPower = 80, MinPower = -80;
  static constexpr double MaxTurn = 0.7853981633974483;
  static constexpr double PushPowerRange = 60, PushTurnRange = 5, LimPushRange = 0.25;
  static constexpr double Friction = 0.008, SideFriction = 0.1;
  static constexpr double Density = 1.5, ReferenceSize = 12;
  static constexpr double RoundingSlack = 1.5;
};

// ---- The sub-step ---------------------------------------------------------------

// A bounded parameter's setter: NaN leaves the value, others are clamped.
template <int N>
inline typename TLanes<N>::V SetBounded(typename TLanes<N>::V old, typename TLanes<N>::V x, double minimum,
                                        double maximum) {
  using L = TLanes<N>;
  return L::Sel(x != x, old, L::Min(L::Max(x, L::Splat(minimum)), L::Splat(maximum)));
}

// An unbounded parameter's setter: NaN and infinities leave the value.
template <int N>
inline typename TLanes<N>::V SetFree(typename TLanes<N>::V old, typename TLanes<N>::V x) {
  return TLanes<N>::Sel(x - x != 0.0, old, x);
}

// Whether every point within `radius` of (x, y) surely rounds onto track.
template <int N>
inline typename TLanes<N>::M DiscOnTrack(const TGround& ground, typename TLanes<N>::V x, typename TLanes<N>::V y,
                                         typename TLanes<N>::V radius) {
  using L = TLanes<N>;
  const auto inside = (x >= -0.5) & (x < ground.Width - 0.5) & (y >= -0.5) & (y < ground.Height - 0.5);
  const auto index = L::ToU(L::Sel(inside, L::Round(x) * ground.Height + L::Round(y), L::Splat(0)));
  const auto clear = L::Gather(ground.Clearance, index, inside);
  return inside & (clear >= radius + TKartConstants::RoundingSlack);
}

// The kart's four outline directions (radius 1 at 0.1 pi, 0.8 pi, -0.8 pi, -0.1 pi).
struct TOutline {
  double X[4], Y[4];
};

// The corners of the outline, rounded: whether each is inside the picture and on track.
template <int N>
inline void Corners(const TGround& ground, const TOutline& outline, typename TLanes<N>::V x, typename TLanes<N>::V y,
                    typename TLanes<N>::V size, typename TLanes<N>::V c, typename TLanes<N>::V s,
                    typename TLanes<N>::V cornerX[4], typename TLanes<N>::V cornerY[4], typename TLanes<N>::M inBounds[4],
                    typename TLanes<N>::M onTrack[4]) {
  using L = TLanes<N>;
  for (int i = 0; i < 4; ++i) {
    const double dx = outline.X[i], dy = outline.Y[i];
    cornerX[i] = x + size * (c * dx - s * dy);
    cornerY[i] = y + size * (s * dx + c * dy);
    const auto px = L::Round(cornerX[i]);
    const auto py = L::Round(cornerY[i]);
    inBounds[i] = (px > 0.0) & (px < ground.Width) & (py > 0.0) & (py < ground.Height);
    const auto index = L::ToU(L::Sel(inBounds[i], px * ground.Height + py, L::Splat(0)));
    onTrack[i] = inBounds[i] & (L::Gather(ground.Cells, index, inBounds[i]) == 0.0);
  }
}

// One sub-step of a future for the lanes [first, first + N): every control random,
// then BeginStep, ApplyForces, Move and the wall lookups of the world step.
template <int N>
inline void SubStep(TKartLanes& k, const TGround& ground, const TOutline& outline, size_t first, double reach) {
  using L = TLanes<N>;
  using V = typename L::V;
  using C = TKartConstants;
  const double dt = C::Dt;
  auto load = [&](int f) { return L::Load(k.F[f] + first); };
  auto store = [&](int f, V v) { L::Store(k.F[f] + first, v); };

  TStream<N> rng;
  for (int w = 0; w < 4; ++w) rng.S[w] = L::LoadU(k.Rng[w] + first);
  rng.Spare = load(TKartLanes::Spare);
  rng.HasSpare = load(TKartLanes::HasSpare) != 0.0;

  // 1. The controls: Gaussian, scaled by their limiters (a "_LimPush" has none: 1/3).
  const V powerLimiter0 = load(TKartLanes::PushPowerLimiter);
  const V turnLimiter0 = load(TKartLanes::PushTurnLimiter);
  V pushPower = load(TKartLanes::PushPower);
  V pushPowerLim = load(TKartLanes::PushPowerLimPush);
  V pushTurn = load(TKartLanes::PushTurn);
  V pushTurnLim = load(TKartLanes::PushTurnLimPush);
  pushPower = SetBounded<N>(pushPower, powerLimiter0 * rng.Gauss(C::PushPowerRange * powerLimiter0),
                            -C::PushPowerRange, C::PushPowerRange);
  pushPowerLim = SetBounded<N>(pushPowerLim, (1.0 / 3.0) * rng.Gauss(L::Splat(C::LimPushRange)), -C::LimPushRange,
                               C::LimPushRange);
  pushTurn = SetBounded<N>(pushTurn, turnLimiter0 * rng.Gauss(C::PushTurnRange * turnLimiter0),
                           -C::PushTurnRange, C::PushTurnRange);
  pushTurnLim = SetBounded<N>(pushTurnLim, (1.0 / 3.0) * rng.Gauss(L::Splat(C::LimPushRange)), -C::LimPushRange,
                              C::LimPushRange);

  // 2. BeginStep: the limiters integrate their pushes; a corner on or beyond the
  // border kills.
  store(TKartLanes::ElapsedMs, load(TKartLanes::ElapsedMs) + C::StepMs);
  const V powerLimiter = SetBounded<N>(powerLimiter0, powerLimiter0 + pushPowerLim * dt, 0, 1);
  const V turnLimiter = SetBounded<N>(turnLimiter0, turnLimiter0 + pushTurnLim * dt, 0, 1);
  const V x0 = load(TKartLanes::PosX), y0 = load(TKartLanes::PosY), angle0 = load(TKartLanes::Angle);
  V x = x0, y = y0, angle = angle0;
  const V size = load(TKartLanes::Size);
  V health = load(TKartLanes::Health);
  V hx, hy;
  SinCos<N>(angle, hy, hx);
  {
    const auto sure = DiscOnTrack<N>(ground, x, y, reach * size);
    if (L::Any(~sure)) {
      V cx[4], cy[4];
      typename L::M inBounds[4], onTrack[4];
      Corners<N>(ground, outline, x, y, size, hx, hy, cx, cy, inBounds, onTrack);
      const auto inside = sure | (inBounds[0] & inBounds[1] & inBounds[2] & inBounds[3]);
      health = L::Sel(inside, health, L::Splat(0));
    }
  }

  // 3. ApplyForces.
  const auto dead = health == 0.0;
  V turn = load(TKartLanes::Turn), power = load(TKartLanes::Power);
  turn = L::Sel(dead, turn, SetBounded<N>(turn, turn + pushTurn * dt, -C::MaxTurn, C::MaxTurn));
  power = L::Sel(dead, L::Splat(0), SetBounded<N>(power, power + pushPower * dt, C::MinPower, C::MaxPower));
  const V velX0 = load(TKartLanes::VelX), velY0 = load(TKartLanes::VelY);
  V vf = velX0 * hx + velY0 * hy;
  V fx = vf * hx, fy = vf * hy;
  V lx = velX0 - fx, ly = velY0 - fy;
  const V rolling = L::Max(1.0 - 10.0 * dt * C::Friction * (1.0 + 0.01 * vf), L::Splat(0));
  V thrust = power;
  V rate = L::Abs(power) / 100.0 + 0.05;
  const auto braking = (power < 0.0) & (vf > 0.0);
  const auto reversing = (power < 0.0) & ~(vf > 0.0);
  const V share = L::Abs(power / C::MinPower);
  vf = L::Sel(braking, L::Max(vf - 100.0 * C::MaxPower * C::Friction * dt * share, L::Splat(0)), vf);
  fx = L::Sel(braking, vf * hx, fx);
  fy = L::Sel(braking, vf * hy, fy);
  thrust = L::Sel(braking, L::Splat(0), L::Sel(reversing, L::Splat(15), thrust));
  rate = L::Sel(braking, L::Splat(0.05), rate);
  const V energy = load(TKartLanes::Energy);
  V cost = rate * dt;
  const auto short_ = energy < cost;
  thrust = L::Sel(short_, L::Sel(cost > 0.0, thrust * energy / cost, L::Splat(0)), thrust);
  cost = L::Sel(short_, energy, cost);
  const V sign = L::Sel(thrust > 0.0, L::Splat(1), L::Sel(thrust < 0.0, L::Splat(-1), L::Splat(0)));
  thrust = sign * L::Min(L::Abs(thrust), 200.0 * energy);
  store(TKartLanes::Energy, SetBounded<N>(energy, energy - cost, 0, 100));
  const V slide = L::Sqrt(lx * lx + ly * ly);
  const auto sliding = slide > 0.0001;
  const V kept = L::Max(slide - 100.0 * dt * C::SideFriction, L::Splat(0)) / slide;
  lx = L::Sel(sliding, lx * kept, lx);
  ly = L::Sel(sliding, ly * kept, ly);
  const V relative = size / C::ReferenceSize;
  const V mass = C::Density * relative * relative * relative;
  const V push = L::Sel(mass > 0.0, thrust * relative * relative / mass, L::Splat(0));
  const V accX = 0.0 + hx * push;
  const V accY = 0.0 + hy * push;
  V velX = SetFree<N>(velX0, rolling * fx + lx);
  V velY = SetFree<N>(velY0, rolling * fy + ly);
  V velA = SetFree<N>(load(TKartLanes::VelA), L::Min(vf / 10.0, L::Splat(1)) * turn);

  // 4. Move: drag, velocities, then positions with the updated velocities.
  velX = SetFree<N>(velX, velX * (1 - 0.01 * dt) + accX * dt);
  velY = SetFree<N>(velY, velY * (1 - 0.01 * dt) + accY * dt);
  velA = SetFree<N>(velA, velA * (1 - 0.2 * dt) + 0.0 * dt);
  const double half = dt * dt / 2;
  x = SetFree<N>(x, x + velX * dt + accX * half);
  y = SetFree<N>(y, y + velY * dt + accY * half);
  angle = SetFree<N>(angle, angle + velA * dt + 0.0 * half);

  // 5. The world step's wall lookups: clear by the clearance, else the corners;
  // the contact is the mean of the offending corners.
  {
    const auto sure = DiscOnTrack<N>(ground, x, y, reach * size);
    V touching = L::Splat(0), contactX = L::Splat(0), contactY = L::Splat(0);
    if (L::Any(~sure)) {
      V c, s;
      SinCos<N>(angle, s, c);
      V cx[4], cy[4];
      typename L::M inBounds[4], onTrack[4];
      Corners<N>(ground, outline, x, y, size, c, s, cx, cy, inBounds, onTrack);
      V sumX = L::Splat(0), sumY = L::Splat(0), count = L::Splat(0);
      for (int i = 0; i < 4; ++i) {
        sumX = L::Sel(onTrack[i], sumX, sumX + cx[i]);
        sumY = L::Sel(onTrack[i], sumY, sumY + cy[i]);
        count = L::Sel(onTrack[i], count, count + 1.0);
      }
      const auto hit = ~sure & (count > 0.0);
      touching = L::Sel(hit, L::Splat(1), touching);
      contactX = L::Sel(hit, sumX / count, contactX);
      contactY = L::Sel(hit, sumY / count, contactY);
    }
    store(TKartLanes::Touching, touching);
    store(TKartLanes::ContactX, contactX);
    store(TKartLanes::ContactY, contactY);
    // A stand-in for the bounce, which stays scalar (a loop of back-off moves per
    // touching lane): back to the pose of the sub-step's start, velocity reversed.
    // It keeps the karts on the circuit as the real response does.
    const auto hit = touching != 0.0;
    x = L::Sel(hit, x0, x);
    y = L::Sel(hit, y0, y);
    angle = L::Sel(hit, angle0, angle);
    velX = L::Sel(hit, -velX, velX);
    velY = L::Sel(hit, -velY, velY);
  }

  store(TKartLanes::PosX, x);
  store(TKartLanes::PosY, y);
  store(TKartLanes::Angle, angle);
  store(TKartLanes::VelX, velX);
  store(TKartLanes::VelY, velY);
  store(TKartLanes::VelA, velA);
  store(TKartLanes::AccX, accX);
  store(TKartLanes::AccY, accY);
  store(TKartLanes::Power, power);
  store(TKartLanes::Turn, turn);
  store(TKartLanes::Health, health);
  store(TKartLanes::PushPower, pushPower);
  store(TKartLanes::PushPowerLimPush, pushPowerLim);
  store(TKartLanes::PushTurn, pushTurn);
  store(TKartLanes::PushTurnLimPush, pushTurnLim);
  store(TKartLanes::PushPowerLimiter, powerLimiter);
  store(TKartLanes::PushTurnLimiter, turnLimiter);
  for (int w = 0; w < 4; ++w) L::StoreU(k.Rng[w] + first, rng.S[w]);
  store(TKartLanes::Spare, rng.Spare);
  store(TKartLanes::HasSpare, L::Sel(rng.HasSpare, L::Splat(1), L::Splat(0)));
}

// `steps` sub-steps of every lane, N at a time.
template <int N>
void RunLanes(TKartLanes& k, const TGround& ground, const TOutline& outline, double reach, int steps) {
  for (int step = 0; step < steps; ++step)
    for (size_t first = 0; first + N <= k.Count; first += N) SubStep<N>(k, ground, outline, first, reach);
}

}  // namespace vorlanth::spike
