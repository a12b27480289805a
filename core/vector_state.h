#pragma once
// Some libraries (the image and drawing code of the toolkit) leave the upper
// halves of the AVX registers in use. While they are, every switch between the
// legacy SSE instructions of our code and the AVX instructions of the math
// library (log, pow, sin, cos) stalls the processor; measured here, it makes a
// sub-step almost three times slower. Clearing that state at the start of every
// sub-step costs one instruction.

namespace vorlanth {

inline void ClearUpperVectorState() {
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
  static const bool hasAvx = __builtin_cpu_supports("avx");
  if (hasAvx) asm volatile("vzeroupper");
#endif
}

}  // namespace vorlanth
