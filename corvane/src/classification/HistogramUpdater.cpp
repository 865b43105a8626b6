#include "classification/HistogramUpdater.h"

#include <algorithm>
#include <atomic>
#include <limits>
#include <map>
#include <vector>

#include "classification/Segmentation.h"
#include "morphology/convolve.h"
#include "util/BlitzViews.h"
#include "util/CvExCancel.h"
#include "util/EdgeReplication.h"
#include "util/ParallelBands.h"
#include "util/ProcessorCount.h"

using corvane::Box;
using corvane::WorkerPool;

using corvane::forEachBand;
namespace morphology = corvane::morphology;
using corvane::processorCount;
using corvane::subView;

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

// unit / max(d, 1) for every d of 0 .. 255, per numerator: the pixel rules divide a fixed
// unit by a byte-sized width at every pixel, and a division costs more than the rest.
class Quotients {
 public:
  const int32_t* of(int32_t unit) {
    std::vector<int32_t>& table = tables_[unit];
    if (table.empty()) {
      table.resize(256);
      table[0] = unit;
      for (int32_t d = 1; d < 256; ++d) table[static_cast<size_t>(d)] = unit / d;
    }
    return table.data();
  }

 private:
  std::map<int32_t, std::vector<int32_t>> tables_;
};

// Kind 0 for one value interval: `units` = 2^(shift + 10) (2^(shift + 9) for the halves of
// kind 2) divided by the interval's width, spread in proportion to how much of each bin the
// interval covers. The two end bins go to `acc`; the run of whole bins between them goes to
// the difference array `runs` (+u where the run starts, -u after it), summed up afterwards.
// Without branches or loops, since noise makes both unpredictable: an interval within one
// bin puts all of its weight on the first end, nothing on the second and no run.
inline void addSpread(int64_t* acc, int64_t* runs, int32_t lo, int32_t hi, int32_t s,
                      const int32_t* units) {
  const int32_t u = units[hi - lo];
  const int32_t bLo = lo >> s;
  const int32_t bHi = hi >> s;
  const bool oneBin = bLo == bHi;
  const int32_t firstPart = oneBin ? hi - lo + 1 : ((bLo + 1) << s) - lo;
  const int32_t lastPart = oneBin ? 0 : hi - (bHi << s) + 1;
  const int32_t run = oneBin ? 0 : u;
  acc[bLo] += (firstPart * u) >> s;
  acc[bHi] += (lastPart * u) >> s;
  runs[bLo + 1] += run;
  runs[bHi] -= run;
}

