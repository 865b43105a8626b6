#include "engine/ImageScaling.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#include <xmmintrin.h>
#define CORVANE_SCALE_SSE2 1
#endif

namespace corvane {
namespace {

static_assert(sizeof(Rgba8Pixel) == 4, "pixels must be packed four bytes");

// A rectangle of 4-byte pixels addressed by byte strides.
struct Plane {
  uint8_t* data;  // pixel (0, 0)
  ptrdiff_t rowStride;
  ptrdiff_t colStride;
  int rows;
  int cols;

  uint8_t* at(int r, int c) const { return data + r * rowStride + c * colStride; }
  Plane lastRows(int n) const { return {at(rows - n, 0), rowStride, colStride, n, cols}; }
  Plane lastCols(int n) const { return {at(0, cols - n), rowStride, colStride, rows, n}; }
  bool packed() const { return colStride == 4; }
};

Plane planeOf(const Rgba8Array& a) {
  return {reinterpret_cast<uint8_t*>(const_cast<Rgba8Pixel*>(a.data())),
          static_cast<ptrdiff_t>(a.stride(0)) * 4, static_cast<ptrdiff_t>(a.stride(1)) * 4,
          a.extent(0), a.extent(1)};
}

// Block shapes: per row offset of the block, the first and last column used.
template <int F>
struct Shape;
template <>
struct Shape<2> {
  static constexpr int kLog = 1;
  static constexpr int kCount = 4;
  static constexpr int kFirst[2] = {0, 0};
  static constexpr int kLast[2] = {1, 1};
};
template <>
struct Shape<4> {
  static constexpr int kLog = 2;
  static constexpr int kCount = 12;
  static constexpr int kFirst[4] = {1, 0, 0, 1};
  static constexpr int kLast[4] = {2, 3, 3, 2};
};
template <>
struct Shape<8> {
  static constexpr int kLog = 3;
  static constexpr int kCount = 52;
  static constexpr int kFirst[8] = {2, 1, 0, 0, 0, 0, 1, 2};
  static constexpr int kLast[8] = {5, 6, 7, 7, 7, 7, 6, 5};
};

// The reference path: one output pixel from the block at (r0, c0) of `src`.
template <int F>
void medianPixel(const Plane& src, int r0, int c0, uint8_t* out) {
  using S = Shape<F>;
  constexpr int n = S::kCount;
  int32_t records[n][4];
  int k = 0;
  for (int dr = 0; dr < F; ++dr) {
    for (int dc = S::kFirst[dr]; dc <= S::kLast[dr]; ++dc, ++k) {
      const uint8_t* p = src.at(r0 + dr, c0 + dc);
      for (int ch = 0; ch < 4; ++ch) records[k][ch] = p[ch];
    }
  }
  for (int ch = 0; ch < 4; ++ch) {
    int32_t v[n];
    for (int i = 0; i < n; ++i) v[i] = records[i][ch];
    std::nth_element(v, v + n / 2, v + n);
    const int32_t upper = v[n / 2];
    const int32_t lower = *std::max_element(v, v + n / 2);
    out[ch] = static_cast<uint8_t>((lower + upper) / 2);
  }
}

#ifdef CORVANE_SCALE_SSE2

// floor((a + b) / 2) per byte: the rounding-up average less the lost low bit.
inline __m128i floorAverage(__m128i a, __m128i b) {
  return _mm_sub_epi8(_mm_avg_epu8(a, b), _mm_and_si128(_mm_xor_si128(a, b), _mm_set1_epi8(1)));
}

// Factor 2, four output pixels from eight source pixels of two rows. Of a sorted 4-element
// network the two middle values are max(min(a, c), min(b, d)) and min(max(a, c), max(b, d)).
inline void median2Group(const uint8_t* row0, const uint8_t* row1, uint8_t* out) {
  const __m128i a0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row0));
  const __m128i a1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row0 + 16));
  const __m128i b0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row1));
  const __m128i b1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row1 + 16));
  const __m128 lo0 = _mm_castsi128_ps(_mm_min_epu8(a0, b0));
  const __m128 lo1 = _mm_castsi128_ps(_mm_min_epu8(a1, b1));
  const __m128 hi0 = _mm_castsi128_ps(_mm_max_epu8(a0, b0));
  const __m128 hi1 = _mm_castsi128_ps(_mm_max_epu8(a1, b1));
  const __m128i loEven = _mm_castps_si128(_mm_shuffle_ps(lo0, lo1, _MM_SHUFFLE(2, 0, 2, 0)));
  const __m128i loOdd = _mm_castps_si128(_mm_shuffle_ps(lo0, lo1, _MM_SHUFFLE(3, 1, 3, 1)));
  const __m128i hiEven = _mm_castps_si128(_mm_shuffle_ps(hi0, hi1, _MM_SHUFFLE(2, 0, 2, 0)));
  const __m128i hiOdd = _mm_castps_si128(_mm_shuffle_ps(hi0, hi1, _MM_SHUFFLE(3, 1, 3, 1)));
  const __m128i m = floorAverage(_mm_max_epu8(loEven, loOdd), _mm_min_epu8(hiEven, hiOdd));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), m);
}

