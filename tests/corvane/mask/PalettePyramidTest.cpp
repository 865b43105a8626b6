#include "mask/PalettePyramidBuilder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>

#include "kestrum/matting/PaletteSearch.h"
#include "kestrum/utility/Colour.h"

using namespace kestrum::matting;
using corvane::mask::StatusClassSelector;

namespace {

using Types8 = cbbTypes<float, double, uint8_t>;
using Pyramid8 = PalettePyramid<Types8>;
using Pixel = kestrum::utility::Colour<uint8_t>;
using Image = blitz::Array<Pixel, 2>;

Image randomImage(int rows, int cols, std::mt19937& rng) {
  Image image(rows, cols);
  std::uniform_int_distribution<int> v(0, 255);
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < cols; ++c)
      image(r, c) = Pixel{{static_cast<uint8_t>(v(rng)), static_cast<uint8_t>(v(rng)),
                           static_cast<uint8_t>(v(rng)), 255}};
  return image;
}

// The pyramid with every cell of every level stored, built the plain way.
Pyramid8 densePyramid(const Image& source, const StatusClassSelector& selector, double distance) {
  Pyramid8 pyramid;
  const CellBox grid{source.lbound(0) >> 1, source.lbound(1) >> 1, source.ubound(0) >> 1,
                     source.ubound(1) >> 1};
  PaletteLevel<Types8> base(grid, grid);
  for (int r = grid.rowLow; r <= grid.rowHigh; ++r)
    for (int c = grid.colLow; c <= grid.colHigh; ++c) base.obtain(r, c);
  for (int x = source.lbound(0); x <= source.ubound(0); ++x) {
    for (int y = source.lbound(1); y <= source.ubound(1); ++y) {
      if (!selector.accepts(x, y)) continue;
      auto& cluster = base.obtain(x >> 1, y >> 1).palette[0];
      cluster.colours.push_back({source(x, y)[0], source(x, y)[1], source(x, y)[2]});
      cluster.weights.push_back(0.0f);
    }
  }
  for (auto& cell : base.cells())
    if (!cell.palette[0].empty()) computeClusterStatistics(cell.palette[0]);
  pyramid.levels().push_back(std::move(base));
  while (!pyramid.levels().back().singleCell()) {
    auto parent = buildParentLevel(pyramid.levels().back());
    clusterLevel(parent, distance);
    pyramid.levels().push_back(std::move(parent));
  }
  return pyramid;
}

TEST(PalettePyramid, StoresOnlyCellsWithColoursAndFindsTheSamePalettes) {
  std::mt19937 rng(3);
  for (float scale : {1.0f, 3.0f}) {
    const Image source = randomImage(37, 29, rng);
    const int statusRows = static_cast<int>(37 / scale) + 1;
    const int statusCols = static_cast<int>(29 / scale) + 1;
    blitz::Array<uint8_t, 2> status(statusRows, statusCols);
    status = 1;
    // A region in the middle of the status image with both classes in it.
    std::uniform_int_distribution<int> pick(0, 3);
    for (int r = statusRows / 4; r <= statusRows / 2; ++r)
      for (int c = statusCols / 3; c < statusCols - 1; ++c)
        status(r, c) = static_cast<uint8_t>(128 | (pick(rng) == 0 ? 4 : 2));
    const StatusClassSelector selector(status, scale, scale, CvStatusKeep);

    Pyramid8 sparse;
    corvane::mask::buildPalettePyramid(sparse, source, selector, 30.0, ProgressRange());
    const Pyramid8 dense = densePyramid(source, selector, 30.0);
    ASSERT_EQ(sparse.levels().size(), dense.levels().size());
    EXPECT_LT(sparse.levels()[0].cellCount(), dense.levels()[0].cellCount());
    for (int level = 0; level <= sparse.lastLevel(); ++level) {
      for (int x = 0; x < 37; ++x) {
        for (int y = 0; y < 29; ++y) {
          const auto a = sparse.paletteAtLevel(x, y, level);
          const auto b = dense.paletteAtLevel(x, y, level);
          ASSERT_EQ(a.level, b.level);
          ASSERT_EQ(a.palette == nullptr, b.palette == nullptr);
          if (!a.palette) continue;
          ASSERT_EQ(a.palette->size(), b.palette->size());
          for (size_t k = 0; k < a.palette->size(); ++k) {
            ASSERT_EQ((*a.palette)[k].colours, (*b.palette)[k].colours);
            ASSERT_EQ((*a.palette)[k].eigenvalue, (*b.palette)[k].eigenvalue);
          }
        }
      }
    }
  }
}

