#include "classification/RankFilter.h"

#include <cassert>
#include <limits>
#include <type_traits>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "util/NoLabel.h"

namespace classification {

namespace detail {

// One tracked rank: the smallest histogram bin whose cumulative count reaches `rank.lower`,
// and that cumulative count.
struct RankCursor {
  FractionRank rank;
  int32_t bin;
  int32_t cumulative;
};

// A histogram is read through `count(bin)`: a plain array, or one kept in several copies.
struct PlainCounts {
  const int32_t* hist;
  int32_t operator()(int32_t bin) const { return hist[bin]; }
};

template <class Counts>
inline void settleIn(RankCursor& c, const Counts& count) {
  while (c.cumulative < c.rank.lower) c.cumulative += count(++c.bin);
  while (c.bin > 0 && c.cumulative - count(c.bin) >= c.rank.lower) c.cumulative -= count(c.bin--);
}
inline void settle(RankCursor& c, const int32_t* hist) {
  settleIn(c, PlainCounts{hist});
}

// The value at the cursor's fraction: the lower order statistic, or the interpolation towards
// the next occupied bin when the two ranks straddle it.
template <class Counts>
inline int32_t rankValueIn(const RankCursor& c, const Counts& count, int32_t lastBin) {
  if (c.cumulative >= c.rank.upper || c.bin >= lastBin) return c.bin;
  int32_t next = c.bin + 1;
  while (next < lastBin && count(next) == 0) ++next;
  return c.bin + static_cast<int32_t>(static_cast<float>(next - c.bin) * c.rank.weight + 0.5f);
}
inline int32_t rankValue(const RankCursor& c, const int32_t* hist, int32_t lastBin) {
  return rankValueIn(c, PlainCounts{hist}, lastBin);
}

// What one sweep over the output rows needs; see rankFilterMany.
template <class T, int K>
struct RankSweep {
  const T* in;  // the input sample at the first output row's first column
  std::ptrdiff_t inRowStride, inColStride;
  T* out[K];  // the first output row's first sample of each output
  std::ptrdiff_t outRowStride[K], outColStride[K];
  int32_t rows, columns;
  const RankWindowOffsets* window;
  FractionRank ranks[K];
  int32_t lo, lastBin;
};

// The sweep itself. Each output row starts from a histogram of its first window and then
// moves one column at a time. Leaving and entering cells are taken in pairs where both lists
// allow, as a disc has one of each per row. Without Clamp every sample must lie in lo..hi:
// the per-sample work is then a load, one histogram update and one comparison per cursor.
template <class T, int K, bool Clamp>
void rankSweep(const RankSweep<T, K>& s, int32_t* hist, ProgressRange& progress, int32_t firstRow) {
  const int32_t lo = s.lo, lastBin = s.lastBin;
  auto binOf = [lo, lastBin](T sample) -> uint32_t {
    const int32_t b = static_cast<int32_t>(sample) - lo;
    if (!Clamp) return static_cast<uint32_t>(b);
    return static_cast<uint32_t>(b < 0 ? 0 : b > lastBin ? lastBin : b);
  };
  const std::vector<std::ptrdiff_t>& all = s.window->all;
  const std::ptrdiff_t* const leave = s.window->leaving.data();
  const std::ptrdiff_t* const enter = s.window->entering.data();
  const size_t leaving = s.window->leaving.size(), entering = s.window->entering.size();
  const size_t pairs = std::min(leaving, entering);

  RankCursor cursor[K];
  for (int k = 0; k < K; ++k) cursor[k].rank = s.ranks[k];

  for (int32_t row = 0; row < s.rows; ++row) {
    std::fill(hist, hist + lastBin + 1, 0);
    const T* anchor = s.in + row * s.inRowStride;
    for (std::ptrdiff_t o : all) ++hist[binOf(anchor[o])];

    T* dst[K];
    for (int k = 0; k < K; ++k) {
      dst[k] = s.out[k] + row * s.outRowStride[k];
      cursor[k].bin = 0;
      cursor[k].cumulative = hist[0];
      settle(cursor[k], hist);
      *dst[k] = static_cast<T>(rankValue(cursor[k], hist, lastBin) + lo);
    }

    for (int32_t col = 1; col < s.columns; ++col) {
      anchor += s.inColStride;
      uint32_t bin[K];
      int32_t change[K];
      for (int k = 0; k < K; ++k) {
        bin[k] = static_cast<uint32_t>(cursor[k].bin);
        change[k] = 0;
      }
      for (size_t p = 0; p < pairs; ++p) {
        const uint32_t gone = binOf(anchor[leave[p]]);
        const uint32_t come = binOf(anchor[enter[p]]);
        --hist[gone];
        ++hist[come];
        for (int k = 0; k < K; ++k) {
          change[k] += static_cast<int32_t>(come <= bin[k]) - static_cast<int32_t>(gone <= bin[k]);
        }
      }
      for (size_t p = pairs; p < leaving; ++p) {
        const uint32_t gone = binOf(anchor[leave[p]]);
        --hist[gone];
        for (int k = 0; k < K; ++k) change[k] -= static_cast<int32_t>(gone <= bin[k]);
      }
      for (size_t p = pairs; p < entering; ++p) {
        const uint32_t come = binOf(anchor[enter[p]]);
        ++hist[come];
        for (int k = 0; k < K; ++k) change[k] += static_cast<int32_t>(come <= bin[k]);
      }
      for (int k = 0; k < K; ++k) {
        cursor[k].cumulative += change[k];
        settle(cursor[k], hist);
        dst[k] += s.outColStride[k];
        *dst[k] = static_cast<T>(rankValue(cursor[k], hist, lastBin) + lo);
      }
    }

    if (((firstRow + row) & 255) == 0 && progress.ui()) {
      progress.report(corvane::kNoLabel, static_cast<float>(row + 1) / static_cast<float>(s.rows));
    }
  }
}

#if defined(__SSE2__)
// Transposes a 16 x 16 block of bytes held as 16 rows: afterwards x[j] holds the column whose
// index is j with its four bits reversed.
inline void transposeBytes16(__m128i x[16]) {
  __m128i t[16];
  for (int i = 0; i < 8; ++i) {
    t[i] = _mm_unpacklo_epi8(x[2 * i], x[2 * i + 1]);
    t[i + 8] = _mm_unpackhi_epi8(x[2 * i], x[2 * i + 1]);
  }
  for (int i = 0; i < 8; ++i) {
    x[i] = _mm_unpacklo_epi16(t[2 * i], t[2 * i + 1]);
    x[i + 8] = _mm_unpackhi_epi16(t[2 * i], t[2 * i + 1]);
  }
  for (int i = 0; i < 8; ++i) {
    t[i] = _mm_unpacklo_epi32(x[2 * i], x[2 * i + 1]);
    t[i + 8] = _mm_unpackhi_epi32(x[2 * i], x[2 * i + 1]);
  }
  for (int i = 0; i < 8; ++i) {
    x[i] = _mm_unpacklo_epi64(t[2 * i], t[2 * i + 1]);
    x[i + 8] = _mm_unpackhi_epi64(t[2 * i], t[2 * i + 1]);
  }
}

// A histogram kept in four copies, planes of kPlane bins one after the other: a bin's count is
// the sum of its four copies.
struct CopiedCounts {
  static constexpr size_t kPlane = 256;
  const int32_t* hist;
  int32_t operator()(int32_t bin) const {
    return hist[bin] + hist[kPlane + bin] + hist[2 * kPlane + bin] + hist[3 * kPlane + bin];
  }
};

// The byte sweep's steps, each inlined into it.
// Gathers the samples of pairs [16g, 16g + 16) at `offsets` from the 16 anchors from `anchor`:
// column j of the block goes to `into` + j × stride.
[[gnu::always_inline]] inline void gatherPairs(const uint8_t* anchor, const std::ptrdiff_t* offsets,
                                               size_t pairs, size_t g, size_t stride,
                                               uint8_t* into) {
  static const int kReversed[16] = {0, 8, 4, 12, 2, 10, 6, 14, 1, 9, 5, 13, 3, 11, 7, 15};
  const __m128i zero = _mm_setzero_si128();
  __m128i x[16];
  for (size_t q = 0; q < 16; ++q) {
    const size_t p = 16 * g + q;
    x[q] =
        p < pairs ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(anchor + offsets[p])) : zero;
  }
  transposeBytes16(x);
  for (int j = 0; j < 16; ++j) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(into + kReversed[j] * stride + 16 * g), x[j]);
  }
}