// Adds the running sums of a difference array (count + 1 entries) to the bins.
inline void addRuns(int64_t* acc, const int64_t* runs, int32_t count) {
  int64_t sum = 0;
  for (int32_t k = 0; k < count; ++k) {
    sum += runs[k];
    acc[k] += sum;
  }
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

// Kinds 2 and 3: adds the pixels of rows r0 .. r1 - 1, columns c0 .. c1 - 1; `acc` is indexed
// by bin number (already offset by the histogram's first bin).
template <int Kind>
void addWindow(const Plane& p, int64_t r0, int64_t r1, int64_t c0, int64_t c1, int32_t s,
               Quotients& quotients, int64_t* acc, int64_t* runs) {
  const int32_t* const units = quotients.of(Kind == kSplitSpread ? int32_t(1) << (s + 9) : 512);
  for (int64_t r = r0; r < r1; ++r) {
    const unsigned char* row = p.row(r);
    const unsigned char* below = row + p.rowStride;
    for (int64_t c = c0; c < c1; ++c) {
      const std::ptrdiff_t o = p.column(c);
      int32_t q0 = row[o], q1 = row[o + p.columnStride], q2 = below[o],
              q3 = below[o + p.columnStride];
      sort4(q0, q1, q2, q3);
      const int32_t lowTop = (q1 + q2) >> 1;
      const int32_t highBottom = (q1 + q2 + 1) >> 1;
      if (Kind == kSplitSpread) {
        addSpread(acc, runs, q0, lowTop, s, units);
        addSpread(acc, runs, highBottom, q3, s, units);
      } else {
        addValues(acc, q0, lowTop, s, units[lowTop - q0]);
        addValues(acc, highBottom, q3, s, units[q3 - highBottom]);
      }
    }
  }
}

// The 2 x 2 intervals (minimum and maximum of a pixel, its right and lower neighbours and
// the pixel diagonally below) of the window rows of one block row, as contiguous bytes:
// interval (r, c) at index (r - firstRow) * width + (c - firstColumn).
struct IntervalStrip {
  std::vector<unsigned char> lo;
  std::vector<unsigned char> hi;
  std::vector<unsigned char> top;
  std::vector<unsigned char> bottom;
  int64_t firstRow = 0;
  int64_t firstColumn = 0;
  int64_t width = 0;

  // Rows r0 .. r1 - 1 and columns c0 .. c1 - 1 of intervals (row r1 and column c1 are read).
  void build(const Plane& p, int64_t r0, int64_t r1, int64_t c0, int64_t c1) {
    firstRow = r0;
    firstColumn = c0;
    width = c1 - c0;
    const size_t size = static_cast<size_t>((r1 - r0) * width);
    lo.resize(size);
    hi.resize(size);
    top.resize(static_cast<size_t>(width + 1));
    bottom.resize(static_cast<size_t>(width + 1));
    if (r1 <= r0 || width <= 0) return;
    load(p, r0, top);
    for (int64_t r = r0; r < r1; ++r) {
      load(p, r + 1, bottom);
      unsigned char* const rowLo = lo.data() + (r - r0) * width;
      unsigned char* const rowHi = hi.data() + (r - r0) * width;
      const unsigned char* const t = top.data();
      const unsigned char* const b = bottom.data();
      for (int64_t c = 0; c < width; ++c) {
        const unsigned char v0 = t[c] < b[c] ? t[c] : b[c];
        const unsigned char v1 = t[c + 1] < b[c + 1] ? t[c + 1] : b[c + 1];
        const unsigned char w0 = t[c] < b[c] ? b[c] : t[c];
        const unsigned char w1 = t[c + 1] < b[c + 1] ? b[c + 1] : t[c + 1];
        rowLo[c] = v0 < v1 ? v0 : v1;
        rowHi[c] = w0 < w1 ? w1 : w0;
      }
      top.swap(bottom);
    }
  }

  void load(const Plane& p, int64_t r, std::vector<unsigned char>& to) const {
    const unsigned char* row = p.row(r) + p.column(firstColumn);
    for (int64_t c = 0; c <= width; ++c) to[static_cast<size_t>(c)] = row[c * p.columnStride];
  }
};

// Kinds 0 and 1 over one block window of the strip. Neighbouring pixels mostly fall into the
// same bins: alternating between two accumulators keeps their additions from waiting on each
// other.
template <int Kind>
void addIntervals(const IntervalStrip& strip, int64_t r0, int64_t r1, int64_t c0, int64_t c1,
                  int32_t s, Quotients& quotients, int64_t* even, int64_t* odd, int64_t* runs) {
  const int32_t* const units =
      quotients.of(Kind == kIntervalSpread ? int32_t(1) << (s + 10) : 1024);
  for (int64_t r = r0; r < r1; ++r) {
    const std::ptrdiff_t start = (r - strip.firstRow) * strip.width + (c0 - strip.firstColumn);
    const unsigned char* const lo = strip.lo.data() + start;
    const unsigned char* const hi = strip.hi.data() + start;
    const int64_t n = c1 - c0;
    for (int64_t c = 0; c < n; ++c) {
      int64_t* const acc = (c & 1) ? odd : even;
      if (Kind == kIntervalSpread) {
        addSpread(acc, runs, lo[c], hi[c], s, units);
      } else {
        const int32_t bLo = lo[c] >> s, bHi = hi[c] >> s;
        const int32_t w = units[bHi - bLo];
        runs[bLo] += w;
        runs[bHi + 1] -= w;
      }
    }
  }
}

// Bands of rows of `box` for `threads` workers: one band alone on one thread, otherwise a
// few bands per worker so that uneven rows even out.
int32_t bandStep(const Box& box, unsigned threads) {
  const int64_t rows = int64_t(box.upperRow) - box.lowerRow + 1;
  if (threads <= 1 || rows <= 1) return static_cast<int32_t>(std::max<int64_t>(rows, 1));
  return static_cast<int32_t>(std::max<int64_t>(1, (rows + 4 * threads - 1) / (4 * threads)));
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
  blitz::Array<Histogram1D, 2> fresh;
  freshBlockHistograms(plane, imageDomain, grid, bits, kind, fresh);
  return fresh;
}

void freshBlockHistograms(const blitz::Array<unsigned char, 2>& plane, const Box& imageDomain,
                          const BlockGrid& grid, int32_t bits, int32_t kind,
                          blitz::Array<Histogram1D, 2>& fresh) {
  const Box& blocks = grid.blocks;
  if (fresh.lbound(0) != blocks.lowerRow || fresh.lbound(1) != blocks.lowerColumn ||
      fresh.ubound(0) != blocks.upperRow || fresh.ubound(1) != blocks.upperColumn) {
    fresh.reference(
        blitz::Array<Histogram1D, 2>(blitz::Range(blocks.lowerRow, blocks.upperRow),
                                     blitz::Range(blocks.lowerColumn, blocks.upperColumn)));
  }
  const Plane p{&plane(imageDomain.lowerRow, imageDomain.lowerColumn), imageDomain.lowerRow,
                imageDomain.lowerColumn, plane.stride(0), plane.stride(1)};
  const int64_t bs = grid.blockSize;
  const bool intervals = kind == kIntervalSpread || kind == kIntervalBins;
  // Block rows are independent: each band of them has scratch of its own and writes only
  // its own histograms.
  const unsigned threads = processorCount();
  forEachBand(
      blocks.lowerRow, blocks.upperRow, bandStep(blocks, threads), threads,
      [&](int32_t firstBlockRow, int32_t lastBlockRow) {
        Accumulator acc;
        Accumulator oddAcc;
        Accumulator runs;
        Quotients quotients;
        IntervalStrip strip;
        for (int32_t i = firstBlockRow; i <= lastBlockRow; ++i) {
          const int64_t rEnd = std::min<int64_t>(imageDomain.upperRow, (i + 1) * bs);
          const int64_t rFirst = std::min(std::max<int64_t>(imageDomain.lowerRow, i * bs), rEnd);
          if (intervals)
            strip.build(p, rFirst, rEnd, imageDomain.lowerColumn,
                        std::max<int64_t>(imageDomain.lowerColumn, imageDomain.upperColumn));
          for (int32_t j = blocks.lowerColumn; j <= blocks.upperColumn; ++j) {
            const int64_t cEnd = std::min<int64_t>(imageDomain.upperColumn, (j + 1) * bs);
            const int64_t cFirst =
                std::min(std::max<int64_t>(imageDomain.lowerColumn, j * bs), cEnd);
            const bool emptyWindow = rFirst >= rEnd || cFirst >= cEnd;
            // The window with the row below and the column to its right: every value a rule
            // enters lies in this range. The intervals of a window cover exactly these pixels.
            int32_t lo = 255, hi = 0;
            if (intervals && !emptyWindow) {
              for (int64_t r = rFirst; r < rEnd; ++r) {
                const std::ptrdiff_t start =
                    (r - strip.firstRow) * strip.width + (cFirst - strip.firstColumn);
                const unsigned char* const rowLo = strip.lo.data() + start;
                const unsigned char* const rowHi = strip.hi.data() + start;
                unsigned char l = 255, h = 0;
                for (int64_t c = 0; c < cEnd - cFirst; ++c) {
                  l = rowLo[c] < l ? rowLo[c] : l;
                  h = rowHi[c] > h ? rowHi[c] : h;
                }
                lo = std::min<int32_t>(lo, l);
                hi = std::max<int32_t>(hi, h);
              }
            } else {
              for (int64_t r = rFirst; r <= rEnd; ++r) {
                const unsigned char* row = p.row(r);
                for (int64_t c = cFirst; c <= cEnd; ++c) {
                  const int32_t v = row[p.column(c)];
                  lo = std::min(lo, v);
                  hi = std::max(hi, v);
                }
              }
            }
            Histogram1D& h = fresh(i, j);
            subdivideRange(h, lo, hi, bits, 0);
            const int32_t count = h.binCount();
            int32_t* const bins = h.bins.data();
            if (emptyWindow) {
              std::fill(bins, bins + count, 1024 / count);
              continue;
            }
            acc.assign(static_cast<size_t>(count), 0);
            int64_t* const accAt = acc.data() - h.firstBin();
            const int32_t s = h.shift;
            // Even and odd columns add into separate arrays, so that neighbouring pixels, which
            // mostly hit the same bins, do not wait on each other's additions.
            oddAcc.assign(static_cast<size_t>(count), 0);
            int64_t* const oddAt = oddAcc.data() - h.firstBin();
            runs.assign(static_cast<size_t>(count) + 1, 0);
            int64_t* const runsAt = runs.data() - h.firstBin();
            switch (kind) {
              case kIntervalSpread:
                addIntervals<kIntervalSpread>(strip, rFirst, rEnd, cFirst, cEnd, s, quotients,
                                              accAt, oddAt, runsAt);
                break;
              case kIntervalBins:
                addIntervals<kIntervalBins>(strip, rFirst, rEnd, cFirst, cEnd, s, quotients, accAt,
                                            oddAt, runsAt);
                break;
              case kSplitSpread:
                addWindow<kSplitSpread>(p, rFirst, rEnd, cFirst, cEnd, s, quotients, accAt, runsAt);
                break;
              case kSplitValues:
                addWindow<kSplitValues>(p, rFirst, rEnd, cFirst, cEnd, s, quotients, accAt, runsAt);
                break;
              default:  // an unknown rule enters nothing
                break;
            }
            for (int32_t k = 0; k < count; ++k)
              acc[static_cast<size_t>(k)] += oddAcc[static_cast<size_t>(k)];
            addRuns(acc.data(), runs.data(), count);
            for (int32_t k = 0; k < count; ++k) bins[k] = saturate32(acc[static_cast<size_t>(k)]);
          }
        }
      });
}

namespace {

// Each block's window summed straight from the fresh histograms: the window's whole value
// range at the resolution `bits`, every source bin k added into bin k >> (shift difference),
// as the running merges of the two line passes make it; normalised at once when asked.
// Writes the blocks of `box` only. The sums are the passes' own as long as no partial sum
// saturates: with bins of at least 0 every partial sum lies within some window of the grid,
// so false (and blocks left half written) tells of a bin below 0 or a window beyond int32.
bool sumWindows(const blitz::Array<Histogram1D, 2>& fresh, blitz::Array<Histogram1D, 2>& out,
                const Box& box, int32_t w0, int32_t w1, int32_t bits, bool normalise) {
  const unsigned threads = processorCount();
  std::atomic<bool> fits{true};
  forEachBand(box.lowerRow, box.upperRow, bandStep(box, threads), threads,
              [&](int32_t r0, int32_t r1) {
                std::vector<int64_t> wide;
                for (int32_t i = r0; i <= r1 && fits.load(std::memory_order_relaxed); ++i) {
                  const int32_t top = i + w0 / 2 - w0 + 1;
                  for (int32_t j = box.lowerColumn; j <= box.upperColumn; ++j) {
                    const int32_t left = j + w1 / 2 - w1 + 1;
                    Histogram1D& h = out(i, j);
                    if (w0 == 1 && w1 == 1) {
                      h.takeBinsFrom(fresh(top, left));
                      if (normalise) normaliseHistogram(h);
                      continue;
                    }
                    int32_t lo = std::numeric_limits<int32_t>::max();
                    int32_t hi = std::numeric_limits<int32_t>::min();
                    for (int32_t a = top; a < top + w0; ++a) {
                      for (int32_t b = left; b < left + w1; ++b) {
                        lo = std::min(lo, fresh(a, b).lo);
                        hi = std::max(hi, fresh(a, b).hi);
                      }
                    }
                    subdivideRange(h, lo, hi, bits, 0);
                    const int32_t first = h.firstBin();
                    const int32_t count = h.binCount();
                    wide.assign(static_cast<size_t>(count), 0);
                    bool negative = false;
                    for (int32_t a = top; a < top + w0; ++a) {
                      for (int32_t b = left; b < left + w1; ++b) {
                        const Histogram1D& source = fresh(a, b);
                        const int32_t d = std::max(h.shift - source.shift, 0);
                        const int32_t sourceFirst = source.firstBin();
                        const int32_t* const from = source.bins.data();
                        const std::ptrdiff_t step = source.bins.stride(0);
                        for (int32_t k = 0; k < source.binCount(); ++k) {
                          const int32_t target = ((sourceFirst + k) >> d) - first;
                          negative |= from[k * step] < 0;
                          if (target >= 0 && target < count) wide[size_t(target)] += from[k * step];
                        }
                      }
                    }
                    int32_t* const sum = h.bins.data();
                    int64_t total = 0;
                    for (int32_t k = 0; k < count; ++k) {
                      total += wide[size_t(k)];
                      sum[k] = static_cast<int32_t>(wide[size_t(k)]);
                    }
                    if (negative || total > std::numeric_limits<int32_t>::max()) {
                      fits = false;
                      break;
                    }
                    if (normalise) normaliseHistogram(h);
                  }
                }
              });
  return fits.load();
}

// The sums by running merges along the rows and then the columns, for any window.
void accumulateByLinePasses(const blitz::Array<Histogram1D, 2>& fresh,
                            blitz::Array<Histogram1D, 2>& out, int32_t w0, int32_t w1,
                            int32_t bits);

}  // namespace

void accumulateBlockHistograms(const blitz::Array<Histogram1D, 2>& fresh,
                               blitz::Array<Histogram1D, 2>& out, int32_t windowRadius,
                               int32_t bits, bool normalise) {
  const int32_t b0 = fresh.lbound(0), e0 = fresh.ubound(0);
  const int32_t b1 = fresh.lbound(1), e1 = fresh.ubound(1);
  const int64_t window = 2 * int64_t(std::max(windowRadius, 0)) + 1;
  const int32_t w0 = static_cast<int32_t>(std::min<int64_t>(window, fresh.extent(0)));
  const int32_t w1 = static_cast<int32_t>(std::min<int64_t>(window, fresh.extent(1)));

  // Small windows are summed directly: no intermediate histograms to allocate and free.
  // (Normalising a block and then copying it to the edge gives what copying and then
  // normalising does.)
  const Box box{b0 + w0 - 1 - w0 / 2, b1 + w1 - 1 - w1 / 2, e0 - w0 / 2, e1 - w1 / 2};
  if (w0 >= 1 && w1 >= 1 && int64_t(w0) * w1 <= 25 && !box.empty() &&
      sumWindows(fresh, out, box, w0, w1, bits, normalise)) {
    replicateEdges(out, box,
                   [](Histogram1D& to, const Histogram1D& from) { to.takeBinsFrom(from); });
    return;
  }
  accumulateByLinePasses(fresh, out, w0, w1, bits);
  if (normalise) normaliseHistograms(out);
}

namespace {

void accumulateByLinePasses(const blitz::Array<Histogram1D, 2>& fresh,
                            blitz::Array<Histogram1D, 2>& out, int32_t w0, int32_t w1,
                            int32_t bits) {
  const int32_t b0 = fresh.lbound(0), e0 = fresh.ubound(0);
  const int32_t b1 = fresh.lbound(1), e1 = fresh.ubound(1);
  const HistogramMerge merge{bits, 0};
  const unsigned threads = processorCount();

  // Along the rows: output position p of the pass is block row p - w0 / 2, which centres the
  // window on its block. Every block column is a line of its own, so bands of columns run
  // apart; all of them give the same rows.
  blitz::Array<Histogram1D, 2> rowsOut = out;
  rowsOut.reindexSelf(blitz::TinyVector<int, 2>(b0 + w0 / 2, b1));
  const Box columnsBox{b1, b0, e1, e0};
  std::atomic<int32_t> firstRow{0}, lastRow{-1};
  forEachBand(b1, e1, bandStep(columnsBox, threads), threads, [&](int32_t c0, int32_t c1) {
    const Box written = morphology::convolveLineFast(
        subView(fresh, b0, c0, e0, c1), w0, merge,
        subView(rowsOut, rowsOut.lbound(0), c0, rowsOut.ubound(0), c1), ProgressRange());
    firstRow = written.lowerRow;
    lastRow = written.upperRow;
  });
  Box box{firstRow.load(), b1, lastRow.load(), e1};
  if (box.empty()) return;
  box.lowerRow -= w0 / 2;
  box.upperRow -= w0 / 2;

  // Along the columns, in place over the rows just written, each band of block rows apart.
  blitz::Array<Histogram1D, 2> columnsOut = out;
  columnsOut.reindexSelf(blitz::TinyVector<int, 2>(b0, b1 + w1 / 2));
  std::atomic<int32_t> firstColumn{0}, lastColumn{-1};
  forEachBand(box.lowerRow, box.upperRow, bandStep(box, threads), threads,
              [&](int32_t r0, int32_t r1) {
                const Box written = morphology::convolveLine(
                    subView(out, r0, b1, r1, e1),
                    subView(columnsOut, r0, columnsOut.lbound(1), r1, columnsOut.ubound(1)), w1,
                    merge, ProgressRange());
                firstColumn = written.lowerColumn;
                lastColumn = written.upperColumn;
              });
  box.lowerColumn = firstColumn.load() - w1 / 2;
  box.upperColumn = lastColumn.load() - w1 / 2;
  if (box.empty()) return;

  replicateEdges(out, box, [](Histogram1D& to, const Histogram1D& from) { to.takeBinsFrom(from); });
}

}  // namespace

void normaliseHistogram(Histogram1D& histogram) {
  const int32_t count = histogram.binCount();
  if (count == 0) return;
  int32_t* const bins = histogram.bins.data();
  const int32_t s = histogram.shift;
  for (int32_t k = 0; k < count; ++k) bins[k] >>= s;
  bins[0] = std::max(bins[0], 1);
  bins[count - 1] = std::max(bins[count - 1], 1);
}

namespace {

// Runs f on every histogram of the array, in bands of rows on every processor.
template <class F>
void forEachHistogram(blitz::Array<Histogram1D, 2>& histograms, F f) {
  if (histograms.numElements() == 0) return;
  const Box all{histograms.lbound(0), histograms.lbound(1), histograms.ubound(0),
                histograms.ubound(1)};
  const unsigned threads = processorCount();
  forEachBand(all.lowerRow, all.upperRow, bandStep(all, threads), threads,
              [&](int32_t r0, int32_t r1) {
                for (int32_t r = r0; r <= r1; ++r)
                  for (int32_t c = all.lowerColumn; c <= all.upperColumn; ++c) f(histograms(r, c));
              });
}

}  // namespace

void normaliseHistograms(blitz::Array<Histogram1D, 2>& histograms) {
  forEachHistogram(histograms, [](Histogram1D& h) { normaliseHistogram(h); });
}

}  // namespace classification
