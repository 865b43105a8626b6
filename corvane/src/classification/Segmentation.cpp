#include "classification/Segmentation.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <mutex>
#include <string>

#include "classification/GradientUpdater.h"
#include "classification/HistogramUpdater.h"
#include "morphology/convolve.h"
#include "util/BlitzViews.h"
#include "util/BoxOps.h"
#include "util/EdgeReplication.h"
#include "util/NoLabel.h"
#include "util/ParallelBands.h"
#include "util/ProcessorCount.h"
#include "util/SaturatingCast.h"
#include "watershed/WatershedTimed.h"

using corvane::Box;
using corvane::ByteComponentView;
using corvane::ComponentView;
using corvane::extractByteComponent;
using corvane::forEachBand;
using corvane::IndexPair;
using corvane::TimedWatershedState;
using corvane::WatershedLabels;
using corvane::WorkerPool;
namespace morphology = corvane::morphology;
using corvane::processorCount;
using corvane::replicateEdges;
using corvane::saturatingCast;
using corvane::subView;
using corvane::watershedInnerTimed;

namespace classification {

namespace {

// An array over the inclusive box; an empty box gives an array without elements (and
// without an index base: Blitz would offset its null storage by the base).
template <class T>
blitz::Array<T, 2> arrayOver(const Box& box) {
  if (box.empty()) return blitz::Array<T, 2>();
  const IndexPair extents = rectExtents(box);
  return blitz::Array<T, 2>(blitz::TinyVector<int, 2>(box.lowerRow, box.lowerColumn),
                            blitz::TinyVector<int, 2>(extents.first, extents.second));
}

template <class T>
bool coversExactly(const blitz::Array<T, 2>& a, const Box& box) {
  const IndexPair extents = box.empty() ? IndexPair{0, 0} : rectExtents(box);
  if (a.extent(0) != extents.first || a.extent(1) != extents.second) return false;
  return box.empty() || (a.lbound(0) == box.lowerRow && a.lbound(1) == box.lowerColumn);
}

Box widened(Box box, int32_t margin) {
  expandDomain(box, margin);
  return box;
}

int64_t saturatingProduct(int64_t a, int64_t b) {
  int64_t p;
  if (!__builtin_mul_overflow(a, b, &p)) return p;
  return (a < 0) != (b < 0) ? std::numeric_limits<int64_t>::min()
                            : std::numeric_limits<int64_t>::max();
}

int32_t clampTo32(int64_t v) {
  return static_cast<int32_t>(
      std::min<int64_t>(std::max<int64_t>(v, std::numeric_limits<int32_t>::min()),
                        std::numeric_limits<int32_t>::max()));
}

// The sub-range of a run's range for one stage, in the run's own arithmetic: the end is
// e * g + s * (1 - g) with the complement given as a constant.
ProgressRange stageRange(const ProgressRange& run, float& current, float g, float complement) {
  const float s = run.start();
  const float e = run.end();
  const ProgressRange sub(run.ui(), (1.0f - current) * s + current * e, e * g + s * complement,
                          0.0f);
  current = g;
  return sub;
}

// The two block centres around pixel index `index` and the weight of the first, for the
// bilinear spread of block values to pixels.
struct CentrePair {
  int32_t first;
  int32_t second;
  float weight;
};

CentrePair centrePair(int32_t index, float inverseBlockSize, int32_t lower, int32_t upper) {
  const float t = (static_cast<float>(index) + 0.5f) * inverseBlockSize;
  int32_t i0 = static_cast<int32_t>(std::floor(t - 0.5f));
  int32_t i1 = i0 + 1;
  const float w = (static_cast<float>(i1) + 0.5f) - t;
  i0 = std::min(std::max(i0, lower), upper);
  i1 = std::min(std::max(i1, lower), upper);
  return CentrePair{i0, i1, w};
}

// A value the rise limit never takes from: larger than any real map value plus a step.
constexpr int32_t kUnreachedValue = 0x3FFFFFFF;

}  // namespace

BlockGrid blockGridOf(const Box& imageDomain, int32_t blockSize) {
  const int32_t bs = std::max(blockSize, 1);
  if (imageDomain.empty()) return BlockGrid{Box{0, 0, -1, -1}, bs};
  return BlockGrid{Box{imageDomain.lowerRow / bs, imageDomain.lowerColumn / bs,
                       imageDomain.upperRow / bs, imageDomain.upperColumn / bs},
                   bs};
}

Segmentation<6, 0>::Segmentation() {
  channelFlags.fill(true);
  initPartitionArray(partitionHistogram);
}

void Segmentation<6, 0>::initPartitionArray(Histogram1D& histogram) {
  histogram.bins.free();
  subdivideRange(histogram, 0, 0, 1, 0);
  histogram.bins = 0;
  histogram.firstModeNode = 0;
  histogram.endModeNode = 0;
}

void Segmentation<6, 0>::setImage(const blitz::Array<ImagePixel, 2>& newImage) {
  image.reference(newImage);
  imageDomain = Box{newImage.lbound(0), newImage.lbound(1), newImage.ubound(0), newImage.ubound(1)};
  assignLevelRecord(LevelRecord());
}

void Segmentation<6, 0>::resetLevelRecords() {
  for (int slot = 0; slot < kChannelCount; ++slot) levelRecords[slot] = baseRecord;
  if (std::any_of(channelFlags.begin(), channelFlags.end(), [](bool f) { return f; }))
    levelRecords[kRegionSlot] = baseRecord;
}

void Segmentation<6, 0>::assignLevelRecord(const LevelRecord& record) {
  levelRecords.fill(record);
}

bool Segmentation<6, 0>::run(ProgressRange range) {
  if (std::none_of(channelFlags.begin(), channelFlags.end(), [](bool f) { return f; })) {
    range.report(corvane::kNoLabel, 1.0f);
    return false;
  }
  try {
    float f = range.current();
    bool changed = updateHistograms(false, stageRange(range, f, 0.14285715f, 0.85714287f));
    changed |= watershedLevels(changed, stageRange(range, f, 0.2857143f, 0.71428573f));
    changed |= updateGradients(changed, stageRange(range, f, 0.42857143f, 0.5714286f));
    changed |= buildLocalValueMap(changed, stageRange(range, f, 0.44285715f, 0.55714285f));
    changed |= watershedInnerStage(changed, stageRange(range, f, 1.0f, 0.0f));
    resetLevelRecords();
    return changed;
  } catch (...) {
    assignLevelRecord(LevelRecord());
    throw;
  }
}

// --- Histograms ---

bool Segmentation<6, 0>::updateHistograms(bool /*forced*/, ProgressRange range) {
  const BlockGrid grid = currentGrid();
  if (!coversExactly(blockHistograms, grid.blocks))
    blockHistograms.reference(arrayOver<BlockHistograms>(grid.blocks));
  histogramsChanged_ = false;
  histogramProgress_ = range.subRange(1.0f);
  histogramPool_.resetCounter(kChannelCount - 1);
  HistogramUpdater updater(this, WorkerPool::kNoJob);
  histogramPool_.run(
      1, [&updater](unsigned) { updater(); },
      [this, &updater](unsigned) { updater = HistogramUpdater(this, nextHistogramJob()); });
  return histogramsChanged_;
}

uint32_t Segmentation<6, 0>::nextHistogramJob() {
  return histogramPool_.takeDescending([this](uint32_t job) {
    if (histogramPool_.stopped()) return;
    // Unsigned: the job after channel 0 (~0) reports 7 / 6, cut to 1.
    const float f = std::min(static_cast<float>(6u - job) / 6.0f, 1.0f);
    histogramProgress_.report(corvane::kNoLabel, f);
  });
}

void Segmentation<6, 0>::setHistogramsChanged(bool changed) {
  std::lock_guard<std::mutex> lock(histogramPool_.mutex());
  histogramsChanged_ = histogramsChanged_ || changed;
}

void Segmentation<6, 0>::setHistogramCancelled() {
  histogramPool_.setCancelled();
}

void Segmentation<6, 0>::setHistogramFailed() {
  histogramPool_.setFailed();
}

bool Segmentation<6, 0>::updateChannelHistograms(int channel, ProgressRange /*range*/) {
  const LevelRecord& slot = levelRecords[static_cast<size_t>(channel)];
  if (slot.histogramBits == baseRecord.histogramBits &&
      slot.blockHistogramKind == baseRecord.blockHistogramKind &&
      slot.blockSize == baseRecord.blockSize && slot.windowRadius == baseRecord.windowRadius &&
      (slot.histogramMode == baseRecord.histogramMode || slot.histogramMode > 2))
    return false;

  const BlockGrid grid = currentGrid();
  if (grid.blocks.empty()) return true;
  const ComponentView<ImagePixel, unsigned char> plane(image, channel);
  blitz::Array<Histogram1D, 2> fresh = freshBlockHistograms(
      plane.array(), imageDomain, grid, baseRecord.histogramBits, baseRecord.blockHistogramKind);
  ComponentView<BlockHistograms, Histogram1D> sums(blockHistograms, channel);
  accumulateBlockHistograms(fresh, sums.array(), baseRecord.windowRadius, baseRecord.histogramBits);
  normaliseHistograms(sums.array());
  releaseHistograms(fresh);
  return true;
}

// --- Modes of the channel histograms ---

bool Segmentation<6, 0>::watershedLevels(bool forced, ProgressRange range) {
  bool changed = false;
  BlockHistograms* const first = blockHistograms.data();
  BlockHistograms* const last = first + blockHistograms.numElements();
  for (int channel = 0; channel < kChannelCount; ++channel) {
    const float end = static_cast<float>((channel + 0.99) * 0.16666666666666666);
    changed |= watershedFirst(forced, levelRecords[static_cast<size_t>(channel)].levelThreshold,
                              baseRecord.levelThreshold, partitionHistogram, first, last, channel,
                              modeNodeLists[static_cast<size_t>(channel)], range.subRange(end));
  }
  return changed;
}

// --- Gradients ---

GradientBand Segmentation<6, 0>::nextGradientBand() {
  GradientBand band;
  if (gradientPool_.stopped()) return band;
  std::lock_guard<std::mutex> lock(gradientPool_.mutex());
  if (gradientNext_.first > gradientLast_.first) return band;
  const int32_t span = gradientLast_.first - gradientFirst_.first;
  const float f = span == 0 ? 0.0f
                            : static_cast<float>(gradientNext_.first - gradientFirst_.first) /
                                  static_cast<float>(span);
  gradientProgress_.report(corvane::kNoLabel, f);
  band.lower = gradientNext_;
  band.upper = IndexPair{static_cast<int32_t>(std::min<int64_t>(
                             int64_t(gradientNext_.first) + gradientStep_, gradientLast_.first)),
                         gradientLast_.second};
  gradientNext_.first = clampTo32(int64_t(gradientNext_.first) + gradientStep_);
  return band;
}

void Segmentation<6, 0>::setGradientCancelled() {
  gradientPool_.setCancelled();
}

void Segmentation<6, 0>::setGradientFailed() {
  gradientPool_.setFailed();
}

void Segmentation<6, 0>::blockSpreads(const BlockHistograms& block, const unsigned char* lo,
                                      const unsigned char* hi, float& s1, float& s2) const {
  for (int c = 0; c < kChannelCount; ++c) {
    const Histogram1D& h = block[c];
    const NodeList& nodes = modeNodeLists[static_cast<size_t>(c)];
    int32_t e = h.firstModeNode;
    const int32_t end = std::min<int64_t>(h.endModeNode, static_cast<int64_t>(nodes.size()));
    if (e < 0 || e >= end) continue;
    const int32_t loBin = lo[c] >> h.shift;
    const int32_t hiBin = hi[c] >> h.shift;
    while (e < end - 1 && nodes[static_cast<size_t>(e)].valleyIndex < loBin) ++e;
    const Node& found = nodes[static_cast<size_t>(e)];
    int32_t a;
    int32_t b;
    if (found.valleyIndex < hiBin) {
      // The interval crosses valleys: the steepest of them sets both spreads.
      const Node* best = &found;
      float bestRatio = static_cast<float>(found.sidePeak) / static_cast<float>(found.valleyCount);
      for (int32_t k = e + 1; k < end && nodes[static_cast<size_t>(k)].valleyIndex < hiBin; ++k) {
        const Node& node = nodes[static_cast<size_t>(k)];
        const float ratio =
            static_cast<float>(node.sidePeak) / static_cast<float>(node.valleyCount);
        if (ratio > bestRatio) {
          bestRatio = ratio;
          best = &node;
        }
      }
      a = best->sidePeak;
      b = best->valleyCount;
    } else {
      a = found.peakCount;
      b = found.peakCount;
    }
    // An empty valley would make the spread infinite and the gradient NaN.
    const float af = static_cast<float>(std::max(a, 1));
    const float bf = static_cast<float>(std::max(b, 1));
    s1 += 1.0f / (af * af);
    s2 += 1.0f / (bf * bf);
  }
}

void Segmentation<6, 0>::allocateGradientImages() {
  const Box wide = widened(imageDomain, 2);
  if (!coversExactly(gradientImage, wide)) {
    gradientImage.reference(arrayOver<GradientPixel>(wide));
    gradientImage = GradientPixel(0, 0, 0);
  }
  gradientView.reference(subView(gradientImage, imageDomain.lowerRow, imageDomain.lowerColumn,
                                 imageDomain.upperRow, imageDomain.upperColumn));
}

bool Segmentation<6, 0>::updateGradients(bool forced, ProgressRange range) {
  allocateGradientImages();
  if (!forced) return false;

  const BlockGrid grid = currentGrid();
  range.checkpoint("src/classification/Segmentation", 256, "After array creation", 0.1f);

  gradientPool_.resetCounter(WorkerPool::kNoJob);
  {
    std::lock_guard<std::mutex> lock(gradientPool_.mutex());
    gradientFirst_ = IndexPair{imageDomain.lowerRow, imageDomain.lowerColumn};
    gradientNext_ = gradientFirst_;
    gradientLast_ = IndexPair{imageDomain.upperRow, imageDomain.upperColumn};
    gradientProgress_ = ProgressRange(range.ui(), range.map(0.1f), range.map(0.6f));
  }
  // One value pair per pixel that has a right and a lower neighbour.
  const Box valued{imageDomain.lowerRow, imageDomain.lowerColumn, imageDomain.upperRow - 1,
                   imageDomain.upperColumn - 1};
  blitz::Array<GradientUpdater::Values, 2> values = arrayOver<GradientUpdater::Values>(valued);
  const unsigned threads = std::max(processorCount(), 1u);
  const SpreadTables tables = buildSpreadTables(*this);
  std::vector<GradientUpdater> updaters(threads, GradientUpdater(this, grid, values, &tables));
  gradientPool_.run(
      threads, [&updaters](unsigned i) { updaters[i](); },
      [this, &updaters](unsigned i) { updaters[i].setBand(nextGradientBand()); });

  const bool twoByTwo = !imageDomain.empty() && imageDomain.upperRow > imageDomain.lowerRow &&
                        imageDomain.upperColumn > imageDomain.lowerColumn;
  if (!twoByTwo) {
    gradientScale = 1.0f;
    gradientImage = GradientPixel(0, 0, 0);
    return true;
  }

  // Bands of rows of the value array, a few per worker. The tail below works band by band:
  // every output row depends only on its own and the previous row of values.
  const int32_t bandRows = threads <= 1 ? valued.upperRow - valued.lowerRow + 1
                                        : std::max<int32_t>(8, (valued.upperRow - valued.lowerRow +
                                                                1 + 4 * int32_t(threads) - 1) /
                                                                   (4 * int32_t(threads)));

  // The extremes of the finite values; both are exact, so the bands may meet in any order.
  float m = std::numeric_limits<float>::max();
  float M = std::numeric_limits<float>::lowest();
  {
    std::mutex extremesMutex;
    forEachBand(valued.lowerRow, valued.upperRow, bandRows, threads, [&](int32_t r0, int32_t r1) {
      float bandMin = std::numeric_limits<float>::max();
      float bandMax = std::numeric_limits<float>::lowest();
      for (int32_t r = r0; r <= r1; ++r) {
        const GradientUpdater::Values* row = &values(r, valued.lowerColumn);
        for (int32_t k = 0, n = valued.upperColumn - valued.lowerColumn + 1; k < n; ++k) {
          if (std::isfinite(row[k][1])) bandMin = std::min(bandMin, row[k][1]);
          if (std::isfinite(row[k][0])) bandMax = std::max(bandMax, row[k][0]);
        }
      }
      std::lock_guard<std::mutex> lock(extremesMutex);
      m = std::min(m, bandMin);
      M = std::max(M, bandMax);
    });
  }
  if (m > M) {
    // Nothing finite to scale by.
    m = 0.0f;
    M = 0.0f;
  }
  gradientScale = M == m ? 1.0f : 255.99f / (M - m);

  // Channel 0 becomes the maximum, channel 1 the minimum over the four 2 x 2 neighbourhoods
  // that contain the pixel: the scaled bytes along the rows into a scratch array, then along
  // the columns into the channel itself. A band of output rows converts its own rows and the
  // one above into contiguous scratch planes, so that no band reads another's output; rows
  // left and right of the inner box copy its edge columns as soon as the band is done.
  const int32_t window = 2;
  const Box rowsBox{valued.lowerRow + 1, valued.lowerColumn, valued.upperRow, valued.upperColumn};
  const float scale = gradientScale;
  Box inner{rowsBox.lowerRow, 0, rowsBox.upperRow, -1};
  for (int channel = 0; channel < 2; ++channel) {
    range.report(corvane::kNoLabel, channel == 0 ? 0.8f : 0.9f);
    ByteComponentView out = extractByteComponent(gradientView, channel);
    blitz::Array<unsigned char, 2>& outArray = out.array();
    std::atomic<int32_t> firstColumn{0}, lastColumn{-1};
    forEachBand(rowsBox.lowerRow, rowsBox.upperRow, bandRows, threads, [&](int32_t r0, int32_t r1) {
      blitz::Array<unsigned char, 2> scaled =
          arrayOver<unsigned char>(Box{r0 - 1, valued.lowerColumn, r1, valued.upperColumn});
      unsigned char* to = scaled.data();
      for (int32_t r = r0 - 1; r <= r1; ++r) {
        const GradientUpdater::Values* from = &values(r, valued.lowerColumn);
        for (int32_t k = 0, n = valued.upperColumn - valued.lowerColumn + 1; k < n; ++k)
          *to++ = saturatingCast<unsigned char>((from[k][channel] - m) * scale);
      }
      blitz::Array<unsigned char, 2> rowPass =
          arrayOver<unsigned char>(Box{r0, rowsBox.lowerColumn, r1, rowsBox.upperColumn});
      Box written;
      if (channel == 0) {
        morphology::convolveLineFast(scaled, window, morphology::RunningMaximum{}, rowPass,
                                     ProgressRange());
        written = morphology::convolveLine(rowPass, outArray, window, morphology::RunningMaximum{},
                                           ProgressRange());
      } else {
        morphology::convolveLineFast(scaled, window, morphology::RunningMinimum{}, rowPass,
                                     ProgressRange());
        written = morphology::convolveLine(rowPass, outArray, window, morphology::RunningMinimum{},
                                           ProgressRange());
      }
      if (written.empty()) return;
      firstColumn = written.lowerColumn;
      lastColumn = written.upperColumn;
      for (int32_t r = r0; r <= r1; ++r) {
        GradientPixel* const row = &gradientImage(r, gradientImage.lbound(1));
        const std::ptrdiff_t step = gradientImage.stride(1);
        const int32_t base = gradientImage.lbound(1);
        const unsigned char left = row[(written.lowerColumn - base) * step][channel];
        const unsigned char right = row[(written.upperColumn - base) * step][channel];
        for (int32_t c = base; c < written.lowerColumn; ++c) row[(c - base) * step][channel] = left;
        for (int32_t c = written.upperColumn + 1; c <= gradientImage.ubound(1); ++c)
          row[(c - base) * step][channel] = right;
      }
    });
    inner.lowerColumn = firstColumn.load();
    inner.upperColumn = lastColumn.load();
  }
  values.free();

  if (rowsBox.empty() || inner.empty()) {
    gradientImage = GradientPixel(0, 0, 0);
    return true;
  }
  // The rows above and below the inner box take its first and last row, margins included
  // (those already hold the row's edge values).
  for (int32_t r = gradientImage.lbound(0); r <= gradientImage.ubound(0); ++r) {
    if (r >= inner.lowerRow && r <= inner.upperRow) continue;
    const int32_t from = r < inner.lowerRow ? inner.lowerRow : inner.upperRow;
    for (int32_t c = gradientImage.lbound(1); c <= gradientImage.ubound(1); ++c) {
      GradientPixel& to = gradientImage(r, c);
      const GradientPixel& source = gradientImage(from, c);
      to[0] = source[0];
      to[1] = source[1];
    }
  }
  return true;
}

// --- Local value map ---

int32_t Segmentation<6, 0>::blockValue(const BlockHistograms& block, int32_t lo, int32_t hi) const {
  int64_t a2 = 0;
  float b2 = 0.0f;
  for (int c = 0; c < kChannelCount; ++c) {
    const Histogram1D& h = block[c];
    if (h.bestValleyNode == -1) continue;
    const NodeList& nodes = modeNodeLists[static_cast<size_t>(c)];
    if (h.bestValleyNode < 0 || static_cast<size_t>(h.bestValleyNode) >= nodes.size()) continue;
    const Node& node = nodes[static_cast<size_t>(h.bestValleyNode)];
    const int64_t a = node.peakDistance;
    const float b = static_cast<float>(node.valleyCount);
    a2 += (a * a) << (2 * h.shift);
    b2 += 1.0f / (b * b);
  }
  if (a2 == 0) return hi;
  const int32_t value = saturatingCast<int32_t>(std::sqrt(static_cast<float>(a2) / b2));
  return std::min(std::max(value, lo), hi);
}

bool Segmentation<6, 0>::buildLocalValueMap(bool forced, ProgressRange range) {
  if (!forced && levelRecords[kRegionSlot].valueLimit == baseRecord.valueLimit) return false;

  const BlockGrid grid = currentGrid();
  const int64_t window =
      saturatingProduct(2 * int64_t(std::max(baseRecord.windowRadius, 0)) + 1, grid.blockSize);
  const int64_t limit = baseRecord.valueLimit;
  const int32_t lo = clampTo32(saturatingProduct(saturatingProduct(limit, window), 1024));
  const int32_t hi = clampTo32(std::min(saturatingProduct(255 * 1024, window),
                                        saturatingProduct(saturatingProduct(limit, window), 4096)));

  blitz::Array<int32_t, 2> blockValues = arrayOver<int32_t>(grid.blocks);
  for (int i = grid.blocks.lowerRow; i <= grid.blocks.upperRow; ++i)
    for (int j = grid.blocks.lowerColumn; j <= grid.blocks.upperColumn; ++j)
      blockValues(i, j) = blockValue(blockHistograms(i, j), lo, hi);
  range.report(corvane::kNoLabel, 0.1f);

  // The image widened by one pixel whose margin never lowers a neighbour.
  const Box& d = imageDomain;
  blitz::Array<int32_t, 2> values = arrayOver<int32_t>(widened(d, 1));
  const float inverseBlockSize = 1.0f / static_cast<float>(grid.blockSize);
  const int32_t divisor =
      saturatingCast<int32_t>(std::ceil(static_cast<float>(window) * 1024.0f * 0.0068709636f));
  const int32_t rows = d.empty() ? 0 : d.upperRow - d.lowerRow + 1;
  const unsigned threads = processorCount();
  if (!d.empty()) {
    // Only the margin: the spread below writes every pixel of the image.
    values(values.lbound(0), blitz::Range::all()) = kUnreachedValue;
    values(values.ubound(0), blitz::Range::all()) = kUnreachedValue;
    values(blitz::Range::all(), values.lbound(1)) = kUnreachedValue;
    values(blitz::Range::all(), values.ubound(1)) = kUnreachedValue;

    ProgressRange spread(range.ui(), range.map(0.1f), range.map(0.5f));
    std::vector<CentrePair> columnPairs;
    for (int s = d.lowerColumn; s <= d.upperColumn; ++s)
      columnPairs.push_back(
          centrePair(s, inverseBlockSize, grid.blocks.lowerColumn, grid.blocks.upperColumn));
    const std::ptrdiff_t blockColumn = blockValues.stride(1);
    auto spreadRows = [&](int32_t first, int32_t last) {
      for (int r = first; r <= last; ++r) {
        const CentrePair ri =
            centrePair(r, inverseBlockSize, grid.blocks.lowerRow, grid.blocks.upperRow);
        const float wr = ri.weight;
        const int32_t* const top = &blockValues(ri.first, grid.blocks.lowerColumn);
        const int32_t* const bottom = &blockValues(ri.second, grid.blocks.lowerColumn);
        int32_t* out = &values(r, d.lowerColumn);
        for (const CentrePair& sj : columnPairs) {
          const float ws = sj.weight;
          const std::ptrdiff_t j0 = (sj.first - grid.blocks.lowerColumn) * blockColumn;
          const std::ptrdiff_t j1 = (sj.second - grid.blocks.lowerColumn) * blockColumn;
          const float v00 = static_cast<float>(top[j0]);
          const float v01 = static_cast<float>(top[j1]);
          const float v10 = static_cast<float>(bottom[j0]);
          const float v11 = static_cast<float>(bottom[j1]);
          const int32_t value = saturatingCast<int32_t>(
              wr * (ws * v00 + (1.0f - ws) * v01) + (1.0f - wr) * (ws * v10 + (1.0f - ws) * v11));
          *out++ = value / divisor;
        }
      }
    };
    // Rows are independent: a stretch of rows at a time runs in bands on all processors, and
    // the calling thread then reports each of its rows in order, as row by row.
    const int32_t stretch = 256;
    for (int32_t first = d.lowerRow; first <= d.upperRow; first += stretch) {
      const int32_t last = int32_t(std::min<int64_t>(d.upperRow, int64_t(first) + stretch - 1));
      forEachBand(first, last, 16, threads, spreadRows);
      for (int32_t r = first; r <= last; ++r)
        spread.report(corvane::kNoLabel, static_cast<float>(r - d.lowerRow) / static_cast<float>(rows));
    }
  }

  // Rise limit: chamfer steps of 70 along an axis and 99 along a diagonal.
  if (!d.empty()) {
    ProgressRange limitRange(range.ui(), range.map(0.5f), range.map(1.0f));
    const std::ptrdiff_t step = values.stride(0);
    const int32_t columns = d.upperColumn - d.lowerColumn + 1;
    for (int r = d.lowerRow; r <= d.upperRow; ++r) {
      int32_t* x = &values(r, d.lowerColumn);
      for (int32_t k = 0; k < columns; ++k, ++x) {
        int32_t v = *x;
        v = std::min(v, x[-1] + 70);
        v = std::min(v, x[-step - 1] + 99);
        v = std::min(v, x[-step] + 70);
        v = std::min(v, x[-step + 1] + 99);
        *x = v;
      }
      if ((r & 511) == 0)
        limitRange.report(corvane::kNoLabel,
                          static_cast<float>(r - d.lowerRow) / static_cast<float>(rows));
    }
    for (int r = d.upperRow; r >= d.lowerRow; --r) {
      int32_t* x = &values(r, d.upperColumn);
      for (int32_t k = 0; k < columns; ++k, --x) {
        int32_t v = *x;
        v = std::min(v, x[1] + 70);
        v = std::min(v, x[step + 1] + 99);
        v = std::min(v, x[step] + 70);
        v = std::min(v, x[step - 1] + 99);
        *x = v;
      }
      if ((r & 511) == 0)
        limitRange.report(corvane::kNoLabel,
                          static_cast<float>(d.upperRow - r) / static_cast<float>(rows));
    }
  }

  // Bytes into channel 2 of the gradient image; the local value map views them.
  allocateGradientImages();
  localValueMap = extractByteComponent(gradientImage, 2);
  blitz::Array<unsigned char, 2>& bytes = localValueMap.array();
  if (!d.empty()) {
    const std::ptrdiff_t step = bytes.stride(1);
    forEachBand(d.lowerRow, d.upperRow, 64, threads, [&](int32_t first, int32_t last) {
      for (int r = first; r <= last; ++r) {
        const int32_t* from = &values(r, d.lowerColumn);
        unsigned char* to = &bytes(r, d.lowerColumn);
        for (int s = d.lowerColumn; s <= d.upperColumn; ++s, ++from, to += step)
          *to = saturatingCast<unsigned char>(static_cast<float>(*from) / 145.54f + 0.5f);
      }
    });
  }
  if (!d.empty()) {
    replicateEdges(bytes, d, [](unsigned char& to, const unsigned char& from) { to = from; });
  }
  return true;
}

// --- Regions ---

bool Segmentation<6, 0>::watershedInnerStage(bool forced, ProgressRange range) {
  const LevelRecord& slot = levelRecords[kRegionSlot];
  if (!forced && slot.innerScale == baseRecord.innerScale &&
      slot.valueLimit == baseRecord.valueLimit)
    return false;
  if (!(baseRecord.innerScale > 1.0f)) {
    innerLabels.free();
    regionMap.free();
    innerLabelCount = -1;
    return true;
  }
  const Box wide = widened(imageDomain, 2);
  if (!coversExactly(innerLabels, wide)) innerLabels.reference(arrayOver<int32_t>(wide));
  regionMap.reference(arrayOver<int32_t>(imageDomain));
  innerLabels = -1;
  innerLabels(imageDomain.lowerRow - 1, imageDomain.lowerColumn - 1) = 0;

  // The image tolerance on the 0..255 scale of the gradient bytes. Beyond 256 every edge
  // keeps its front's priority anyway; below 0 priorities would leave the bucket range.
  const int32_t tolerance = std::min(
      std::max(saturatingCast<int32_t>(gradientScale * std::log(baseRecord.innerScale)), 0), 256);

  WatershedLabels store(innerLabels);
  store.setNextLabel(1);
  const blitz::Array<GradientPixel, 2> pixels =
      subView(gradientImage, wide.lowerRow, wide.lowerColumn, wide.upperRow, wide.upperColumn);
  TimedWatershedState state(pixels, store, widened(imageDomain, 1), tolerance);
  watershedInnerTimed(state, range.subRange(1.0f));
  innerLabelCount = store.nextLabel();
  return true;
}

}  // namespace classification