// One column's pairs into the four histogram copies, four pairs at a time.
[[gnu::always_inline]] inline void movePairs(int32_t* hist, const uint8_t* out, const uint8_t* in,
                                             size_t quads) {
  constexpr size_t kPlane = CopiedCounts::kPlane;
  for (size_t q = 0; q < quads; ++q) {
    const uint8_t* o = out + 4 * q;
    const uint8_t* i = in + 4 * q;
    --hist[o[0]];
    ++hist[i[0]];
    --hist[kPlane + o[1]];
    ++hist[kPlane + i[1]];
    --hist[2 * kPlane + o[2]];
    ++hist[2 * kPlane + i[2]];
    --hist[3 * kPlane + o[3]];
    ++hist[3 * kPlane + i[3]];
  }
}

// How one column's pairs move the cumulative count at `cursorBin`: per byte (entering <= bin)
// - (leaving <= bin) + 1, summed over the `groups` × 16 bytes (the caller takes the stride off).
[[gnu::always_inline]] inline int32_t pairsAtOrBelow(int32_t cursorBin, const uint8_t* out,
                                                     const uint8_t* in, size_t groups) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i one = _mm_set1_epi8(1);
  const __m128i bin = _mm_set1_epi8(static_cast<char>(cursorBin));
  __m128i sum = zero;
  for (size_t g = 0; g < groups; ++g) {
    const __m128i o = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out + 16 * g));
    const __m128i i = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 16 * g));
    const __m128i outBelow = _mm_cmpeq_epi8(_mm_max_epu8(o, bin), bin);
    const __m128i inBelow = _mm_cmpeq_epi8(_mm_max_epu8(i, bin), bin);
    sum =
        _mm_add_epi64(sum, _mm_sad_epu8(_mm_add_epi8(_mm_sub_epi8(outBelow, inBelow), one), zero));
  }
  return _mm_cvtsi128_si32(sum) + _mm_cvtsi128_si32(_mm_srli_si128(sum, 8));
}

