// The blur's kernels for AVX-512F; built with -mavx512f -mfma (see CMakeLists.txt) and called
// only after the processor was found to have them.

#include <cstdint>

#include <immintrin.h>

#include "GaussBlurKernels.h"

namespace kestrum {
namespace blur {
namespace {

typedef double VD __attribute__((vector_size(64)));
#define COLUMN_BLOCK 16
#define LANES 8
#define VFMA(a, b, c) VD(_mm512_fmadd_pd(__m512d(a), __m512d(b), __m512d(c)))

typedef int VI8 __attribute__((vector_size(32)));
typedef int VI16 __attribute__((vector_size(64)));

// Generic vector conversions and the zero-masked narrowing rather than the plain conversion
// intrinsics, whose GCC 12 headers start from undefined registers and draw false
// maybe-uninitialized warnings.
VD widenLanes(const std::uint8_t* in) {
  const __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(in));
  return __builtin_convertvector(VI8(_mm256_cvtepu8_epi32(bytes)), VD);
}

void narrow16(const VD* q, std::uint8_t* out) {
  const VI8 low = __builtin_convertvector(q[0], VI8);
  const VI8 high = __builtin_convertvector(q[1], VI8);
  const VI16 both =
      __builtin_shufflevector(low, high, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out),
                   _mm512_maskz_cvtepi32_epi8(__mmask16(0xFFFF), __m512i(both)));
}

}  // namespace

#define KERNELS kAvx512Kernels
#include "GaussBlurKernels.inc"

}  // namespace blur
}  // namespace kestrum
