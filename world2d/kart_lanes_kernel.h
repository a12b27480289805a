#pragma once
// The kart's forces and motion over N lanes, written once for both widths; only
// kart_lanes_avx2.cpp and kart_lanes_avx512.cpp include it, each compiled for its
// instruction set. Everything here has internal linkage (see kart_lanes.h). Each
// line follows TKart::ApplyForces and TPhysic2D::Move operation for operation, in
// the same order: std::min(a, b) is (b < a ? b : a), std::max(a, b) is
// (a < b ? b : a).

#include "core/lane_types.h"
#include "world2d/kart_lanes.h"

namespace vorlanth {
namespace {

template <int N>
struct TKartKernel {
  using T = TLanes<N>;
  using V = typename T::V;
  using M = typename T::M;

  TKartLanes& K;
  int First;

  V Load(int field) const { return T::Load(K.F[field] + First); }
  void Store(int field, V v) const { T::Store(K.F[field] + First, v); }

  // A parameter's setter: clamped to its bounds when Maximum > Minimum, where a
  // NaN leaves the value; otherwise only a finite number enters.
  V Set(int param, V old, V x) const {
    const V minimum = Load(TKartLanes::Minimum + param);
    const V maximum = Load(TKartLanes::Maximum + param);
    const V bounded = T::Sel(x >= minimum, T::Min(x, maximum), T::Sel(x != x, old, minimum));
    const V free = T::Sel(T::Abs(x) <= __DBL_MAX__, x, old);
    return T::Sel(maximum > minimum, bounded, free);
  }

