#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <mutex>
#include <utility>
#include <vector>

#include "classification/GradientUpdater.h"
#include "classification/Segmentation.h"
#include "morphology/convolve.h"
#include "util/ArrayDomain.h"
#include "util/BlitzViews.h"
#include "util/BoxOps.h"
#include "util/NoLabel.h"
#include "util/ParallelBands.h"
#include "util/ProcessorCount.h"
#include "util/SaturatingCast.h"

// The gradient stage of the segmentation: per pixel the spread-weighted colour differences of
// the updaters, scaled to bytes and taken to the maximum and minimum over 2 x 2 neighbourhoods.

using corvane::arrayOver;
using corvane::Box;
using corvane::ByteComponentView;
using corvane::coversExactly;
using corvane::extractByteComponent;
using corvane::forEachBand;
using corvane::IndexPair;
using corvane::processorCount;
using corvane::saturatingCast;
using corvane::subView;
using corvane::widened;
using corvane::WorkerPool;
namespace morphology = corvane::morphology;

namespace classification {

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
  gradientNext_.first = corvane::clampToInt32(int64_t(gradientNext_.first) + gradientStep_);
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

namespace {

using Values = blitz::Array<GradientUpdater::Values, 2>;
using GradientPixel = Segmentation<6, 0>::GradientPixel;

// Rows of the value array per band, a few bands per worker. Every output row of the stage
// depends only on its own and the previous row of values.
int32_t gradientBandRows(const Box& valued, unsigned threads) {
  const int32_t rows = valued.upperRow - valued.lowerRow + 1;
  return threads <= 1
             ? rows
             : std::max<int32_t>(8, (rows + 4 * int32_t(threads) - 1) / (4 * int32_t(threads)));
}

// The least of the finite second values and the greatest of the finite first values (both 0
// when none is finite). Both are exact, so the bands may meet in any order.
std::pair<float, float> finiteExtremes(const Values& values, const Box& valued, int32_t bandRows,
                                       unsigned threads) {
  float m = std::numeric_limits<float>::max();
  float M = std::numeric_limits<float>::lowest();
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
  if (m > M) return {0.0f, 0.0f};  // nothing finite to scale by
  return {m, M};
}

// One channel of the gradient image: channel 0 the maximum, channel 1 the minimum of the
// scaled values over the four 2 x 2 neighbourhoods that contain the pixel. The scaled bytes
// go along the rows into a scratch array, then along the columns into the channel itself. A
// band of output rows converts its own rows and the one above into contiguous scratch planes,
// so that no band reads another's output; columns left and right of the written box copy its
// edge columns as soon as the band is done. Answers the written columns.
std::pair<int32_t, int32_t> spreadGradientChannel(int channel, const Values& values,
                                                  const Box& valued, const Box& rowsBox,
                                                  int32_t bandRows, unsigned threads, float m,
                                                  float scale,
                                                  blitz::Array<GradientPixel, 2>& gradientImage,
                                                  blitz::Array<GradientPixel, 2>& gradientView) {
  const int32_t window = 2;
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
  return {firstColumn.load(), lastColumn.load()};
}

// The rows above and below the inner box take its first and last row in channels 0 and 1,
// margins included (those already hold the row's edge values).
void replicateOuterRows(blitz::Array<GradientPixel, 2>& gradientImage, const Box& inner) {
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
}

}  // namespace

bool Segmentation<6, 0>::updateGradients(bool forced, ProgressRange range) {
  allocateGradientImages();
  if (!forced) return false;

  const BlockGrid grid = currentGrid();
  range.checkpoint("src/classification/Segmentation", 256, "After array creation", 0.1f);

  gradientPool_.resetCounter(WorkerPool::kNoJob);
  const unsigned threads = std::max(processorCount(), 1u);
  {
    std::lock_guard<std::mutex> lock(gradientPool_.mutex());
    // Bands of 64 rows, or at the working size of a photo (some 800 rows) fewer, so that every
    // worker gets a few: the rows cost alike, and a dozen bands on eight workers would leave
    // half of them idle for the last round.
    const int64_t rows = int64_t(imageDomain.upperRow) - imageDomain.lowerRow;
    gradientStep_ = int32_t(std::min<int64_t>(64, std::max<int64_t>(8, rows / (4 * threads))));
    gradientFirst_ = IndexPair{imageDomain.lowerRow, imageDomain.lowerColumn};
    gradientNext_ = gradientFirst_;
    gradientLast_ = IndexPair{imageDomain.upperRow, imageDomain.upperColumn};
    gradientProgress_ = ProgressRange(range.ui(), range.map(0.1f), range.map(0.6f));
  }
  // One value pair per pixel that has a right and a lower neighbour.
  const Box valued{imageDomain.lowerRow, imageDomain.lowerColumn, imageDomain.upperRow - 1,
                   imageDomain.upperColumn - 1};
  Values values = arrayOver<GradientUpdater::Values>(valued);
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

  const int32_t bandRows = gradientBandRows(valued, threads);
  const auto [m, M] = finiteExtremes(values, valued, bandRows, threads);
  gradientScale = M == m ? 1.0f : 255.99f / (M - m);

  const Box rowsBox{valued.lowerRow + 1, valued.lowerColumn, valued.upperRow, valued.upperColumn};
  Box inner{rowsBox.lowerRow, 0, rowsBox.upperRow, -1};
  for (int channel = 0; channel < 2; ++channel) {
    range.report(corvane::kNoLabel, channel == 0 ? 0.8f : 0.9f);
    const auto [first, last] =
        spreadGradientChannel(channel, values, valued, rowsBox, bandRows, threads, m, gradientScale,
                              gradientImage, gradientView);
    inner.lowerColumn = first;
    inner.upperColumn = last;
  }
  values.free();

  if (rowsBox.empty() || inner.empty()) {
    gradientImage = GradientPixel(0, 0, 0);
    return true;
  }
  replicateOuterRows(gradientImage, inner);
  return true;
}

}  // namespace classification
