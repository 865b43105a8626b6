#include "classification/HistogramUpdater.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "classification/Segmentation.h"
#include "engine/CvExCancel.h"
#include "morphology/convolve.h"
#include "util/BlitzViews.h"
#include "util/EdgeReplication.h"

namespace corvane {
namespace classification {

void HistogramUpdater::operator()() {
  try {
    while (channel_ != WorkerPool::kNoJob) {
      // Reports inside a job go nowhere: the dispenser reports as jobs are taken.
      const bool changed =
          segmentation_->updateChannelHistograms(static_cast<int>(channel_), ProgressRange());
      segmentation_->setHistogramsChanged(changed);
      channel_ = segmentation_->nextHistogramJob();
    }
  } catch (const CvExCancel&) {
    segmentation_->setHistogramCancelled();
  } catch (...) {
    segmentation_->setHistogramFailed();
  }
}

namespace {

// Weights of one block window, in 64 bits so that large blocks cannot overflow before the
// counts are stored (saturated) as int32 bins. Index 0 is the histogram's first bin.
using Accumulator = std::vector<int64_t>;

// Kind 0 for one value interval: `unit` = 2^(shift + 10) (2^(shift + 9) for the halves of
// kind 2) spread in proportion to how much of each bin the interval covers.
inline void addSpread(int64_t* acc, int32_t lo, int32_t hi, int32_t s, int32_t unit) {
  const int32_t u = unit / std::max(hi - lo, 1);
  const int32_t bLo = lo >> s;
  const int32_t bHi = hi >> s;
  if (bLo == bHi) {
    acc[bLo] += ((hi - lo + 1) * u) >> s;
    return;
  }
  acc[bLo] += ((((bLo + 1) << s) - lo) * u) >> s;
  for (int32_t k = bLo + 1; k < bHi; ++k) acc[k] += u;
  acc[bHi] += ((hi - (bHi << s) + 1) * u) >> s;
}

// Kind 3 for one half: every value v of lo .. hi adds `weight` to the bin of v.
inline void addValues(int64_t* acc, int32_t lo, int32_t hi, int32_t s, int32_t weight) {
  for (int32_t k = lo >> s, last = hi >> s; k <= last; ++k) {
    const int32_t from = std::max(lo, k << s);
    const int32_t to = std::min(hi, ((k + 1) << s) - 1);
    acc[k] += int64_t(weight) * (to - from + 1);
  }
}

inline void sort4(int32_t& a, int32_t& b, int32_t& c, int32_t& d) {
  if (b < a) std::swap(a, b);
  if (d < c) std::swap(c, d);
  if (c < a) std::swap(a, c);
  if (d < b) std::swap(b, d);
  if (c < b) std::swap(b, c);
}

// Byte plane access by absolute indices without Blitz's per-access arithmetic.
struct Plane {
  const unsigned char* first;  // the pixel (firstRow, firstColumn)
  int64_t firstRow;
  int64_t firstColumn;
  std::ptrdiff_t rowStride;
  std::ptrdiff_t columnStride;
  const unsigned char* row(int64_t r) const { return first + (r - firstRow) * rowStride; }
  std::ptrdiff_t column(int64_t c) const { return (c - firstColumn) * columnStride; }
};

// Adds the pixels of rows r0 .. r1 - 1, columns c0 .. c1 - 1 by the rule of `Kind`; `acc`
// is indexed by bin number (already offset by the histogram's first bin).
template <int Kind>
void addWindow(const Plane& p, int64_t r0, int64_t r1, int64_t c0, int64_t c1, int32_t s,
               int64_t* acc) {
  for (int64_t r = r0; r < r1; ++r) {
    const unsigned char* row = p.row(r);
    const unsigned char* below = row + p.rowStride;
    for (int64_t c = c0; c < c1; ++c) {
      const std::ptrdiff_t o = p.column(c);
      int32_t q0 = row[o], q1 = row[o + p.columnStride], q2 = below[o],
              q3 = below[o + p.columnStride];
      if (Kind == kIntervalSpread || Kind == kIntervalBins) {
        const int32_t lo = std::min(std::min(q0, q1), std::min(q2, q3));
        const int32_t hi = std::max(std::max(q0, q1), std::max(q2, q3));
        if (Kind == kIntervalSpread) {
          addSpread(acc, lo, hi, s, int32_t(1) << (s + 10));
        } else {
          const int32_t bLo = lo >> s, bHi = hi >> s;
          const int32_t w = 1024 / std::max(bHi - bLo, 1);
          for (int32_t k = bLo; k <= bHi; ++k) acc[k] += w;
        }
      } else {
        sort4(q0, q1, q2, q3);
        const int32_t lowTop = (q1 + q2) >> 1;
        const int32_t highBottom = (q1 + q2 + 1) >> 1;
        if (Kind == kSplitSpread) {
          addSpread(acc, q0, lowTop, s, int32_t(1) << (s + 9));
          addSpread(acc, highBottom, q3, s, int32_t(1) << (s + 9));
        } else {
          addValues(acc, q0, lowTop, s, 512 / std::max(lowTop - q0, 1));
          addValues(acc, highBottom, q3, s, 512 / std::max(q3 - highBottom, 1));
        }
      }
    }
  }
}

int32_t saturate32(int64_t v) {
  return v > std::numeric_limits<int32_t>::max()   ? std::numeric_limits<int32_t>::max()
         : v < std::numeric_limits<int32_t>::min() ? std::numeric_limits<int32_t>::min()
                                                   : static_cast<int32_t>(v);
}

}  // namespace

blitz::Array<Histogram1D, 2> freshBlockHistograms(const blitz::Array<unsigned char, 2>& plane,
                                                  const Box& imageDomain, const BlockGrid& grid,
                                                  int32_t bits, int32_t kind) {
  const Box& blocks = grid.blocks;
  blitz::Array<Histogram1D, 2> fresh(blitz::Range(blocks.lowerRow, blocks.upperRow),
                                     blitz::Range(blocks.lowerColumn, blocks.upperColumn));
  const Plane p{&plane(imageDomain.lowerRow, imageDomain.lowerColumn), imageDomain.lowerRow,
                imageDomain.lowerColumn, plane.stride(0), plane.stride(1)};
  const int64_t bs = grid.blockSize;
  Accumulator acc;
  for (int32_t i = blocks.lowerRow; i <= blocks.upperRow; ++i) {
    const int64_t rEnd = std::min<int64_t>(imageDomain.upperRow, (i + 1) * bs);
    const int64_t rFirst = std::min(std::max<int64_t>(imageDomain.lowerRow, i * bs), rEnd);
    for (int32_t j = blocks.lowerColumn; j <= blocks.upperColumn; ++j) {
      const int64_t cEnd = std::min<int64_t>(imageDomain.upperColumn, (j + 1) * bs);
      const int64_t cFirst = std::min(std::max<int64_t>(imageDomain.lowerColumn, j * bs), cEnd);
      // The window with the row below and the column to its right: every value a rule
      // enters lies in this range.
      int32_t lo = 255, hi = 0;
      for (int64_t r = rFirst; r <= rEnd; ++r) {
        const unsigned char* row = p.row(r);
        for (int64_t c = cFirst; c <= cEnd; ++c) {
          const int32_t v = row[p.column(c)];
          lo = std::min(lo, v);
          hi = std::max(hi, v);
        }
      }
      Histogram1D& h = fresh(i, j);
      subdivideRange(h, lo, hi, bits, 0);
      const int32_t count = h.binCount();
      int32_t* const bins = h.bins.data();
      if (rFirst >= rEnd || cFirst >= cEnd) {
        std::fill(bins, bins + count, 1024 / count);
        continue;
      }
      acc.assign(static_cast<size_t>(count), 0);
      int64_t* const accAt = acc.data() - h.firstBin();
      const int32_t s = h.shift;
      switch (kind) {
        case kIntervalSpread:
          addWindow<kIntervalSpread>(p, rFirst, rEnd, cFirst, cEnd, s, accAt);
          break;
        case kIntervalBins:
          addWindow<kIntervalBins>(p, rFirst, rEnd, cFirst, cEnd, s, accAt);
          break;
        case kSplitSpread:
          addWindow<kSplitSpread>(p, rFirst, rEnd, cFirst, cEnd, s, accAt);
          break;
        case kSplitValues:
          addWindow<kSplitValues>(p, rFirst, rEnd, cFirst, cEnd, s, accAt);
          break;
        default:  // an unknown rule enters nothing
          break;
      }
      for (int32_t k = 0; k < count; ++k) bins[k] = saturate32(acc[k]);
    }
  }
  return fresh;
}

void accumulateBlockHistograms(const blitz::Array<Histogram1D, 2>& fresh,
                               blitz::Array<Histogram1D, 2>& out, int32_t windowRadius,
                               int32_t bits) {
  const int32_t b0 = fresh.lbound(0), e0 = fresh.ubound(0);
  const int32_t b1 = fresh.lbound(1), e1 = fresh.ubound(1);
  const int64_t window = 2 * int64_t(std::max(windowRadius, 0)) + 1;
  const int32_t w0 = static_cast<int32_t>(std::min<int64_t>(window, fresh.extent(0)));
  const int32_t w1 = static_cast<int32_t>(std::min<int64_t>(window, fresh.extent(1)));
  const HistogramMerge merge{bits, 0};

  // Along the rows: output position p of the pass is block row p - w0 / 2, which centres the
  // window on its block.
  blitz::Array<Histogram1D, 2> rowsOut = out;
  rowsOut.reindexSelf(blitz::TinyVector<int, 2>(b0 + w0 / 2, b1));
  Box box = morphology::convolveLineFast(fresh, w0, merge, rowsOut, ProgressRange());
  if (box.empty()) return;
  box.lowerRow -= w0 / 2;
  box.upperRow -= w0 / 2;

  // Along the columns, in place over the rows just written.
  const blitz::Array<Histogram1D, 2> rows = subView(out, box.lowerRow, b1, box.upperRow, e1);
  blitz::Array<Histogram1D, 2> columnsOut = out;
  columnsOut.reindexSelf(blitz::TinyVector<int, 2>(b0, b1 + w1 / 2));
  box = morphology::convolveLine(rows, columnsOut, w1, merge, ProgressRange());
  if (box.empty()) return;
  box.lowerColumn -= w1 / 2;
  box.upperColumn -= w1 / 2;

  replicateEdges(out, box, [](Histogram1D& to, const Histogram1D& from) { to.takeBinsFrom(from); });
  (void)e0;
}

void normaliseHistogram(Histogram1D& histogram) {
  const int32_t count = histogram.binCount();
  if (count == 0) return;
  int32_t* const bins = histogram.bins.data();
  const int32_t s = histogram.shift;
  for (int32_t k = 0; k < count; ++k) bins[k] >>= s;
  bins[0] = std::max(bins[0], 1);
  bins[count - 1] = std::max(bins[count - 1], 1);
}

}  // namespace classification
}  // namespace corvane
