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

#include <immintrin.h>

#include <bit>
#include <cstddef>
#include <cstdint>

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

// N doubles, N 64-bit masks (all bits set or clear), N 64-bit integers.
template <int N>
struct TVectors;
template <>
struct TVectors<1> {
  typedef double V __attribute__((vector_size(8)));
  typedef int64_t M __attribute__((vector_size(8)));
  typedef uint64_t U __attribute__((vector_size(8)));
};
template <>
struct TVectors<4> {
  typedef double V __attribute__((vector_size(32)));
  typedef int64_t M __attribute__((vector_size(32)));
  typedef uint64_t U __attribute__((vector_size(32)));
};
template <>
struct TVectors<8> {
  typedef double V __attribute__((vector_size(64)));
  typedef int64_t M __attribute__((vector_size(64)));
  typedef uint64_t U __attribute__((vector_size(64)));
};

template <int N>
struct TLanes {
  using V = typename TVectors<N>::V;
  using M = typename TVectors<N>::M;
  using U = typename TVectors<N>::U;

  static V Splat(double x) { return V{} + x; }
  static V Sel(M m, V a, V b) { return m ? a : b; }
  static U SelU(M m, U a, U b) { return m ? a : b; }
  static bool Any(M m) {
    if constexpr (N == 1) return m[0] != 0;
    else if constexpr (N == 4) return _mm256_movemask_pd(reinterpret_cast<__m256d>(m)) != 0;
    else return _mm512_test_epi64_mask(reinterpret_cast<__m512i>(m), reinterpret_cast<__m512i>(m)) != 0;
  }
  static V Sqrt(V x) {
    if constexpr (N == 1) return V{__builtin_sqrt(x[0])};
    else if constexpr (N == 4) return _mm256_sqrt_pd(x);
    else return _mm512_sqrt_pd(x);
  }
  // To the nearest integer, halves to even (the default rounding mode's nearbyint).
  static V Round(V x) {
    if constexpr (N == 1) return V{__builtin_nearbyint(x[0])};
    else if constexpr (N == 4) return _mm256_round_pd(x, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
    else return _mm512_roundscale_pd(x, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
  }
  static V Floor(V x) {
    if constexpr (N == 1) return V{__builtin_floor(x[0])};
    else if constexpr (N == 4) return _mm256_round_pd(x, _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC);
    else return _mm512_roundscale_pd(x, _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC);
  }
  // std::min and std::max: (b < a) ? b : a and (a < b) ? b : a.
  static V Min(V a, V b) { return b < a ? b : a; }
  static V Max(V a, V b) { return a < b ? b : a; }
  static V Abs(V x) { return reinterpret_cast<V>(reinterpret_cast<U>(x) & ~(U{} + (uint64_t{1} << 63))); }
  static U Bits(V x) { return reinterpret_cast<U>(x); }
  static V FromBits(U x) { return reinterpret_cast<V>(x); }
  // Exact conversions. AVX2 has no 64-bit ones: there the integers, all below 2^53,
  // go through the exponent of 2^52 (a 53-bit one in two halves).
  static V ToDouble(U x) {
    if constexpr (N == 4) {
      const U magic = U{} + 0x4330000000000000ull;  // 2^52
      const V high = FromBits((x >> 32) | magic) - 0x1.0p52;
      const V low = FromBits((x & 0xFFFFFFFFull) | magic) - 0x1.0p52;
      return high * 0x1.0p32 + low;
    } else {
      return __builtin_convertvector(x, V);
    }
  }
  static U ToU(V x) {  // x integral, 0 <= x < 2^52
    if constexpr (N == 4) return Bits(x + 0x1.0p52) - 0x4330000000000000ull;
    else return __builtin_convertvector(x, U);
  }
  // Bytes of `base` at the indices, as doubles; lanes off the mask read index 0.
  static V Gather(const uint8_t* base, U index, M mask) {
    index = mask ? index : U{};
    U words;
    if constexpr (N == 1) {
      words = U{base[index[0]]};
    } else if constexpr (N == 4) {
      words = reinterpret_cast<U>(_mm256_i64gather_epi64(reinterpret_cast<const long long*>(base),
                                                          reinterpret_cast<__m256i>(index), 1));
    } else {
      words = reinterpret_cast<U>(_mm512_i64gather_epi64(reinterpret_cast<__m512i>(index), base, 1));
    }
    return ToDouble(words & 0xFF);
  }
  static V Load(const double* p) {
    V v;
    __builtin_memcpy(&v, p, sizeof v);
    return v;
  }
  static void Store(double* p, V v) { __builtin_memcpy(p, &v, sizeof v); }
  static U LoadU(const uint64_t* p) {
    U v;
    __builtin_memcpy(&v, p, sizeof v);
    return v;
  }
  static void StoreU(uint64_t* p, U v) { __builtin_memcpy(p, &v, sizeof v); }
};

// ---- Elementary functions (the same polynomials in every path) ----------------

// sin and cos of x, |x| < 2^20 pi/2: reduced by pi/2 in three parts, then the
// classic minimax kernels on [-pi/4, pi/4].
template <int N>
inline void SinCos(typename TLanes<N>::V x, typename TLanes<N>::V& s, typename TLanes<N>::V& c) {
  using L = TLanes<N>;
  using V = typename L::V;
  const V n = L::Round(x * 6.36619772367581382433e-01);
  const V r = ((x - n * 1.57079632673412561417e+00) - n * 6.07710050630396597660e-11) - n * 2.02226624871116645580e-21;
  const V z = r * r;
  const V sr = r + z * r * (-1.66666666666666324348e-01 +
                            z * (8.33333333332248946124e-03 +
                                 z * (-1.98412698298579493134e-04 +
                                      z * (2.75573137070700676789e-06 +
                                           z * (-2.50507602534068634195e-08 + z * 1.58969099521155010221e-10)))));
  const V cr = 1.0 - (0.5 * z - z * z * (4.16666666666666019037e-02 +
                                         z * (-1.38888888888741095749e-03 +
                                              z * (2.48015872894767294178e-05 +
                                                   z * (-2.75573143513906633035e-07 +
                                                        z * (2.08757232129817482790e-09 +
                                                             z * -1.13596475577881948265e-11))))));
  const V q = n - 4.0 * L::Floor(n * 0.25);  // the quadrant, 0 to 3
  s = L::Sel(q == 0.0, sr, L::Sel(q == 1.0, cr, L::Sel(q == 2.0, -sr, -cr)));
  c = L::Sel(q == 0.0, cr, L::Sel(q == 1.0, -sr, L::Sel(q == 2.0, -cr, sr)));
}

// Natural logarithm of a positive normal x: x = 2^k (1 + f) with 1 + f within
// [sqrt(2)/2, sqrt(2)], then the classic series in s = f / (2 + f).
template <int N>
inline typename TLanes<N>::V Log(typename TLanes<N>::V x) {
  using L = TLanes<N>;
  using V = typename L::V;
  using U = typename L::U;
  const U bits = L::Bits(x);
  V m = L::FromBits((bits & 0x000FFFFFFFFFFFFFull) | 0x3FF0000000000000ull);  // in [1, 2)
  V k = L::ToDouble(bits >> 52) - 1023.0;
  const auto high = m > 1.41421356237309504880;
  m = L::Sel(high, m * 0.5, m);
  k = L::Sel(high, k + 1.0, k);
  const V f = m - 1.0;
  const V s = f / (2.0 + f);
  const V z = s * s;
  const V w = z * z;
  const V t1 = w * (3.999999999940941908e-01 + w * (2.222219843214978396e-01 + w * 1.531383769920937332e-01));
  const V t2 = z * (6.666666666666735130e-01 +
                    w * (2.857142874366239149e-01 + w * (1.818357216161805012e-01 + w * 1.479819860511658591e-01)));
  const V hfsq = 0.5 * f * f;
  return k * 6.93147180369123816490e-01 - ((hfsq - (s * (hfsq + (t2 + t1)) + k * 1.90821492927058770002e-10)) - f);
}

// ---- Random numbers: xoshiro256** per lane, as core/random.h -------------------

template <int N>
struct TStream {
  using L = TLanes<N>;
  typename L::U S[4];
  typename L::V Spare;
  typename L::M HasSpare;

  static typename L::U Rotl(typename L::U x, int k) { return (x << k) | (x >> (64 - k)); }

  // Uniform in [0, 1); only the lanes of the mask draw (the others keep their stream).
  typename L::V Random(typename L::M draw) {
    using U = typename L::U;
    const U s1 = S[1];
    const U result = Rotl((s1 << 2) + s1, 7);  // x 5, then x 9 below
    const U out = (result << 3) + result;
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
    return L::ToDouble(out >> 11) * 0x1.0p-53;
  }

  // Normal deviate of the given standard deviation, by the polar method, the
  // second deviate of each accepted pair kept for the next draw.
  typename L::V Gauss(typename L::V deviation) {
    using V = typename L::V;
    using M = typename L::M;
    const M had = HasSpare;
    M pending = ~had;
    V u = L::Splat(0.5), v = L::Splat(0.5), s = L::Splat(0.5);
    while (L::Any(pending)) {
      const V u1 = 2.0 * Random(pending) - 1.0;
      const V v1 = 2.0 * Random(pending) - 1.0;
      const V s1 = u1 * u1 + v1 * v1;
      const M accepted = pending & (s1 < 1.0) & (s1 != 0.0);
      u = L::Sel(accepted, u1, u);
      v = L::Sel(accepted, v1, v);
      s = L::Sel(accepted, s1, s);
      pending &= ~accepted;
    }
    const V factor = L::Sqrt(-2.0 * Log<N>(s) / s);
    const V result = L::Sel(had, deviation * Spare, deviation * u * factor);
    Spare = L::Sel(had, Spare, v * factor);
    HasSpare = ~had;
    return result;
  }
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
