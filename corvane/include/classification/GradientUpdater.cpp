#include "classification/GradientUpdater.h"

#include <algorithm>
#include <cmath>

#include "engine/CvExCancel.h"

namespace corvane {
namespace classification {

namespace {

// The two blocks whose centres enclose a position and the weight of the first: t is the
// position in block units, `shift` moves it towards the next pixel (0.5 / blockSize for the
// centre of a 2 x 2 neighbourhood).
struct BlockPair {
  int32_t first;
  int32_t second;
  float weight;
};

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

}  // namespace

GradientUpdater::GradientUpdater(Segmentation<6, 0>* segmentation, const BlockGrid& grid,
                                 const blitz::Array<Values, 2>& values)
    : segmentation_(segmentation),
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

void GradientUpdater::computeBand() {
  for (int32_t r = band_.lower.first; r < band_.upper.first; ++r) {
    for (int32_t s = band_.lower.second; s < band_.upper.second; ++s)
      values_(r, s) = pixelValues(r, s);
  }
}

GradientUpdater::Values GradientUpdater::pixelValues(int32_t r, int32_t s) const {
  const Segmentation<6, 0>& seg = *segmentation_;
  constexpr int kChannels = Segmentation<6, 0>::kChannelCount;
  unsigned char lo[kChannels];
  unsigned char hi[kChannels];
  const Segmentation<6, 0>::ImagePixel& p00 = seg.image(r, s);
  const Segmentation<6, 0>::ImagePixel& p01 = seg.image(r, s + 1);
  const Segmentation<6, 0>::ImagePixel& p10 = seg.image(r + 1, s);
  const Segmentation<6, 0>::ImagePixel& p11 = seg.image(r + 1, s + 1);
  for (int c = 0; c < kChannels; ++c) {
    lo[c] = std::min(std::min(p00[c], p01[c]), std::min(p10[c], p11[c]));
    hi[c] = std::max(std::max(p00[c], p01[c]), std::max(p10[c], p11[c]));
  }
  const float shift = 0.5f / static_cast<float>(blockSize_);
  const BlockPair rows = blockPair(r, inverseBlockSize_, shift, blocks_.lowerRow, blocks_.upperRow);
  const BlockPair columns =
      blockPair(s, inverseBlockSize_, shift, blocks_.lowerColumn, blocks_.upperColumn);

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
  const float wr = rows.weight;
  const float ws = columns.weight;
  Values v;
  for (int k = 0; k < 2; ++k) {
    float(&sk)[2][2] = k == 0 ? s1 : s2;
    v[k] = -(wr * (ws * std::log(sk[0][0]) + (1.0f - ws) * std::log(sk[0][1])) +
             (1.0f - wr) * (ws * std::log(sk[1][0]) + (1.0f - ws) * std::log(sk[1][1]))) /
           2.0f;
  }
  return v;
}

}  // namespace classification
}  // namespace corvane
