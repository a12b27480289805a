#pragma once
// The model's elementary functions. Every sine, cosine, logarithm, exponential,
// power, arc and hypotenuse the model computes goes through these: SLEEF's
// deterministic forms, which give the same bits on every x86-64 machine, under
// every C library, and in each of their vector forms (one lane, AVX, AVX-512), so
// that a scene or a seeded run replays bit for bit anywhere, and passes can later
// run side by side in vector lanes with the one-lane path's bits. The C library's
// own functions differ between releases and from these in the last bit of about
// 2 % of arguments; the model never calls them (a test reads its symbols).
//
// The sine, the cosine and the exponential take one value through SLEEF's
// two-lane SSE2 form (the other lane idle): the same bits as the one-lane form,
// for about half its price. SSE2 belongs to every x86-64 processor; the logarithm,
// the hypotenuse and the arcs stay one-lane, which is as fast or faster.
//
// Accuracy, as SLEEF documents each form: within 3.5 ulp for the trigonometric
// functions, the logarithm and the hypotenuse (the geometry and the Gaussian
// draws), within 1 ulp for the exponential. The power is e^(y ln x), a quarter of
// the price of SLEEF's own power (which carries the logarithm in double-double):
// its relative error stays within about 4 |y ln x| + 2 ulp, a few ulp for the
// goals' levels and the feelings' fading (see the tests).

#include <sleef.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <cstdint>

namespace vorlanth {

// The model's version, kept with every scene: 1 computed with the C library's
// elementary functions, 2 with these. A world saved under one goes on under the
// other, but not along the same numbers.
inline constexpr int32_t ModelVersion = 2;

}  // namespace vorlanth

namespace vorlanth::elem {

#if defined(__SSE2__)
inline double Sin(double x) { return _mm_cvtsd_f64(Sleef_cinz_sind2_u35sse2(_mm_set_sd(x))); }
inline double Cos(double x) { return _mm_cvtsd_f64(Sleef_cinz_cosd2_u35sse2(_mm_set_sd(x))); }
// The sine and the cosine of one angle, for the price of about one.
inline void SinCos(double x, double& sine, double& cosine) {
  const auto both = Sleef_cinz_sincosd2_u35sse2(_mm_set_sd(x));
  sine = _mm_cvtsd_f64(both.x);
  cosine = _mm_cvtsd_f64(both.y);
}
#else
inline double Sin(double x) { return Sleef_cinz_sind1_u35purec(x); }
inline double Cos(double x) { return Sleef_cinz_cosd1_u35purec(x); }
inline void SinCos(double x, double& sine, double& cosine) {
  const auto both = Sleef_cinz_sincosd1_u35purec(x);
  sine = both.x;
  cosine = both.y;
}
#endif
inline double Acos(double x) { return Sleef_cinz_acosd1_u35purec(x); }
inline double Atan2(double y, double x) { return Sleef_cinz_atan2d1_u35purec(y, x); }
inline double Log(double x) { return Sleef_cinz_logd1_u35purec(x); }
#if defined(__SSE2__)
inline double Exp(double x) { return _mm_cvtsd_f64(Sleef_cinz_expd2_u10sse2(_mm_set_sd(x))); }
#else
inline double Exp(double x) { return Sleef_cinz_expd1_u10purec(x); }
#endif
// x to the power y for x >= 0 (the model raises levels, shares and gammas, never a
// negative number; for x < 0 the answer is NaN). x^0 and 1^y are 1, as in C.
inline double Pow(double x, double y) {
  if (y == 0 || x == 1) return 1;
  return Exp(y * Log(x));
}
inline double Hypot(double x, double y) { return Sleef_cinz_hypotd1_u35purec(x, y); }

}  // namespace vorlanth::elem
