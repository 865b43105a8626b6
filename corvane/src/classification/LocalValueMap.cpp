#include <algorithm>
#include <cmath>
#include <vector>

#include "classification/Segmentation.h"
#include "util/ArrayDomain.h"
#include "util/BoxOps.h"
#include "util/EdgeReplication.h"
#include "util/NoLabel.h"
#include "util/ParallelBands.h"
#include "util/ProcessorCount.h"
#include "util/SaturatingCast.h"

// The local value map of the segmentation: a value per block from its best valleys, spread
// bilinearly to the pixels, limited in how fast it rises, and kept as bytes in the gradient
// image's third channel (twice the blend radius).

using corvane::arrayOver;
using corvane::Box;
using corvane::extractByteComponent;
using corvane::forEachBand;
using corvane::processorCount;
using corvane::replicateEdges;
using corvane::saturatingCast;
using corvane::saturatingProduct;
using corvane::widened;

namespace classification {

namespace {

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
  const int32_t lo =
      corvane::clampToInt32(saturatingProduct(saturatingProduct(limit, window), 1024));
  const int32_t hi =
      corvane::clampToInt32(std::min(saturatingProduct(255 * 1024, window),
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
        spread.report(corvane::kNoLabel,
                      static_cast<float>(r - d.lowerRow) / static_cast<float>(rows));
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

}  // namespace classification