// A comparator network that brings the two middle values of an F×F block's shape to two
// known slots. It starts from Batcher's odd-even merge sort of all F×F cells, the cells
// outside the shape standing in as half lowest and half highest values: the middle of the
// full block is then the middle of the shape. Those stand-ins are resolved while the network
// is built (a comparator with one never does anything or only swaps two slots' roles), and
// only comparators that can still reach the two middle slots are kept.
struct Comparator {
  uint8_t low;
  uint8_t high;
};

template <int F>
struct MedianNetwork {
  std::array<Comparator, 600> comparators{};
  int count = 0;
  int lowerMiddle = 0;
  int upperMiddle = 0;
};

template <int F>
constexpr MedianNetwork<F> buildMedianNetwork() {
  using S = Shape<F>;
  constexpr int N = F * F;
  enum : uint8_t { kUnknown, kLowest, kHighest };
  uint8_t known[N] = {};  // per wire of the sorting network
  int slot[N] = {};       // the cell each wire's value currently lives in
  bool lowest = true;
  for (int i = 0; i < N; ++i) {
    slot[i] = i;
    const int dr = i / F, dc = i % F;
    if (dc < S::kFirst[dr] || dc > S::kLast[dr]) {
      known[i] = lowest ? kLowest : kHighest;
      lowest = !lowest;
    }
  }
  MedianNetwork<F> emitted;
  for (int p = 1; p < N; p <<= 1)
    for (int k = p; k >= 1; k >>= 1)
      for (int j = k % p; j + k < N; j += 2 * k)
        for (int i = 0; i < k && i + j + k < N; ++i) {
          const int a = i + j, b = i + j + k;
          if ((a / (2 * p)) != (b / (2 * p))) continue;
          if (known[a] == kLowest || known[b] == kHighest) continue;
          if (known[a] == kHighest || known[b] == kLowest) {
            const int t = slot[a];
            slot[a] = slot[b];
            slot[b] = t;
            const uint8_t u = known[a];
            known[a] = known[b];
            known[b] = u;
            continue;
          }
          emitted.comparators[emitted.count++] = {static_cast<uint8_t>(slot[a]),
                                                  static_cast<uint8_t>(slot[b])};
        }
  bool live[N] = {};
  live[slot[N / 2 - 1]] = live[slot[N / 2]] = true;
  bool keep[600] = {};
  for (int i = emitted.count - 1; i >= 0; --i) {
    const Comparator c = emitted.comparators[i];
    if (live[c.low] || live[c.high]) keep[i] = live[c.low] = live[c.high] = true;
  }
  MedianNetwork<F> pruned;
  for (int i = 0; i < emitted.count; ++i)
    if (keep[i]) pruned.comparators[pruned.count++] = emitted.comparators[i];
  pruned.lowerMiddle = slot[N / 2 - 1];
  pruned.upperMiddle = slot[N / 2];
  return pruned;
}

