#pragma once

#include <blitz/array.h>

#include <array>
#include <cstdint>
#include <vector>

#include "classification/Segmentation.h"

namespace classification {

// What the spread sums need of one mode node, with the reciprocal squares worked out once
// per stage instead of at every pixel (the same single-precision values the sums would form).
struct SpreadNode {
  int32_t valleyIndex;
  float valleyRatio;  // side peak / valley count
  float sideTerm;     // 1 / side peak^2
  float valleyTerm;   // 1 / valley count^2
  float peakTerm;     // 1 / peak count^2
};
// Where each block's channel histograms find their nodes, gathered from the histograms so that
// a pixel reads one small record per block.
struct BlockSpreadRange {
  int32_t first[Segmentation<6, 0>::kChannelCount];  // first node; first == end: none
  int32_t end[Segmentation<6, 0>::kChannelCount];
  int32_t shift[Segmentation<6, 0>::kChannelCount];
};
struct SpreadTables {
  std::array<std::vector<SpreadNode>, Segmentation<6, 0>::kChannelCount> nodes;
  blitz::Array<BlockSpreadRange, 2> blocks;  // the block grid
};
SpreadTables buildSpreadTables(const Segmentation<6, 0>& segmentation);

// The centres of the two blocks on either side of a position along one axis, and the weight
// of the first.
struct BlockPair {
  int32_t first;
  int32_t second;
  float weight;
};

// One worker of the gradient stage: computes the two logarithmic spread values of every pixel
// of the bands it takes from the segmentation's row dispenser.
class GradientUpdater {
 public:
  using Values = blitz::TinyVector<float, 2>;

  GradientUpdater() = default;
  // `tables` may be null for pixelValues() alone.
  GradientUpdater(Segmentation<6, 0>* segmentation, const BlockGrid& grid,
                  const blitz::Array<Values, 2>& values, const SpreadTables* tables);

  void setBand(const GradientBand& band) { band_ = band; }
  void operator()();

  // The values of pixel (r, s) by the segmentation's own blockSpreads; (r + 1, s + 1) must
  // lie in the image. The bands compute the same values from the spread tables.
  Values pixelValues(int32_t r, int32_t s) const;

 private:
  void computeBand();
  BlockPair rowPair(int32_t r) const;
  BlockPair columnPair(int32_t s) const;

  Segmentation<6, 0>* segmentation_ = nullptr;
  const SpreadTables* tables_ = nullptr;
  corvane::Box blocks_{0, 0, -1, -1};
  int32_t blockSize_ = 1;
  float inverseBlockSize_ = 1.0f;
  blitz::Array<Values, 2> values_;
  GradientBand band_;
};

}  // namespace classification
