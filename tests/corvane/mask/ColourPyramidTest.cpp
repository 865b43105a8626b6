#include "mask/ColourPyramid.h"

#include <gtest/gtest.h>

#include <blitz/array.h>

#include <cstring>
#include <random>

#include "MaskTestSupport.h"
#include "util/BlitzViews.h"

namespace corvane {
namespace mask {
namespace {

using Byte = kestrum::utility::Colour<uint8_t>;
using Short = kestrum::utility::Colour<uint16_t>;

blitz::Array<uint8_t, 2> statusOf(const std::vector<const char*>& rows) {
  blitz::Array<uint8_t, 2> s(static_cast<int>(rows.size()), static_cast<int>(strlen(rows[0])));
  for (int r = 0; r < s.extent(0); ++r)
    for (int c = 0; c < s.extent(1); ++c) s(r, c) = static_cast<uint8_t>(rows[r][c] - '0');
  return s;
}

// Channel 0 = 10 × row + column, channel 1 = 1, channel 2 = 100.
blitz::Array<Byte, 2> indexColours(int rows, int columns) {
  blitz::Array<Byte, 2> w(rows, columns);
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < columns; ++c)
      w(r, c) = Byte{{static_cast<uint8_t>(10 * r + c), 1, 100, 255}};
  return w;
}

TEST(ColourPyramid, BorderCellsFillTheFirstLevelInTouchOrder) {
  // Class 2 on the left three columns, class 4 on the right.
  const auto status = statusOf({"2224", "2224", "2224", "2244"});
  ColourPyramid keep;
  borderColourPyramid<MaskPixel8>(status, Box{0, 0, 3, 3}, 2, keep, indexColours(4, 4),
                                  ProgressRange());
  ASSERT_EQ(keep.size(), 2u);
  const PyramidLevel& first = keep[0];
  EXPECT_EQ(first.box(), (Box{0, 0, 1, 1}));
  // Border cells of class 2: (0,2), (1,2), (2,2), (3,1); (3,0) is inside the class.
  EXPECT_EQ(first(0, 1).count, 2.0f);
  EXPECT_EQ(first(0, 1).sum[0], 2.0f + 12.0f);
  EXPECT_EQ(first(1, 1).count, 1.0f);  // (2,2) alone: (3,2) is class 4
  EXPECT_EQ(first(1, 0).count, 1.0f);  // (3,1)
  EXPECT_EQ(first(1, 0).sum[0], 31.0f);
  EXPECT_EQ(first(0, 0).count, 0.0f);
  EXPECT_EQ(first(1, 0).sum[2], 100.0f);
  // The top level holds everything in one cell.
  EXPECT_EQ(keep[1].box(), (Box{0, 0, 0, 0}));
  EXPECT_EQ(keep[1](0, 0).count, 4.0f);
  EXPECT_EQ(keep[1](0, 0).sum[1], 4.0f);
}

TEST(ColourPyramid, NeighboursOutsideTheFillBoxDoNotCount) {
  const auto status = statusOf({"4444", "4224", "4224", "4444"});
  ColourPyramid keep;
  // Inside the box rows 1..2, columns 1..2 every class-2 cell has only class-2 neighbours.
  borderColourPyramid<MaskPixel8>(status, Box{1, 1, 2, 2}, 2, keep, indexColours(4, 4),
                                  ProgressRange());
  EXPECT_TRUE(keep.empty());
  // A box cut to the arrays: the part beyond them reads nothing.
  borderColourPyramid<MaskPixel8>(status, Box{-5, -5, 20, 20}, 2, keep, indexColours(4, 4),
                                  ProgressRange());
  ASSERT_FALSE(keep.empty());
  EXPECT_EQ(keep[0].box(), (Box{0, 0, 1, 1}));
  EXPECT_EQ(keep.back()(0, 0).count, 4.0f);
}

TEST(ColourPyramid, SixteenBitPassStretchesByteColours) {
  const auto status = statusOf({"24"});
  ColourPyramid fromBytes, fromShorts, half;
  borderColourPyramid<MaskPixel16>(status, Box{0, 0, 0, 1}, 2, fromBytes, indexColours(1, 2),
                                   ProgressRange());
  blitz::Array<Short, 2> shorts(1, 2);
  shorts = Short{{1000, 2, 3, 65535}};
  borderColourPyramid<MaskPixel16>(status, Box{0, 0, 0, 1}, 2, fromShorts, shorts, ProgressRange());
  borderColourPyramid<MaskPixelHalf16>(status, Box{0, 0, 0, 1}, 2, half, indexColours(1, 2),
                                       ProgressRange());
  EXPECT_EQ(fromBytes[0](0, 0).sum[2], 100.0f * 257.0f);
  EXPECT_EQ(fromShorts[0](0, 0).sum[0], 1000.0f);
  EXPECT_FLOAT_EQ(half[0](0, 0).sum[2], 100.0f * 32768.0f / 255.0f);
}

TEST(ColourPyramid, SamplerGivesTheSamplesOfEveryPosition) {
  // A sparse pyramid (a few cells set, most tiles never written) over a box away from the
  // origin, sampled at every position of a window reaching beyond it on all sides.
  std::mt19937 random(3);
  ColourPyramid pyramid;
  Box box{5, 37, 140, 101};
  for (int l = 0; l < 6; ++l) {
    PyramidLevel level(box);
    for (int n = 0; n < 12 >> (l / 2); ++n) {
      const int r = box.lowerRow + int(random() % unsigned(level.rows()));
      const int c = box.lowerColumn + int(random() % unsigned(level.columns()));
      level(r, c) = ColourSumCell{{float(random() % 900), 3.5f, float(r)}, float(1 + random() % 3)};
    }
    pyramid.push_back(std::move(level));
    box = halveBox(box);
  }
  PyramidSampler sampler(pyramid, 20, 230);
  int mismatches = 0;
  for (int r = 0; r < 300; r += 1) {
    sampler.setRow(r);
    for (int c = 20; c <= 230; ++c) {
      const ColourSumCell a = sampler.sample(c);
      const ColourSumCell b = samplePyramid(pyramid, float(r), float(c));
      if (std::memcmp(&a, &b, sizeof a) != 0) ++mismatches;
    }
  }
  EXPECT_EQ(mismatches, 0);
  // An empty pyramid samples to zero.
  const ColourPyramid none;
  PyramidSampler nothing(none, 0, 3);
  nothing.setRow(1);
  EXPECT_EQ(nothing.sample(2).count, 0.0f);
}

}  // namespace
}  // namespace mask
}  // namespace corvane
