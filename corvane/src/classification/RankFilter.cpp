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

// A histogram is read through `count(bin)`.
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
// A histogram of 16-bit counts read through `count(bin)`.
struct WordCounts {
  const uint16_t* hist;
  int32_t operator()(int32_t bin) const { return hist[bin]; }
};

// The sweep for 8-bit samples within 0..lastBin in adjacent columns, outputs at least sixteen
// columns wide. It runs down strips of sixteen adjacent anchors, one histogram each, moving one
// row at a time: each window cell that leaves or enters comes for all sixteen in one load, the
// sixteen cursors take their change from a few vector comparisons per cell, and the updates of
// one cell go to sixteen different histograms, so none waits for another. A strip's last
// block ends at the row's last column, overlapping the one before: those outputs are written
// twice with the same values. Each band of rows starts its strips from whole windows.
template <int K>
void rankSweepColumns(const RankSweep<uint8_t, K>& s, ProgressRange& progress) {
  constexpr int kLanes = 16;
  // A lane's histogram: 256 bins and a gap, so that the same bin of two lanes never lies a
  // multiple of 4 KiB apart, which would make the processor order their updates.
  constexpr size_t kBins = 256 + 24;
  // Rows are taken in chunks, every strip of a chunk before the next chunk, so that the rows
  // a chunk reads and writes stay in the cache while its strips pass over them.
  constexpr int32_t kChunk = 64;
  const int32_t lastBin = s.lastBin;
  const RankWindowOffsets& w = *s.window;
  const size_t leaving = w.leavingDown.size(), entering = w.enteringDown.size();
  std::vector<uint16_t> histograms(kLanes * kBins);
  uint16_t* const hist = histograms.data();
  alignas(16) uint8_t bins[K][kLanes];
  alignas(16) int8_t change[K][kLanes];
  int32_t cumulative[K][kLanes];
  const __m128i zero = _mm_setzero_si128();

  // Counts the sixteen samples at `at` into the lanes' histograms with `step` (+1 or -1).
  auto count16 = [&](const uint8_t* at, uint16_t step) {
#pragma GCC unroll 16
    for (int l = 0; l < kLanes; ++l) {
      uint16_t& n = hist[l * kBins + at[l]];
      n = static_cast<uint16_t>(n + step);
    }
  };

  for (int32_t top = 0; top < s.rows; top += kChunk) {
    const int32_t bottom = std::min(s.rows, top + kChunk);
    for (int32_t col = 0; col < s.columns; col += kLanes) {
      const int32_t at = std::min(col, s.columns - kLanes);
      const uint8_t* anchor = s.in + top * s.inRowStride + at * s.inColStride;
      std::fill(histograms.begin(), histograms.end(), 0);
      for (const std::ptrdiff_t o : w.all) count16(anchor + o, 1);
      for (int k = 0; k < K; ++k) {
        for (int l = 0; l < kLanes; ++l) {
          const WordCounts count{hist + l * kBins};
          RankCursor c{s.ranks[k], 0, count(0)};
          settleIn(c, count);
          bins[k][l] = static_cast<uint8_t>(c.bin);
          cumulative[k][l] = c.cumulative;
          s.out[k][top * s.outRowStride[k] + (at + l) * s.outColStride[k]] =
              static_cast<uint8_t>(rankValueIn(c, count, lastBin));
        }
      }

      for (int32_t row = top + 1; row < bottom; ++row) {
        anchor += s.inRowStride;
        __m128i bin[K], moved[K];
        for (int k = 0; k < K; ++k) {
          bin[k] = _mm_load_si128(reinterpret_cast<const __m128i*>(bins[k]));
          moved[k] = zero;
        }
        // Per lane (sample <= bin) is -1 as a byte: entering cells at or below the cursor add
        // to its count by subtracting that, leaving ones take off by adding it.
        for (size_t i = 0; i < leaving; ++i) {
          const uint8_t* cell = anchor + w.leavingDown[i];
          const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cell));
          for (int k = 0; k < K; ++k)
            moved[k] = _mm_add_epi8(moved[k], _mm_cmpeq_epi8(_mm_max_epu8(v, bin[k]), bin[k]));
          count16(cell, static_cast<uint16_t>(-1));
        }
        for (size_t i = 0; i < entering; ++i) {
          const uint8_t* cell = anchor + w.enteringDown[i];
          const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cell));
          for (int k = 0; k < K; ++k)
            moved[k] = _mm_sub_epi8(moved[k], _mm_cmpeq_epi8(_mm_max_epu8(v, bin[k]), bin[k]));
          count16(cell, 1);
        }
        for (int k = 0; k < K; ++k) {
          _mm_store_si128(reinterpret_cast<__m128i*>(change[k]), moved[k]);
          uint8_t* const out = s.out[k] + row * s.outRowStride[k] + at * s.outColStride[k];
          for (int l = 0; l < kLanes; ++l) {
            const WordCounts count{hist + l * kBins};
            RankCursor c{s.ranks[k], bins[k][l], cumulative[k][l] + change[k][l]};
            settleIn(c, count);
            bins[k][l] = static_cast<uint8_t>(c.bin);
            cumulative[k][l] = c.cumulative;
            out[l * s.outColStride[k]] = static_cast<uint8_t>(rankValueIn(c, count, lastBin));
          }
        }
      }
    }
    if (progress.ui()) {
      progress.report(corvane::kNoLabel, static_cast<float>(bottom) / static_cast<float>(s.rows));
    }
  }
}

// Whether rankSweepColumns can take the window: each lane's change per row must fit a signed
// byte and its counts 16 bits.
inline bool columnSweepFits(const RankWindowOffsets& w) {
  return w.leavingDown.size() <= 127 && w.enteringDown.size() <= 127 && w.all.size() <= 65535;
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
      // Windows of eight rows and more (the rank discs of a photograph above its working size)
      // go down columns; smaller ones are selected directly below.
      if (lo == 0 && sweep.inColStride == 1 && sweep.columns >= 16 && window.leaving.size() >= 8 &&
          detail::columnSweepFits(window)) {
        detail::rankSweepColumns<K>(sweep, progress);
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
      // In window coordinates the left neighbour (di, dj - 1) is kernel cell (i, j - direction),
      // the neighbour above (di - 1, dj) kernel cell (i - direction, j).
      if (!inWindow(i, j - direction)) w.leaving.push_back(offset - colStride);
      if (!inWindow(i, j + direction)) w.entering.push_back(offset);
      if (!inWindow(i - direction, j)) w.leavingDown.push_back(offset - rowStride);
      if (!inWindow(i + direction, j)) w.enteringDown.push_back(offset);
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
