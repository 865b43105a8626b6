#include "classification/GradientUpdater.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "util/CvExCancel.h"
#include "util/ParallelBands.h"
#include "util/ProcessorCount.h"

namespace classification {

namespace {

using Seg = Segmentation<6, 0>;
constexpr int kChannels = Seg::kChannelCount;

// `shift` moves the position towards the next pixel (0.5 / blockSize for the centre of a
// 2 x 2 neighbourhood).
BlockPair blockPair(int32_t index, float inverseBlockSize, float shift, int32_t lower,
                    int32_t upper) {
  const float t = (static_cast<float>(index) + 0.5f) * inverseBlockSize;
  int32_t i0 = static_cast<int32_t>(std::floor(t - 0.5f));
  int32_t i1 = i0 + 1;
  const float w = ((static_cast<float>(i1) + 0.5f) - t) - shift;
  i0 = std::min(std::max(i0, lower), upper);
  i1 = std::min(std::max(i1, lower), upper);
  return BlockPair{i0, i1, w};
}

float reciprocalSquare(int32_t v) {
  const float f = static_cast<float>(std::max(v, 1));
  return 1.0f / (f * f);
}

// The value of one channel pair from the logarithms of the four blocks' sums, weighted
// between the block centres.
inline float weightedSpread(float wr, float ws, const float (&ln)[2][2]) {
  return -(wr * (ws * ln[0][0] + (1.0f - ws) * ln[0][1]) +
           (1.0f - wr) * (ws * ln[1][0] + (1.0f - ws) * ln[1][1])) /
         2.0f;
}

// Logarithms of the last sums seen at each of the eight places. Within a block cell most
// pixels stay inside one mode in every channel and so repeat their neighbour's sums.
struct LogCache {
  float sum[8];
  float ln[8];
  LogCache() {
    for (int k = 0; k < 8; ++k) sum[k] = ln[k] = std::numeric_limits<float>::quiet_NaN();
  }
  float operator()(int k, float s) {
    if (!(s == sum[k])) {
      sum[k] = s;
      ln[k] = std::log(s);
    }
    return ln[k];
  }
};

#ifdef __SSE2__
// The six bytes of a pixel in the low bytes of a word, assembled in registers (a six-byte
// copy through memory would stall the wide load that follows it).
inline long long sixBytes(const Seg::ImagePixel& p) {
  uint32_t low;
  uint16_t high;
  std::memcpy(&low, &p, 4);
  std::memcpy(&high, reinterpret_cast<const unsigned char*>(&p) + 4, 2);
  return static_cast<long long>(low | (static_cast<uint64_t>(high) << 32));
}
#endif

// Per channel the minimum and maximum of four pixels, without branches (which the values
// of a noisy photo make unpredictable). lo and hi receive eight bytes, the last two unused.
inline void neighbourhoodRange(const Seg::ImagePixel& a, const Seg::ImagePixel& b,
                               const Seg::ImagePixel& c, const Seg::ImagePixel& d,
                               unsigned char* lo, unsigned char* hi) {
  static_assert(sizeof(Seg::ImagePixel) == 6, "six bytes per pixel");
#ifdef __SSE2__
  const __m128i va = _mm_cvtsi64_si128(sixBytes(a));
  const __m128i vb = _mm_cvtsi64_si128(sixBytes(b));
  const __m128i vc = _mm_cvtsi64_si128(sixBytes(c));
  const __m128i vd = _mm_cvtsi64_si128(sixBytes(d));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(lo),
                   _mm_min_epu8(_mm_min_epu8(va, vb), _mm_min_epu8(vc, vd)));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(hi),
                   _mm_max_epu8(_mm_max_epu8(va, vb), _mm_max_epu8(vc, vd)));
#else
  for (int k = 0; k < kChannels; ++k) {
    const int ab0 = a[k] < b[k] ? a[k] : b[k], cd0 = c[k] < d[k] ? c[k] : d[k];
    const int ab1 = a[k] < b[k] ? b[k] : a[k], cd1 = c[k] < d[k] ? d[k] : c[k];
    lo[k] = static_cast<unsigned char>(ab0 < cd0 ? ab0 : cd0);
    hi[k] = static_cast<unsigned char>(ab1 < cd1 ? cd1 : ab1);
  }
#endif
}