  void Run() const {
    const TKartLaws& laws = K.Laws;
    const V dt = Load(TKartLanes::Dt);
    const V ff = Load(TKartLanes::Friction);
    const V fs = Load(TKartLanes::SideFriction);
    const V zero = T::Splat(0);

    // 1. The controls are rates of change of power and turn.
    const M dead = Load(TKartLanes::Dead) != 0.0;
    V turn = Load(TKartLanes::Turn);
    turn = T::Sel(dead, turn, Set(TKartLanes::Turn, turn, turn + Load(TKartLanes::PushTurn) * dt));
    V power = Load(TKartLanes::Power);
    power = Set(TKartLanes::Power, power, T::Sel(dead, zero, power + Load(TKartLanes::PushPower) * dt));

    // 2. Velocity along the heading and across it; the heading as cached.
    const V angle0 = Load(TKartLanes::Angle);
    V hx = Load(TKartLanes::HeadingX);
    V hy = Load(TKartLanes::HeadingY);
    {
      const M stale = angle0 != Load(TKartLanes::HeadingAngle);
      if (T::Any(stale)) {
        V sine, cosine;
        T::SinCos(angle0, sine, cosine);
        hx = T::Sel(stale, cosine, hx);
        hy = T::Sel(stale, sine, hy);
        Store(TKartLanes::HeadingAngle, T::Sel(stale, angle0, Load(TKartLanes::HeadingAngle)));
        Store(TKartLanes::HeadingX, hx);
        Store(TKartLanes::HeadingY, hy);
      }
    }
    const V velX0 = Load(TKartLanes::VelX);
    const V velY0 = Load(TKartLanes::VelY);
    V vf = velX0 * hx + velY0 * hy;
    V fx = vf * hx;
    V fy = vf * hy;
    V lx = velX0 - fx;
    V ly = velY0 - fy;

    // 3. Rolling friction.
    const V rolling = T::Max(1.0 - 10.0 * dt * ff * (1.0 + 0.01 * vf), zero);

    // 4. Thrust and its energy rate; a negative power brakes a kart moving forward.
    V thrust = power;
    V rate = T::Abs(power) / 100.0 + laws.IdleRate;
    const M backward = power < 0.0;
    const M braking = backward & (vf > 0.0);
    if (T::Any(braking)) {
      const V minimum = Load(TKartLanes::Minimum + TKartLanes::Power);
      const V maximum = Load(TKartLanes::Maximum + TKartLanes::Power);
      const V share = T::Sel(minimum != 0.0, T::Abs(power / minimum), T::Splat(1.0));
      vf = T::Sel(braking, T::Max(vf - 100.0 * maximum * ff * dt * share, zero), vf);
      fx = T::Sel(braking, vf * hx, fx);
      fy = T::Sel(braking, vf * hy, fy);
      thrust = T::Sel(braking, zero, thrust);
      rate = T::Sel(braking, T::Splat(laws.IdleRate), rate);
    }
    thrust = T::Sel(backward & ~braking, T::Splat(laws.ReverseThrust), thrust);

    // 5. Energy: what is missing weakens the thrust.
    const V energy = Load(TKartLanes::Energy);
    V cost = rate * dt;
    const M short_ = energy < cost;
    thrust = T::Sel(short_, T::Sel(cost > 0.0, thrust * energy / cost, zero), thrust);
    cost = T::Sel(short_, energy, cost);
    const V sign = T::Sel(thrust > 0.0, T::Splat(1.0), T::Sel(thrust < 0.0, T::Splat(-1.0), zero));
    thrust = sign * T::Min(T::Abs(thrust), laws.ThrustPerEnergy * energy);
    Store(TKartLanes::Energy, Set(TKartLanes::Energy, energy, energy - cost));

    // 6. Side grip.
    const V loss = 100.0 * dt * fs;
    const V square = lx * lx + ly * ly;
    const M stops = (square > laws.StopsSurely[0]) & (square < laws.StopsSurely[1] * loss * loss);
    lx = T::Sel(stops, lx * 0.0, lx);
    ly = T::Sel(stops, ly * 0.0, ly);
    if (T::Any(~stops)) {
      const V slide = T::Hypot(lx, ly);
      const M slides = ~stops & (slide > laws.MinSlide);
      const V kept = T::Max(slide - loss, zero) / slide;
      lx = T::Sel(slides, lx * kept, lx);
      ly = T::Sel(slides, ly * kept, ly);
    }

    // 7. Thrust through the accelerations; friction, brake and grip on the velocity.
    const V mass = Load(TKartLanes::Mass);
    const V relative = Load(TKartLanes::Size) / Load(TKartLanes::ReferenceSize);
    const V push = T::Sel(mass > 0.0, thrust * relative * relative / mass, zero);
    const V accX = Load(TKartLanes::AccX) + hx * push;
    const V accY = Load(TKartLanes::Gravity) + hy * push;
    V velX = Set(TKartLanes::VelX, velX0, rolling * fx + lx);
    V velY = Set(TKartLanes::VelY, velY0, rolling * fy + ly);

    // 8. Steering takes effect with the forward speed.
    V velA = Load(TKartLanes::VelA);
    velA = Set(TKartLanes::VelA, velA, T::Min(vf / laws.FullTurnSpeed, T::Splat(1.0)) * turn);

    // Move: drag, then the velocities, then the positions with the updated ones.
    velX = Set(TKartLanes::VelX, velX, velX * (1.0 - laws.LinearDrag * dt) + accX * dt);
    velY = Set(TKartLanes::VelY, velY, velY * (1.0 - laws.LinearDrag * dt) + accY * dt);
    velA = Set(TKartLanes::VelA, velA, velA * (1.0 - laws.AngularDrag * dt) + 0.0 * dt);
    const V half = dt * dt / 2.0;
    const V x = Load(TKartLanes::PosX);
    const V y = Load(TKartLanes::PosY);
    Store(TKartLanes::PosX, Set(TKartLanes::PosX, x, x + velX * dt + accX * half));
    Store(TKartLanes::PosY, Set(TKartLanes::PosY, y, y + velY * dt + accY * half));
    Store(TKartLanes::Angle, Set(TKartLanes::Angle, angle0, angle0 + velA * dt + 0.0 * half));

    Store(TKartLanes::Power, power);
    Store(TKartLanes::Turn, turn);
    Store(TKartLanes::VelX, velX);
    Store(TKartLanes::VelY, velY);
    Store(TKartLanes::VelA, velA);
    Store(TKartLanes::AccX, accX);
    Store(TKartLanes::AccY, accY);
  }
};

template <int N>
void RunKartLanes(TKartLanes& lanes, int count) {
  for (int first = 0; first < count; first += N) TKartKernel<N>{lanes, first}.Run();
}

}  // namespace
}  // namespace vorlanth