// The sweep for 8-bit samples within 0..lastBin in adjacent columns, with as many leaving as
// entering cells (a disc has one of each per row). Sixteen columns at a time, the samples that
// leave and enter at each are gathered by a byte transpose, so that each column's cursors take
// their change from a few vector comparisons instead of two comparisons a cell; the histogram
// is still updated sample by sample. Columns short of a whole block of sixteen go the scalar
// way.
template <int K>
void rankSweepBytes(const RankSweep<uint8_t, K>& s, ProgressRange& progress, int32_t firstRow) {
  const int32_t lastBin = s.lastBin;
  // With the bookkeeping of the cursors out of the way, what remains per cell is one update of
  // the histogram, and neighbouring cells mostly update the same few bins: each update would
  // wait for the one before on the same bin. Consecutive pairs therefore count into four
  // copies of the histogram, whose updates do not wait for each other.
  std::vector<int32_t> copies(4 * CopiedCounts::kPlane);
  int32_t* const hist = copies.data();
  const CopiedCounts count{hist};
  const std::vector<std::ptrdiff_t>& all = s.window->all;
  const std::ptrdiff_t* const leave = s.window->leaving.data();
  const std::ptrdiff_t* const enter = s.window->entering.data();
  const size_t pairs = s.window->leaving.size();
  const size_t groups = (pairs + 15) / 16;  // pairs in groups of sixteen, the last padded
  // Padding pairs leave and enter bin 0 and so change nothing: the histogram loop takes the
  // pairs four at a time.
  const size_t quads = (pairs + 3) / 4;
  const size_t stride = groups * 16;  // bytes of one column in the buffers
  std::vector<uint8_t> buffer(2 * 16 * stride);
  uint8_t* const gone = buffer.data();
  uint8_t* const come = gone + 16 * stride;

  RankCursor cursor[K];
  for (int k = 0; k < K; ++k) cursor[k].rank = s.ranks[k];

  for (int32_t row = 0; row < s.rows; ++row) {
    std::fill(copies.begin(), copies.end(), 0);
    const uint8_t* anchor = s.in + row * s.inRowStride;
    for (std::ptrdiff_t o : all) ++hist[anchor[o]];

    uint8_t* dst[K];
    for (int k = 0; k < K; ++k) {
      dst[k] = s.out[k] + row * s.outRowStride[k];
      cursor[k].bin = 0;
      cursor[k].cumulative = count(0);
      settleIn(cursor[k], count);
      *dst[k] = static_cast<uint8_t>(rankValueIn(cursor[k], count, lastBin));
    }

    int32_t col = 1;
    for (; col + 16 <= s.columns; col += 16) {
      const uint8_t* block = anchor + col;
      for (size_t g = 0; g < groups; ++g) {
        gatherPairs(block, leave, pairs, g, stride, gone);
        gatherPairs(block, enter, pairs, g, stride, come);
      }
      for (int j = 0; j < 16; ++j) {
        const uint8_t* out = gone + j * stride;
        const uint8_t* in = come + j * stride;
        movePairs(hist, out, in, quads);
        for (int k = 0; k < K; ++k) {
          const int32_t total = pairsAtOrBelow(cursor[k].bin, out, in, groups);
          cursor[k].cumulative += total - static_cast<int32_t>(stride);
          settleIn(cursor[k], count);
          dst[k] += s.outColStride[k];
          *dst[k] = static_cast<uint8_t>(rankValueIn(cursor[k], count, lastBin));
        }
      }
    }
    for (; col < s.columns; ++col) {
      const uint8_t* at = anchor + col;
      int32_t change[K] = {};
      for (size_t p = 0; p < pairs; ++p) {
        const uint32_t out = at[leave[p]], in = at[enter[p]];
        --hist[out];
        ++hist[in];
        for (int k = 0; k < K; ++k) {
          const uint32_t bin = static_cast<uint32_t>(cursor[k].bin);
          change[k] += static_cast<int32_t>(in <= bin) - static_cast<int32_t>(out <= bin);
        }
      }
      for (int k = 0; k < K; ++k) {
        cursor[k].cumulative += change[k];
        settleIn(cursor[k], count);
        dst[k] += s.outColStride[k];
        *dst[k] = static_cast<uint8_t>(rankValueIn(cursor[k], count, lastBin));
      }
    }

    if (((firstRow + row) & 255) == 0 && progress.ui()) {
      progress.report(corvane::kNoLabel, static_cast<float>(row + 1) / static_cast<float>(s.rows));
    }
  }
}