// blockSpreads over the spread tables: the same nodes chosen, the same terms added in the
// same order.
inline void tableSpreads(const BlockSpreadRange& block, const SpreadTables& tables,
                         const unsigned char* lo, const unsigned char* hi, float& s1, float& s2) {
  float sum1 = s1;
  float sum2 = s2;
  for (int c = 0; c < kChannels; ++c) {
    int32_t e = block.first[c];
    const int32_t end = block.end[c];
    if (e == end) continue;
    const SpreadNode* nodes = tables.nodes[static_cast<size_t>(c)].data();
    const int32_t loBin = lo[c] >> block.shift[c];
    const int32_t hiBin = hi[c] >> block.shift[c];
    while (e < end - 1 && nodes[e].valleyIndex < loBin) ++e;
    if (nodes[e].valleyIndex < hiBin) {
      int32_t best = e;
      float bestRatio = nodes[e].valleyRatio;
      for (int32_t k = e + 1; k < end && nodes[k].valleyIndex < hiBin; ++k) {
        if (nodes[k].valleyRatio > bestRatio) {
          bestRatio = nodes[k].valleyRatio;
          best = k;
        }
      }
      sum1 += nodes[best].sideTerm;
      sum2 += nodes[best].valleyTerm;
    } else {
      sum1 += nodes[e].peakTerm;
      sum2 += nodes[e].peakTerm;
    }
  }
  s1 = sum1;
  s2 = sum2;
}

}  // namespace

SpreadTables buildSpreadTables(const Segmentation<6, 0>& segmentation) {
  // Every node and every block is worked out on its own: in bands on all processors.
  SpreadTables tables;
  const unsigned threads = corvane::processorCount();
  for (int c = 0; c < kChannels; ++c) {
    const Seg::NodeList& nodes = segmentation.modeNodeLists[static_cast<size_t>(c)];
    std::vector<SpreadNode>& list = tables.nodes[static_cast<size_t>(c)];
    list.resize(nodes.size());
    corvane::forEachInParallel(nodes.size(), 16384, [&](size_t k) {
      const Seg::Node& node = nodes[k];
      list[k] = SpreadNode{node.valleyIndex,
                           static_cast<float>(node.sidePeak) / static_cast<float>(node.valleyCount),
                           reciprocalSquare(node.sidePeak), reciprocalSquare(node.valleyCount),
                           reciprocalSquare(node.peakCount)};
    });
  }
  const blitz::Array<Seg::BlockHistograms, 2>& histograms = segmentation.blockHistograms;
  tables.blocks.resize(histograms.extent(0), histograms.extent(1));
  tables.blocks.reindexSelf(histograms.lbound());
  const int rows = histograms.extent(0);
  corvane::forEachBand(
      histograms.lbound(0), histograms.ubound(0), std::max(1, rows / int(4 * threads)), threads,
      [&](int32_t first, int32_t last) {
        for (int i = first; i <= last; ++i) {
          for (int j = histograms.lbound(1); j <= histograms.ubound(1); ++j) {
            BlockSpreadRange& range = tables.blocks(i, j);
            for (int c = 0; c < kChannels; ++c) {
              const Histogram1D& h = histograms(i, j)[c];
              const int64_t size =
                  static_cast<int64_t>(tables.nodes[static_cast<size_t>(c)].size());
              const int32_t end = static_cast<int32_t>(std::min<int64_t>(h.endModeNode, size));
              const bool usable = h.firstModeNode >= 0 && h.firstModeNode < end;
              range.first[c] = usable ? h.firstModeNode : 0;
              range.end[c] = usable ? end : 0;
              range.shift[c] = h.shift;
            }
          }
        }
      });
  return tables;
}

GradientUpdater::GradientUpdater(Segmentation<6, 0>* segmentation, const BlockGrid& grid,
                                 const blitz::Array<Values, 2>& values, const SpreadTables* tables)
    : segmentation_(segmentation),
      tables_(tables),
      blocks_(grid.blocks),
      blockSize_(grid.blockSize),
      inverseBlockSize_(1.0f / static_cast<float>(grid.blockSize)),
      values_(values) {}

void GradientUpdater::operator()() {
  try {
    while (!band_.empty()) {
      computeBand();
      band_ = segmentation_->nextGradientBand();
    }
  } catch (const CvExCancel&) {
    segmentation_->setGradientCancelled();
  } catch (...) {
    segmentation_->setGradientFailed();
  }
}

BlockPair GradientUpdater::rowPair(int32_t r) const {
  return blockPair(r, inverseBlockSize_, 0.5f / static_cast<float>(blockSize_), blocks_.lowerRow,
                   blocks_.upperRow);
}

BlockPair GradientUpdater::columnPair(int32_t s) const {
  return blockPair(s, inverseBlockSize_, 0.5f / static_cast<float>(blockSize_), blocks_.lowerColumn,
                   blocks_.upperColumn);
}