TEST(PalettePyramid, LevelsWithoutColoursAndTinyImages) {
  std::mt19937 rng(5);
  const Image source = randomImage(8, 8, rng);
  blitz::Array<uint8_t, 2> status(8, 8);
  status = 2;  // class pixels, but none in the matting region
  Pyramid8 pyramid;
  corvane::mask::buildPalettePyramid(
      pyramid, source, StatusClassSelector(status, 1, 1, CvStatusKeep), 5.0, ProgressRange());
  EXPECT_EQ(pyramid.levels().size(), 3u);  // 4x4, 2x2, 1x1 cells
  EXPECT_TRUE(pyramid.empty());
  EXPECT_EQ(pyramid.paletteAtLevel(5, 6, 0).palette, nullptr);

  const Image one = randomImage(1, 1, rng);
  blitz::Array<uint8_t, 2> oneStatus(1, 1);
  oneStatus = 128 | 2;
  Pyramid8 single;
  corvane::mask::buildPalettePyramid(
      single, one, StatusClassSelector(oneStatus, 1, 1, CvStatusKeep), 5.0, ProgressRange());
  ASSERT_EQ(single.levels().size(), 1u);
  EXPECT_FALSE(single.empty());
  EXPECT_EQ(single.paletteAtLevel(0, 0, 0).level, 0);
}

TEST(PalettePyramid, SearchClimbsToColoursAndRejectsEmptyPyramids) {
  // Foreground colour in the top-left corner only, background in the bottom-right only.
  Image source(8, 8);
  blitz::Array<uint8_t, 2> status(8, 8);
  status = 1;
  for (int r = 0; r < 8; ++r)
    for (int c = 0; c < 8; ++c) source(r, c) = Pixel{{100, 100, 100, 255}};
  source(0, 0) = Pixel{{200, 10, 10, 255}};
  status(0, 0) = 128 | 2;
  source(7, 7) = Pixel{{10, 10, 200, 255}};
  status(7, 7) = 128 | 4;
  Pyramid8 fg, bg, none;
  corvane::mask::buildPalettePyramid(fg, source, StatusClassSelector(status, 1, 1, CvStatusKeep),
                                     5.0, ProgressRange());
  corvane::mask::buildPalettePyramid(bg, source, StatusClassSelector(status, 1, 1, CvStatusDelete),
                                     5.0, ProgressRange());
  const Colour3f c{105, 10, 105};
  const PalettePair pair = searchPalettePair(3, 4, fg, bg, c, 0, 0, -0.01f);
  EXPECT_EQ(pair.foreground, (Colour3f{200, 10, 10}));
  EXPECT_EQ(pair.background, (Colour3f{10, 10, 200}));

  corvane::mask::buildPalettePyramid(none, source, StatusClassSelector(status, 1, 1, 8), 5.0,
                                     ProgressRange());
  try {
    searchPalettePair(3, 4, none, none, c, 0, 0, -0.01f);
    ADD_FAILURE() << "no exception";
  } catch (const char* text) {
    EXPECT_STREQ(text, "Empty foreground palette");
  }
  try {
    searchPalettePair(3, 4, fg, none, c, 0, 0, -0.01f);
    ADD_FAILURE() << "no exception";
  } catch (const char* text) {
    EXPECT_STREQ(text, "Empty background palette");
  }
}

}  // namespace