// Windows of a few dozen cells, as the rank discs of a photograph at its working size are,
// cost the histogram sweep most of its time in moving and settling its cursors. For those the
// order statistics are selected directly, sixteen adjacent anchors at a time: each window
// cell's samples for the sixteen come in one load, and a sorted list of the m smallest (or
// largest) per anchor takes each of them in by one compare-exchange per entry. The ranks'
// values then give the output just as the cursor would: the lower order statistic, moved
// towards the upper one by the rank's weight, rounded as rankValueIn rounds (`steps`).
constexpr int kMaxSelected = 8;
constexpr size_t kMaxSelectedCells = 64;

struct SelectedRank {
  int selected;  // entries of the sorted list, 1 .. kMaxSelected
  bool largest;  // the list holds the largest samples, in falling order
  int lower;     // list entries of the two ranks (0-based)
  int upper;
  uint8_t steps[256];  // (int)(d × weight + 0.5) for every distance d of the two values
};

// The list that finds `rank` among `count` samples with the fewest entries; false when even
// that one is longer than kMaxSelected.
inline bool selectedRank(const FractionRank& rank, int32_t count, SelectedRank& out) {
  const int32_t fromBelow = rank.upper;              // the upper rank is the last entry needed
  const int32_t fromAbove = count + 1 - rank.lower;  // the lower rank, counted from the top
  out.largest = fromAbove < fromBelow;
  out.selected = out.largest ? fromAbove : fromBelow;
  if (out.selected < 1 || out.selected > kMaxSelected) return false;
  out.lower = out.largest ? count - rank.lower : rank.lower - 1;
  out.upper = out.largest ? count - rank.upper : rank.upper - 1;
  for (int32_t d = 0; d < 256; ++d)
    out.steps[d] =
        static_cast<uint8_t>(static_cast<int32_t>(static_cast<float>(d) * rank.weight + 0.5f));
  return true;
}

// Sixteen outputs of one fraction from the anchors at `anchor`, written `outStep` apart: the
// `Selected` smallest (or largest) window samples of each, sorted from the extreme inward.
// Starting every entry at the far bound lets each sample pass down the list; with at least
// `Selected` cells the bounds have all left by the end. The list stays in registers.
template <int Selected, bool Largest>
void selectSixteen(const uint8_t* anchor, const std::ptrdiff_t* cells, size_t count,
                   const SelectedRank& rank, uint8_t* out, std::ptrdiff_t outStep) {
  __m128i list[Selected];
#pragma GCC unroll 8
  for (int j = 0; j < Selected; ++j) list[j] = _mm_set1_epi8(Largest ? 0 : char(0xFF));
  for (size_t i = 0; i < count; ++i) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(anchor + cells[i]));
