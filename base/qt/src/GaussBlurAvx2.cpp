// The blur's kernels for AVX2 with FMA; built with -mavx2 -mfma (see CMakeLists.txt) and called
// only after the processor was found to have them.

#include <cstdint>

#include <immintrin.h>

#include "GaussBlurKernels.h"

namespace kestrum {
namespace blur {
namespace {

#define LANES 4
#define ROW_VECTORS 4
#define COLUMN_BLOCK 4
typedef double VD __attribute__((vector_size(32)));
typedef int VI __attribute__((vector_size(16)));
#define SPLAT(x) VD(_mm256_set1_pd(x))
#define VFMA(a, b, c) VD(_mm256_fmadd_pd(__m256d(a), __m256d(b), __m256d(c)))

VD widenLanes(const std::uint8_t* in) {
  int word;
  __builtin_memcpy(&word, in, sizeof word);
  return VD(_mm256_cvtepi32_pd(_mm_cvtepu8_epi32(_mm_cvtsi32_si128(word))));
}

void narrow16(const VI* q, std::uint8_t* out) {
  const __m128i low = _mm_packus_epi32(__m128i(q[0]), __m128i(q[1]));
  const __m128i high = _mm_packus_epi32(__m128i(q[2]), __m128i(q[3]));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(low, high));
}

}  // namespace

#define KERNELS kAvx2Kernels
#include "GaussBlurKernels.inc"

}  // namespace blur
}  // namespace kestrum