void GradientUpdater::computeBand() {
  const Seg& seg = *segmentation_;
  const SpreadTables& tables = *tables_;
  const int32_t s0 = band_.lower.second;
  const int32_t s1End = band_.upper.second;
  if (s1End <= s0) return;
  std::vector<BlockPair> columns;
  columns.reserve(static_cast<size_t>(s1End - s0));
  for (int32_t s = s0; s < s1End; ++s) columns.push_back(columnPair(s));

  LogCache logs;
  const std::ptrdiff_t imageColumn = seg.image.stride(1);
  const std::ptrdiff_t blockColumn = tables.blocks.stride(1);
  for (int32_t r = band_.lower.first; r < band_.upper.first; ++r) {
    const BlockPair rows = rowPair(r);
    const Seg::ImagePixel* top = &seg.image(r, s0);
    const Seg::ImagePixel* bottom = &seg.image(r + 1, s0);
    // Blocks of the column pair's first block column; offsets reach the others.
    const BlockSpreadRange* firstRow = &tables.blocks(rows.first, blocks_.lowerColumn);
    const BlockSpreadRange* secondRow = &tables.blocks(rows.second, blocks_.lowerColumn);
    Values* out = &values_(r, s0);
    const std::ptrdiff_t outColumn = values_.stride(1);
    for (int32_t s = s0; s < s1End; ++s, top += imageColumn, bottom += imageColumn) {
      unsigned char lo[8];
      unsigned char hi[8];
      neighbourhoodRange(top[0], top[imageColumn], bottom[0], bottom[imageColumn], lo, hi);
      const BlockPair& cols = columns[static_cast<size_t>(s - s0)];
      const std::ptrdiff_t j0 = (cols.first - blocks_.lowerColumn) * blockColumn;
      const std::ptrdiff_t j1 = (cols.second - blocks_.lowerColumn) * blockColumn;
      float sum1[2][2] = {{0.0f, 0.0f}, {0.0f, 0.0f}};
      float sum2[2][2] = {{0.0f, 0.0f}, {0.0f, 0.0f}};
      tableSpreads(firstRow[j0], tables, lo, hi, sum1[0][0], sum2[0][0]);
      tableSpreads(secondRow[j0], tables, lo, hi, sum1[1][0], sum2[1][0]);
      tableSpreads(firstRow[j1], tables, lo, hi, sum1[0][1], sum2[0][1]);
      tableSpreads(secondRow[j1], tables, lo, hi, sum1[1][1], sum2[1][1]);
      float ln1[2][2];
      float ln2[2][2];
      for (int a = 0; a < 2; ++a) {
        for (int b = 0; b < 2; ++b) {
          ln1[a][b] = logs(2 * a + b, sum1[a][b]);
          ln2[a][b] = logs(4 + 2 * a + b, sum2[a][b]);
        }
      }
      Values& v = out[(s - s0) * outColumn];
      v[0] = weightedSpread(rows.weight, cols.weight, ln1);
      v[1] = weightedSpread(rows.weight, cols.weight, ln2);
    }
  }
}

GradientUpdater::Values GradientUpdater::pixelValues(int32_t r, int32_t s) const {
  const Seg& seg = *segmentation_;
  unsigned char lo[kChannels];
  unsigned char hi[kChannels];
  const Seg::ImagePixel& p00 = seg.image(r, s);
  const Seg::ImagePixel& p01 = seg.image(r, s + 1);
  const Seg::ImagePixel& p10 = seg.image(r + 1, s);
  const Seg::ImagePixel& p11 = seg.image(r + 1, s + 1);
  for (int c = 0; c < kChannels; ++c) {
    lo[c] = std::min(std::min(p00[c], p01[c]), std::min(p10[c], p11[c]));
    hi[c] = std::max(std::max(p00[c], p01[c]), std::max(p10[c], p11[c]));
  }
  const BlockPair rows = rowPair(r);
  const BlockPair columns = columnPair(s);
  float s1[2][2];
  float s2[2][2];
  const int32_t is[2] = {rows.first, rows.second};
  const int32_t js[2] = {columns.first, columns.second};
  for (int a = 0; a < 2; ++a) {
    for (int b = 0; b < 2; ++b) {
      s1[a][b] = 0.0f;
      s2[a][b] = 0.0f;
      seg.blockSpreads(seg.blockHistograms(is[a], js[b]), lo, hi, s1[a][b], s2[a][b]);
    }
  }
  float ln1[2][2];
  float ln2[2][2];
  for (int a = 0; a < 2; ++a) {
    for (int b = 0; b < 2; ++b) {
      ln1[a][b] = std::log(s1[a][b]);
      ln2[a][b] = std::log(s2[a][b]);
    }
  }
  return Values(weightedSpread(rows.weight, columns.weight, ln1),
                weightedSpread(rows.weight, columns.weight, ln2));
}

}  // namespace classification