#pragma GCC unroll 8
    for (int j = 0; j < Selected; ++j) {
      const __m128i held = list[j];
      list[j] = Largest ? _mm_max_epu8(held, v) : _mm_min_epu8(held, v);
      v = Largest ? _mm_min_epu8(held, v) : _mm_max_epu8(held, v);
    }
  }
  alignas(16) uint8_t values[Selected][16];
#pragma GCC unroll 8
  for (int j = 0; j < Selected; ++j)
    _mm_store_si128(reinterpret_cast<__m128i*>(values[j]), list[j]);
  const uint8_t* const lower = values[rank.lower];
  const uint8_t* const upper = values[rank.upper];
  for (int j = 0; j < 16; ++j)
    out[j * outStep] = static_cast<uint8_t>(lower[j] + rank.steps[upper[j] - lower[j]]);
}

using SelectSixteen = void (*)(const uint8_t*, const std::ptrdiff_t*, size_t, const SelectedRank&,
                               uint8_t*, std::ptrdiff_t);

template <int... Selected>
SelectSixteen selectFunction(int selected, bool largest, std::integer_sequence<int, Selected...>) {
  SelectSixteen found = nullptr;
  ((selected == Selected + 1 ? (found = largest ? &selectSixteen<Selected + 1, true>
                                                : &selectSixteen<Selected + 1, false>)
                             : found),
   ...);
  return found;
}

// The sweep by selection for 8-bit samples of adjacent columns, outputs at least sixteen
// columns wide. A row's last block ends at its last column, overlapping the block before:
// those outputs are written twice with the same values.
template <int K>
void rankSweepSelect(const RankSweep<uint8_t, K>& s, const SelectedRank (&ranks)[K],
                     ProgressRange& progress, int32_t firstRow) {
  const std::ptrdiff_t* const cells = s.window->all.data();
  const size_t count = s.window->all.size();
  SelectSixteen select[K];
  for (int k = 0; k < K; ++k)
    select[k] = selectFunction(ranks[k].selected, ranks[k].largest,
                               std::make_integer_sequence<int, kMaxSelected>());
  for (int32_t row = 0; row < s.rows; ++row) {
    const uint8_t* const anchor = s.in + row * s.inRowStride;
    for (int32_t col = 0; col < s.columns; col += 16) {
      const int32_t at = std::min(col, s.columns - 16);
      for (int k = 0; k < K; ++k)
        select[k](anchor + at, cells, count, ranks[k],
                  s.out[k] + row * s.outRowStride[k] + at * s.outColStride[k], s.outColStride[k]);
    }
    if (((firstRow + row) & 255) == 0 && progress.ui()) {
      progress.report(corvane::kNoLabel, static_cast<float>(row + 1) / static_cast<float>(s.rows));
    }
  }
}
#endif

// Whether every sample of `a` within the inclusive box lies in lo..hi.
template <class T>
bool samplesWithin(const blitz::Array<T, 2>& a, int32_t rowLow, int32_t colLow, int32_t rowHigh,
                   int32_t colHigh, int32_t lo, int32_t hi) {
  if (lo <= static_cast<int32_t>(std::numeric_limits<T>::min()) &&
      hi >= static_cast<int32_t>(std::numeric_limits<T>::max())) {
    return true;
  }
  for (int32_t r = rowLow; r <= rowHigh; ++r) {
    const T* p = &a(r, colLow);
    int32_t least = static_cast<int32_t>(*p), most = least;
    int32_t c = colLow;
#if defined(__SSE2__)
    if constexpr (std::is_same<T, uint8_t>::value) {
      // Adjacent bytes sixteen at a time: every analysis-image pass checks its whole input.
      if (a.stride(1) == 1 && colHigh - colLow + 1 >= 16) {
        __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        __m128i high = low;
        for (; c + 15 <= colHigh; c += 16, p += 16) {
          const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
          low = _mm_min_epu8(low, v);
          high = _mm_max_epu8(high, v);
        }
        alignas(16) uint8_t lows[16], highs[16];
        _mm_store_si128(reinterpret_cast<__m128i*>(lows), low);
        _mm_store_si128(reinterpret_cast<__m128i*>(highs), high);
        for (int k = 0; k < 16; ++k) {
          least = std::min<int32_t>(least, lows[k]);
          most = std::max<int32_t>(most, highs[k]);
        }
      }
    }
#endif
    for (; c <= colHigh; ++c, p += a.stride(1)) {
      least = std::min(least, static_cast<int32_t>(*p));
      most = std::max(most, static_cast<int32_t>(*p));
    }
    if (least < lo || most > hi) return false;
  }
  return true;
}

}  // namespace detail

