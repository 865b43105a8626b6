// The blur's kernels for AVX2 with FMA; built with -mavx2 -mfma (see CMakeLists.txt) and called
// only after the processor was found to have them.

#include <cstdint>

#include <immintrin.h>

#include "GaussBlurKernels.h"

namespace kestrum {
namespace blur {
namespace {

typedef double VD __attribute__((vector_size(32)));
#define COLUMN_BLOCK 4
#define LANES 4
#define VFMA(a, b, c) VD(_mm256_fmadd_pd(__m256d(a), __m256d(b), __m256d(c)))

VD widenLanes(const std::uint8_t* in) {
  int word;
  __builtin_memcpy(&word, in, sizeof word);
  return VD(_mm256_cvtepi32_pd(_mm_cvtepu8_epi32(_mm_cvtsi32_si128(word))));
}

void narrow16(const VD* q, std::uint8_t* out) {
  const __m128i a = _mm256_cvttpd_epi32(__m256d(q[0]));
  const __m128i b = _mm256_cvttpd_epi32(__m256d(q[1]));
  const __m128i c = _mm256_cvttpd_epi32(__m256d(q[2]));
  const __m128i d = _mm256_cvttpd_epi32(__m256d(q[3]));
  const __m128i words = _mm_packus_epi32(a, b);
  const __m128i words2 = _mm_packus_epi32(c, d);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(words, words2));
}

}  // namespace

#define KERNELS kAvx2Kernels
#include "GaussBlurKernels.inc"

}  // namespace blur
}  // namespace kestrum