template <int F>
struct Network {
  static constexpr MedianNetwork<F> value = buildMedianNetwork<F>();
};

inline void compareExchange(__m128i& low, __m128i& high) {
  const __m128i l = _mm_min_epu8(low, high);
  high = _mm_max_epu8(low, high);
  low = l;
}

// Comparators Begin .. Begin + sizeof...(I) - 1 of the network, unrolled.
template <int F, size_t Begin, size_t... I>
[[gnu::always_inline]] inline void runComparators(__m128i* v, std::index_sequence<I...>) {
  (compareExchange(v[Network<F>::value.comparators[Begin + I].low],
                   v[Network<F>::value.comparators[Begin + I].high]),
   ...);
}

// The whole network, unrolled in runs of at most 64 comparators in their order: one fold over
// all of them nests deeper than clang allows.
template <int F, size_t Begin = 0>
[[gnu::always_inline]] inline void runNetwork(__m128i* v) {
  constexpr size_t count = static_cast<size_t>(Network<F>::value.count);
  if constexpr (Begin < count) {
    constexpr size_t run = std::min<size_t>(64, count - Begin);
    runComparators<F, Begin>(v, std::make_index_sequence<run>{});
    runNetwork<F, Begin + run>(v);
  }
}

// Columns 0..3 of four 4-pixel runs: lane j of result co is lane co of run j.
inline void transpose4(__m128i r0, __m128i r1, __m128i r2, __m128i r3, __m128i* c) {
  const __m128i t0 = _mm_unpacklo_epi32(r0, r1);
  const __m128i t1 = _mm_unpacklo_epi32(r2, r3);
  const __m128i t2 = _mm_unpackhi_epi32(r0, r1);
  const __m128i t3 = _mm_unpackhi_epi32(r2, r3);
  c[0] = _mm_unpacklo_epi64(t0, t1);
  c[1] = _mm_unpackhi_epi64(t0, t1);
  c[2] = _mm_unpacklo_epi64(t2, t3);
  c[3] = _mm_unpackhi_epi64(t2, t3);
}

inline __m128i load16(const uint8_t* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// One block row for four neighbouring output pixels: column offset co of every block goes
// into v[co], lane j holding output pixel j's pixel.
template <int F>
inline void gatherBlockRow(const uint8_t* row, __m128i* v);
template <>
inline void gatherBlockRow<4>(const uint8_t* row, __m128i* v) {
  transpose4(load16(row), load16(row + 16), load16(row + 32), load16(row + 48), v);
}
template <>
inline void gatherBlockRow<8>(const uint8_t* row, __m128i* v) {
  transpose4(load16(row), load16(row + 32), load16(row + 64), load16(row + 96), v);
  transpose4(load16(row + 16), load16(row + 48), load16(row + 80), load16(row + 112), v + 4);
}

// Four output pixels of factor 4 or 8 at once, sixteen channel lanes side by side.
template <int F>
inline void medianGroup(const Plane& src, int r0, int c0, uint8_t* out) {
  using Net = Network<F>;
  __m128i v[F * F];
  for (int dr = 0; dr < F; ++dr) gatherBlockRow<F>(src.at(r0 + dr, c0), v + dr * F);
  runNetwork<F>(v);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out),
                   floorAverage(v[Net::value.lowerMiddle], v[Net::value.upperMiddle]));
}

template <int F>
inline void medianGroupAt(const Plane& src, int r0, int c0, uint8_t* out) {
  if constexpr (F == 2) {
    median2Group(src.at(r0, c0), src.at(r0 + 1, c0), out);
  } else {
    medianGroup<F>(src, r0, c0, out);
  }
}

#endif  // CORVANE_SCALE_SSE2

