#include "engine/PixelStatus.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace corvane {
namespace {

// The byte offset of the fourth channel in a pixel, and the maximum it is compared with;
// offset 0 marks a kind whose pixels are not read.
struct AlphaLayout {
  uint32_t offset;
  uint32_t bytesPerPixel;
  uint16_t opaque;
};

AlphaLayout alphaLayout(uint32_t kind) {
  switch (kind) {
    case CvKindRgba8:
      return {3, 4, 255};
    case CvKindRgba16:
      return {6, 8, 65535};
    case CvKindRgbaHalf16:
      return {6, 8, 32768};
    default:
      return {0, 0, 0};
  }
}

}  // namespace

StatusValueMask selectStatusMask(uint8_t mode, uint8_t target, bool exclusive) {
  if (mode == 1 && target == CvStatusForcedEdge) return {CvStatusForcedEdge, CvStatusForcedEdge};
  if (mode == 1 && target != CvStatusProtected)
    return {CvStatusClassMask,
            static_cast<uint8_t>(exclusive ? CvStatusClassAndFlags : CvStatusClassAndProtected)};
  if (target == CvStatusForcedEdge || mode == CvStatusForcedEdge)
    return {CvStatusForcedEdge, CvStatusForcedEdge};
  if (target == CvStatusProtected || mode == CvStatusProtected)
    return {CvStatusProtected, CvStatusProtected};
  if (mode == 2 || mode == 4 || mode == 8) return {CvStatusClassMask, CvStatusClassAndFlags};
  return {0, 0};
}

bool statusPictureReadable(const CvImage& picture) {
  const AlphaLayout layout = alphaLayout(picture.kind);
  if (layout.bytesPerPixel == 0 || picture.width == 0 || picture.height == 0) return true;
  return picture.data != nullptr &&
         uint64_t{picture.stride} >= uint64_t{layout.bytesPerPixel} * picture.width;
}

void fillStatusImage(const CvImage& status, const CvImage& picture) {
  const uint32_t width = picture.width;
  const uint32_t height = picture.height;
  auto* out = static_cast<uint8_t*>(status.data);
  const AlphaLayout layout = alphaLayout(picture.kind);
  if (layout.bytesPerPixel == 0) {
    for (uint32_t y = 0; y < height; ++y) std::memset(out + size_t{y} * status.stride, 1, width);
    return;
  }
  // Rows are whole pixels apart, as a pixel array with the picture's stride sees them.
  const size_t rowBytes = picture.stride / layout.bytesPerPixel * layout.bytesPerPixel;
  const auto* in = static_cast<const uint8_t*>(picture.data);
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* row = in + rowBytes * y + layout.offset;
    uint8_t* statusRow = out + size_t{y} * status.stride;
    if (layout.bytesPerPixel == 4) {
      uint32_t x = 0;
#if defined(__SSE2__)
      // Sixteen pixels a step: each alpha byte shifted down its 32-bit lane, packed to bytes
      // (no saturation can occur below 256) and compared with 255.
      const uint8_t* pixels = row - layout.offset;
      const __m128i opaque = _mm_set1_epi8(static_cast<char>(0xFF));
      const __m128i one = _mm_set1_epi8(1);
      for (; x + 16 <= width; x += 16) {
        const uint8_t* p = pixels + size_t{x} * 4;
        const __m128i a0 = _mm_srli_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), 24);
        const __m128i a1 =
            _mm_srli_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16)), 24);
        const __m128i a2 =
            _mm_srli_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32)), 24);
        const __m128i a3 =
            _mm_srli_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 48)), 24);
        const __m128i alpha = _mm_packus_epi16(_mm_packs_epi32(a0, a1), _mm_packs_epi32(a2, a3));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(statusRow + x),
                         _mm_and_si128(_mm_cmpeq_epi8(alpha, opaque), one));
      }
#endif
      for (; x < width; ++x) statusRow[x] = row[size_t{x} * 4] == 255;
    } else {
      for (uint32_t x = 0; x < width; ++x) {
        uint16_t alpha;  // the host's rows need not be 2-byte aligned
        std::memcpy(&alpha, row + size_t{x} * 8, sizeof alpha);
        statusRow[x] = alpha == layout.opaque;
      }
    }
  }
}

}  // namespace corvane
