#pragma once
// The SIMD spike's arithmetic over N lanes of doubles: the vector types, the
// lane operations, the elementary functions (the same polynomials in every
// path) and one random stream per lane. N = 1 is the scalar path; N = 4 (AVX2)
// and N = 8 (AVX-512) are compiled in their own files, without contraction to
// FMA, so that every lane gives the scalar path's bits.

#include <immintrin.h>

#include <bit>
#include <cstddef>
#include <cstdint>

namespace vorlanth::spike {

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

}  // namespace vorlanth::spike