// Filters `input` into K outputs at once, one fraction each, over the outputs' common box.
// The window of output pixel p is the input at p + direction * k for every non-zero kernel
// cell k (kernel indices as the kernel's own index values); the input must hold every such
// pixel. Samples are counted into a histogram of the values lo..hi, a sample outside that
// range as its nearest bound. With an empty window every output sample becomes 0.
// Progress is reported after every output row whose index is a multiple of 256.
template <class T, int K>
void rankFilterMany(std::array<blitz::Array<T, 2>, K> outputs, const blitz::Array<T, 2>& input,
                    const blitz::Array<int32_t, 2>& kernel, int direction,
                    const std::array<float, K>& fractions, int32_t lo, int32_t hi,
                    ProgressRange progress) {
  static_assert(K >= 1, "at least one fraction");
  const int32_t rowLow = outputs[0].lbound(0), rowHigh = outputs[0].ubound(0);
  const int32_t colLow = outputs[0].lbound(1), colHigh = outputs[0].ubound(1);
  for (int k = 1; k < K; ++k) {
    assert(outputs[k].lbound(0) == rowLow && outputs[k].ubound(0) == rowHigh &&
           outputs[k].lbound(1) == colLow && outputs[k].ubound(1) == colHigh);
  }
  if (rowLow > rowHigh || colLow > colHigh) return;

  const RankWindowOffsets window =
      rankWindowOffsets(kernel, direction, input.stride(0), input.stride(1));
  const int32_t count = static_cast<int32_t>(window.all.size());

  T* out[K];
  std::ptrdiff_t outRowStride[K], outColStride[K];
  for (int k = 0; k < K; ++k) {
    out[k] = outputs[k].data();
    outRowStride[k] = outputs[k].stride(0);
    outColStride[k] = outputs[k].stride(1);
  }

  if (count == 0) {
    for (int32_t row = rowLow; row <= rowHigh; ++row) {
      for (int k = 0; k < K; ++k) {
        T* o = out[k] + (row - rowLow) * outRowStride[k];
        for (int32_t col = colLow; col <= colHigh; ++col, o += outColStride[k]) *o = T(0);
      }
    }
    return;
  }

  // Every window pixel must lie in the input: the loop below reads through raw offsets.
  assert(rowLow + window.lowRow >= input.lbound(0) && rowHigh + window.highRow <= input.ubound(0));
  assert(colLow + window.lowCol >= input.lbound(1) && colHigh + window.highCol <= input.ubound(1));

  if (hi < lo) hi = lo;
  const int32_t lastBin = hi - lo;
  std::vector<int32_t> histogram(static_cast<size_t>(lastBin) + 1);

  detail::RankSweep<T, K> sweep;
  sweep.in = input.data() + (rowLow - input.lbound(0)) * input.stride(0) +
             (colLow - input.lbound(1)) * input.stride(1);
  sweep.inRowStride = input.stride(0);
  sweep.inColStride = input.stride(1);
  for (int k = 0; k < K; ++k) {
    sweep.out[k] = out[k];
    sweep.outRowStride[k] = outRowStride[k];
    sweep.outColStride[k] = outColStride[k];
    sweep.ranks[k] = fractionRank(fractions[k], count);
  }
  sweep.rows = rowHigh - rowLow + 1;
  sweep.columns = colHigh - colLow + 1;
  sweep.window = &window;
  sweep.lo = lo;
  sweep.lastBin = lastBin;

  // Samples outside lo..hi are rare (none at all in the analysis image's passes): checking
  // the input once lets the sweep leave out the clamping of every sample.
  if (detail::samplesWithin(input, rowLow + window.lowRow, colLow + window.lowCol,
                            rowHigh + window.highRow, colHigh + window.highCol, lo, hi)) {
#if defined(__SSE2__)
    if constexpr (std::is_same<T, uint8_t>::value) {
      // Below eight pairs the fixed cost of the gathering outweighs what it saves.
      if (lo == 0 && sweep.inColStride == 1 && window.leaving.size() >= 8 &&
          window.leaving.size() == window.entering.size()) {
        detail::rankSweepBytes<K>(sweep, progress, rowLow);
        return;
      }
      if (lo == 0 && sweep.inColStride == 1 && sweep.columns >= 16 &&
          window.all.size() <= detail::kMaxSelectedCells) {
        detail::SelectedRank selected[K];
        bool all = true;
        for (int k = 0; k < K; ++k)
          all = all && detail::selectedRank(sweep.ranks[k], count, selected[k]);
        if (all) {
          detail::rankSweepSelect<K>(sweep, selected, progress, rowLow);
          return;
        }
      }
    }
#endif
    detail::rankSweep<T, K, false>(sweep, histogram.data(), progress, rowLow);
  } else {
    detail::rankSweep<T, K, true>(sweep, histogram.data(), progress, rowLow);
  }
}

