#include "kestrum/matting/PaletteClustering.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "kestrum/matting/PalettePyramid.h"

using namespace kestrum::matting;

namespace {

using Types8 = cbbTypes<float, double, uint8_t>;
using Cell8 = Quadrant<Types8>;
using Colour8 = std::array<uint8_t, 3>;

Cell8 cellOf(const std::vector<Colour8>& colours) {
  Cell8 cell;
  cell.palette[0].colours = colours;
  cell.palette[0].weights.assign(colours.size(), 0.0f);
  computeClusterStatistics(cell.palette[0]);
  return cell;
}

TEST(PaletteClustering, SplitOnlyBeyondTheDistance) {
  // Two pairs of colours whose means lie exactly 10 apart.
  const std::vector<Colour8> colours{{20, 50, 50}, {30, 50, 50}, {20, 50, 50}, {30, 50, 50}};
  Cell8 refused = cellOf(colours);
  EXPECT_TRUE(splitCluster(refused.palette[0], 10.0).empty());
  EXPECT_EQ(refused.palette[0].size(), 4u);

  Cell8 cell = cellOf(colours);
  const auto high = splitCluster(cell.palette[0], 9.5);
  ASSERT_EQ(high.size(), 2u);
  ASSERT_EQ(cell.palette[0].size(), 2u);
  // The side that stays keeps correct running sums and the split-off side its own.
  const auto& low = cell.palette[0];
  EXPECT_NE(low.colours[0][0], high.colours[0][0]);
  for (auto side : {low, high}) {
    auto recomputed = side;
    computeClusterStatistics(recomputed);
    EXPECT_DOUBLE_EQ(side.sums[0], recomputed.sums[0]);
    EXPECT_DOUBLE_EQ(side.moments.m01, recomputed.moments.m01);
    EXPECT_EQ(side.weights.size(), 2u);
  }
}

TEST(PaletteClustering, EqualColoursNeverSplit) {
  Cell8 cell = cellOf(std::vector<Colour8>(9, Colour8{40, 41, 42}));
  growPalette(cell, kMaxPaletteClusters, 0.0);
  EXPECT_EQ(cell.palette.size(), 1u);
}

TEST(PaletteClustering, ClustersSpreadInChannelOneOrTwoSplit) {
  for (int channel = 1; channel < 3; ++channel) {
    std::vector<Colour8> colours;
    for (uint8_t v : {10, 12, 14, 100, 102, 104, 200, 202, 204}) {
      Colour8 c{90, 90, 90};
      c[channel] = v;
      colours.push_back(c);
    }
    Cell8 cell = cellOf(colours);
    growPalette(cell, kMaxPaletteClusters, 20.0);
    EXPECT_EQ(cell.palette.size(), 3u) << channel;
  }
}

TEST(PaletteClustering, PalettesAndCondensedClustersStayWithinTheLimit) {
  // Scattered colours (a fixed linear congruential sequence).
  std::vector<Colour8> colours;
  uint32_t state = 12345;
  auto next = [&state] {
    state = state * 1103515245u + 12345u;
    return static_cast<uint8_t>(state >> 16);
  };
  for (int i = 0; i < 300; ++i) colours.push_back(Colour8{next(), next(), next()});
  Cell8 cell = cellOf(colours);
  growPalette(cell, kMaxPaletteClusters, 1.0);
  EXPECT_EQ(cell.palette.size(), static_cast<size_t>(kMaxPaletteClusters));
  EXPECT_EQ(cell.colourCount(), colours.size());

  Cell8 whole = cellOf(colours);
  condenseCluster<Types8>(whole.palette[0], kMaxPaletteClusters, 1.0);
  EXPECT_LE(whole.palette[0].size(), static_cast<size_t>(kMaxPaletteClusters));
  EXPECT_GE(whole.palette[0].size(), 2u);
  for (float w : whole.palette[0].weights) EXPECT_EQ(w, 0.0f);

  Cell8 clustered = cellOf(colours);
  clusterCell(clustered, 1.0);
  EXPECT_LE(clustered.palette.size(), static_cast<size_t>(kMaxPaletteClusters));
  for (const auto& cluster : clustered.palette) {
    EXPECT_LE(cluster.size(), static_cast<size_t>(kMaxPaletteClusters));
  }
}

TEST(PaletteClustering, ParentLevelGathersAndLinks) {
  // A 4x4 grid of cells, colours in cells (0,0), (0,1) and (3,3).
  PaletteLevel<Types8> base(CellBox{0, 0, 3, 3}, CellBox{0, 0, 3, 3});
  auto put = [&base](int r, int c, Colour8 colour) {
    auto& cluster = base.obtain(r, c).palette[0];
    cluster.colours.push_back(colour);
    cluster.weights.push_back(0.0f);
  };
  put(0, 1, {9, 9, 9});
  put(0, 0, {1, 1, 1});
  put(3, 3, {5, 5, 5});
  for (auto& cell : base.cells()) computeClusterStatistics(cell.palette[0]);

  PaletteLevel<Types8> parent = buildParentLevel(base);
  EXPECT_FALSE(parent.singleCell());
  EXPECT_EQ(parent.grid().rows(), 2);
  const Cell8* topLeft = parent.find(0, 0);
  ASSERT_NE(topLeft, nullptr);
  // Children in row-major order: (0,0) before (0,1).
  ASSERT_EQ(topLeft->palette[0].size(), 2u);
  EXPECT_EQ(topLeft->palette[0].colours[0], (Colour8{1, 1, 1}));
  EXPECT_EQ(topLeft->palette[0].colours[1], (Colour8{9, 9, 9}));
  EXPECT_EQ(base.find(0, 1)->parent, topLeft);
  EXPECT_EQ(parent.find(0, 1), nullptr);
  EXPECT_EQ(base.find(3, 3)->parent, parent.find(1, 1));

  PalettePyramid<Types8> pyramid;
  pyramid.levels().push_back(std::move(base));
  pyramid.levels().push_back(std::move(parent));
  pyramid.levels().push_back(buildParentLevel(pyramid.levels().back()));
  EXPECT_TRUE(pyramid.levels().back().singleCell());
  // Pixel (2, 6) lies in base cell (1, 3) and level-1 cell (0, 1), both empty.
  const auto found = pyramid.paletteAtLevel(2, 6, 0);
  ASSERT_NE(found.palette, nullptr);
  EXPECT_EQ(found.level, 2);
  const auto own = pyramid.paletteAtLevel(7, 7, 0);
  EXPECT_EQ(own.level, 0);
  EXPECT_EQ((*own.palette)[0].colours[0], (Colour8{5, 5, 5}));
}

}  // namespace