template <int F>
void medianRows(const Plane& src, const Plane& dst, int rows, int cols) {
  for (int r = 0; r < rows; ++r) {
    int c = 0;
#ifdef CORVANE_SCALE_SSE2
    if (src.packed() && dst.packed()) {
      for (; c + 4 <= cols; c += 4) medianGroupAt<F>(src, F * r, F * c, dst.at(r, c));
    }
#endif
    for (; c < cols; ++c) medianPixel<F>(src, F * r, F * c, dst.at(r, c));
  }
}

template <int F>
void downscaleMedian(const Plane& dst, const Plane& src) {
  const int rows = src.rows >> Shape<F>::kLog;
  const int cols = src.cols >> Shape<F>::kLog;
  if (rows == 0 || cols == 0) throw "Image too small";
  if (dst.rows == 0 || dst.cols == 0) return;
  // The factor keeps rows × cols within the destination; the clamp only guards the bounds
  // should single-precision rounding ever pick a factor one too small.
  medianRows<F>(src, dst, std::min(rows, dst.rows), std::min(cols, dst.cols));
  if (F * rows != src.rows) downscaleMedian<F>(dst.lastRows(1), src.lastRows(F));
  if (F * cols != src.cols) downscaleMedian<F>(dst.lastCols(1), src.lastCols(F));
}

}  // namespace

Rgba8Array wrapRgba8(const CvImage& image) {
  // An empty picture may come without data; Blitz wants an address all the same, and an
  // empty array never reads it.
  static Rgba8Pixel noPixels;
  auto* first = image.data ? static_cast<Rgba8Pixel*>(image.data) : &noPixels;
  return Rgba8Array(first,
                    blitz::shape(static_cast<int>(image.height), static_cast<int>(image.width)),
                    blitz::shape(static_cast<int>(image.stride / 4), 1), blitz::neverDeleteData);
}

int reductionFactor(uint32_t sw, uint32_t sh, uint32_t dw, uint32_t dh) {
  const float across = std::ceil(static_cast<float>(sw) / static_cast<float>(dw));
  const float down = std::ceil(static_cast<float>(sh) / static_cast<float>(dh));
  const float f = std::max(across, down);
  if (f > 8.0f) return 9;  // also keeps the integer conversion defined
  const int factor = static_cast<int>(f);
  if (factor == 3) return 4;
  if (factor == 7) return 8;
  return factor;
}

void reduceImage(const Rgba8Array& source, const Rgba8Array& destination, uint32_t sw, uint32_t sh,
                 uint32_t dw, uint32_t dh) {
  switch (reductionFactor(sw, sh, dw, dh)) {
    case 1:
      copyImageUnscaled(destination, source);
      break;
    case 2:
      downscaleImageMedian2(destination, source);
      break;
    case 4:
      downscaleImageMedian4(destination, source);
      break;
    case 8:
      downscaleImageMedian8(destination, source);
      break;
    default:
      break;
  }
}

void copyImageUnscaled(Rgba8Array destination, Rgba8Array source) {
  const Plane dst = planeOf(destination);
  const Plane src = planeOf(source);
  const int rows = std::min(dst.rows, src.rows);
  const int cols = std::min(dst.cols, src.cols);
  for (int r = 0; r < rows; ++r) {
    if (src.packed() && dst.packed()) {
      std::memcpy(dst.at(r, 0), src.at(r, 0), static_cast<size_t>(cols) * 4);
    } else {
      for (int c = 0; c < cols; ++c) std::memcpy(dst.at(r, c), src.at(r, c), 4);
    }
  }
}

void downscaleImageMedian2(Rgba8Array destination, Rgba8Array source) {
  downscaleMedian<2>(planeOf(destination), planeOf(source));
}

void downscaleImageMedian4(Rgba8Array destination, Rgba8Array source) {
  downscaleMedian<4>(planeOf(destination), planeOf(source));
}

void downscaleImageMedian8(Rgba8Array destination, Rgba8Array source) {
  downscaleMedian<8>(planeOf(destination), planeOf(source));
}

}  // namespace corvane