blitz::Array<int32_t, 2> makeDisc(int32_t n) {
  if (n < 1) n = 1;
  blitz::Array<int32_t, 2> disc(n, n);
  const float centre = 0.5f * static_cast<float>(n - 1);
  const float radius2 = (centre + 0.5f) * (centre + 0.5f);
  for (int32_t i = 0; i < n; ++i) {
    for (int32_t j = 0; j < n; ++j) {
      const float di = static_cast<float>(i) - centre, dj = static_cast<float>(j) - centre;
      disc(i, j) = di * di + dj * dj <= radius2 ? 1 : 0;
    }
  }
  return disc;
}

RankWindowOffsets rankWindowOffsets(const blitz::Array<int32_t, 2>& kernel, int direction,
                                    std::ptrdiff_t rowStride, std::ptrdiff_t colStride) {
  assert(direction == 1 || direction == -1);
  RankWindowOffsets w;
  auto inWindow = [&kernel](int32_t i, int32_t j) {
    return i >= kernel.lbound(0) && i <= kernel.ubound(0) && j >= kernel.lbound(1) &&
           j <= kernel.ubound(1) && kernel(i, j) != 0;
  };
  bool first = true;
  for (int32_t i = kernel.lbound(0); i <= kernel.ubound(0); ++i) {
    for (int32_t j = kernel.lbound(1); j <= kernel.ubound(1); ++j) {
      if (kernel(i, j) == 0) continue;
      const int32_t di = direction * i, dj = direction * j;
      const std::ptrdiff_t offset = di * rowStride + dj * colStride;
      w.all.push_back(offset);
      // In window coordinates the left neighbour (di, dj - 1) is kernel cell (i, j - direction).
      if (!inWindow(i, j - direction)) w.leaving.push_back(offset - colStride);
      if (!inWindow(i, j + direction)) w.entering.push_back(offset);
      if (first) {
        w.lowRow = w.highRow = di;
        w.lowCol = w.highCol = dj;
        first = false;
      } else {
        w.lowRow = std::min(w.lowRow, di);
        w.highRow = std::max(w.highRow, di);
        w.lowCol = std::min(w.lowCol, dj);
        w.highCol = std::max(w.highCol, dj);
      }
    }
  }
  return w;
}

// The sample types and fraction counts the engine filters with.
template void rankFilterMany<uint8_t, 1>(std::array<blitz::Array<uint8_t, 2>, 1>,
                                         const blitz::Array<uint8_t, 2>&,
                                         const blitz::Array<int32_t, 2>&, int,
                                         const std::array<float, 1>&, int32_t, int32_t,
                                         ProgressRange);
template void rankFilterMany<uint8_t, 2>(std::array<blitz::Array<uint8_t, 2>, 2>,
                                         const blitz::Array<uint8_t, 2>&,
                                         const blitz::Array<int32_t, 2>&, int,
                                         const std::array<float, 2>&, int32_t, int32_t,
                                         ProgressRange);
template void rankFilterMany<uint16_t, 1>(std::array<blitz::Array<uint16_t, 2>, 1>,
                                          const blitz::Array<uint16_t, 2>&,
                                          const blitz::Array<int32_t, 2>&, int,
                                          const std::array<float, 1>&, int32_t, int32_t,
                                          ProgressRange);

}  // namespace classification
