#pragma once
// The arithmetic of the vector kernels of passes side by side: N lanes of
// doubles (N = 4 under AVX2, N = 8 under AVX-512), their masks and 64-bit
// integers, and SLEEF's deterministic sine, cosine, logarithm and hypotenuse in
// the same width, which give the bits of the one-lane forms the model calls
// (core/elementary.h). Only the files of the kernels include this, each compiled
// for its instruction set; everything here is internal to them.

#include <immintrin.h>
#include <sleef.h>

#include <cstdint>

namespace vorlanth {
namespace {

template <int N>
struct TLaneTypes;

#if defined(__AVX2__)
template <>
struct TLaneTypes<4> {
  typedef double V __attribute__((vector_size(32)));
  typedef int64_t M __attribute__((vector_size(32)));
  typedef uint64_t U __attribute__((vector_size(32)));
  static bool Any(M m) { return _mm256_movemask_pd(reinterpret_cast<__m256d>(m)) != 0; }
  static V Sqrt(V x) { return _mm256_sqrt_pd(x); }
  static V Log(V x) { return reinterpret_cast<V>(Sleef_cinz_logd4_u35avx(reinterpret_cast<__m256d>(x))); }
  static void SinCos(V x, V& sine, V& cosine) {
    const Sleef___m256d_2 both = Sleef_cinz_sincosd4_u35avx(reinterpret_cast<__m256d>(x));
    sine = reinterpret_cast<V>(both.x);
    cosine = reinterpret_cast<V>(both.y);
  }
  static V Hypot(V x, V y) {
    return reinterpret_cast<V>(Sleef_cinz_hypotd4_u35avx(reinterpret_cast<__m256d>(x), reinterpret_cast<__m256d>(y)));
  }
};
#endif

#if defined(__AVX512F__)
template <>
struct TLaneTypes<8> {
  typedef double V __attribute__((vector_size(64)));
  typedef int64_t M __attribute__((vector_size(64)));
  typedef uint64_t U __attribute__((vector_size(64)));
  static bool Any(M m) {
    return _mm512_test_epi64_mask(reinterpret_cast<__m512i>(m), reinterpret_cast<__m512i>(m)) != 0;
  }
  static V Sqrt(V x) { return _mm512_sqrt_pd(x); }
  static V Log(V x) { return reinterpret_cast<V>(Sleef_cinz_logd8_u35avx512fnofma(reinterpret_cast<__m512d>(x))); }
  static void SinCos(V x, V& sine, V& cosine) {
    const Sleef___m512d_2 both = Sleef_cinz_sincosd8_u35avx512fnofma(reinterpret_cast<__m512d>(x));
    sine = reinterpret_cast<V>(both.x);
    cosine = reinterpret_cast<V>(both.y);
  }
  static V Hypot(V x, V y) {
    return reinterpret_cast<V>(
        Sleef_cinz_hypotd8_u35avx512fnofma(reinterpret_cast<__m512d>(x), reinterpret_cast<__m512d>(y)));
  }
};
#endif

// The operations on top, alike in both widths.
template <int N>
struct TLanes : TLaneTypes<N> {
  using V = typename TLaneTypes<N>::V;
  using M = typename TLaneTypes<N>::M;
  using U = typename TLaneTypes<N>::U;

  static V Splat(double x) { return V{} + x; }
  static V Sel(M m, V a, V b) { return m ? a : b; }
  static U SelU(M m, U a, U b) { return m ? a : b; }
  // std::min(a, b) and std::max(a, b): (b < a ? b : a) and (a < b ? b : a).
  static V Min(V a, V b) { return b < a ? b : a; }
  static V Max(V a, V b) { return a < b ? b : a; }
  static V Abs(V x) { return reinterpret_cast<V>(reinterpret_cast<U>(x) & ~(U{} + (uint64_t{1} << 63))); }
  // Exact for integers below 2^53, in two halves through the exponent of 2^52.
  static V ToDouble(U x) {
    const U magic = U{} + 0x4330000000000000ull;  // 2^52
    const V high = reinterpret_cast<V>((x >> 32) | magic) - 0x1.0p52;
    const V low = reinterpret_cast<V>((x & 0xFFFFFFFFull) | magic) - 0x1.0p52;
    return high * 0x1.0p32 + low;
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

}  // namespace
}  // namespace vorlanth
