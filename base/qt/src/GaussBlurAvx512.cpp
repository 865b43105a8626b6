// The blur's kernels for AVX-512F; built with -mavx512f -mfma (see CMakeLists.txt) and called
// only after the processor was found to have them.

#include <cstdint>

#include <immintrin.h>

#include "GaussBlurKernels.h"

namespace kestrum {
namespace blur {
namespace {

#define LANES 8
#define ROW_VECTORS 4
#define COLUMN_BLOCK 16
typedef double VD __attribute__((vector_size(64)));
typedef int VI __attribute__((vector_size(32)));
typedef int VI16 __attribute__((vector_size(64)));
#define SPLAT(x) VD(_mm512_set1_pd(x))
#define VFMA(a, b, c) VD(_mm512_fmadd_pd(__m512d(a), __m512d(b), __m512d(c)))

// Generic vector conversions and the zero-masked narrowing rather than the plain conversion
// intrinsics, whose GCC 12 headers start from undefined registers and draw false
// maybe-uninitialized warnings.
VD widenLanes(const std::uint8_t* in) {
  const __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(in));
  return __builtin_convertvector(VI(_mm256_cvtepu8_epi32(bytes)), VD);
}

void narrow16(const VI* q, std::uint8_t* out) {
  const VI16 both =
      __builtin_shufflevector(q[0], q[1], 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
  const __m128i bytes = _mm512_maskz_cvtepi32_epi8(__mmask16(0xFFFF), __m512i(both));
  // The output goes to memory past the caches: nothing reads it soon, and a streaming store
  // spares reading each line in before it is overwritten.
  if ((reinterpret_cast<std::uintptr_t>(out) & 15) == 0)
    _mm_stream_si128(reinterpret_cast<__m128i*>(out), bytes);
  else
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), bytes);
}

}  // namespace

#define KERNELS kAvx512Kernels
#include "GaussBlurKernels.inc"

}  // namespace blur
}  // namespace kestrum
