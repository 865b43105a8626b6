#include "util/BoxOps.h"

#include <gtest/gtest.h>

#include <blitz/array.h>

#include "util/ArrayIndex.h"
#include "util/ByteColour.h"
#include "util/MaskedBits.h"
#include "util/WeightedIndex.h"
#include "util/WeightedPixel.h"

namespace corvane {
namespace {

TEST(BoxOps, ExpandAndExtents) {
  Box box{2, 3, 10, 20};
  expandDomain(box, 2);
  EXPECT_EQ(box, (Box{0, 1, 12, 22}));
  expandDomain(box, -2);  // shrinks by the same amount on every side
  EXPECT_EQ(box, (Box{2, 3, 10, 20}));
  EXPECT_EQ(rangeLength(5, 5), 1);
  EXPECT_EQ(rectExtents(Box{5, 7, 5, 7}), (IndexPair{1, 1}));
  EXPECT_EQ(rectExtents(box), (IndexPair{9, 18}));
  EXPECT_TRUE((Box{1, 1, 0, 0}).empty());
  EXPECT_TRUE((Box{0, 1, 5, 0}).empty());
  EXPECT_FALSE((Box{5, 7, 5, 7}).empty());
}

TEST(BoxOps, IncludePointAndUnite) {
  Box box{1, 1, 0, 0};
  includePoint(box, 5, 7);
  EXPECT_EQ(box, (Box{5, 7, 5, 7}));
  box = Box{0, 0, 3, 3};
  includePoint(box, 5, -2);
  EXPECT_EQ(box, (Box{0, -2, 5, 3}));

  Box a{0, 0, 3, 3};
  uniteBox(a, Box{1, 1, 0, 0});
  EXPECT_EQ(a, (Box{0, 0, 3, 3}));
  uniteBox(a, Box{2, -1, 5, 1});
  EXPECT_EQ(a, (Box{0, -1, 5, 3}));
  Box empty{0, 0, -1, -1};
  uniteBox(empty, Box{2, 2, 4, 4});
  EXPECT_EQ(empty, (Box{2, 2, 4, 4}));

  EXPECT_EQ(intersectBox(Box{0, 0, 5, 5}, Box{3, -2, 8, 4}), (Box{3, 0, 5, 4}));
  EXPECT_TRUE(intersectBox(Box{0, 0, 1, 1}, Box{3, 3, 4, 4}).empty());
}

TEST(BoxOps, NegationAndSums) {
  const Box element{0, 0, 1, 1};
  EXPECT_EQ(rectNegate(element), (Box{-1, -1, 0, 0}));
  EXPECT_EQ(element + rectNegate(element), (Box{-1, -1, 1, 1}));
  // A frame one and two pixels wide around a box.
  const Box image{0, 0, 99, 199};
  EXPECT_EQ(image + (element + rectNegate(element)), (Box{-1, -1, 100, 200}));
  const Box two{0, 0, 2, 2};
  EXPECT_EQ(image + (two + rectNegate(two)), (Box{-2, -2, 101, 201}));
  EXPECT_EQ(boxMinus(Box{10, 20, 30, 40}, Box{-2, -3, 4, 5}), (Box{6, 15, 32, 43}));
  EXPECT_EQ(rectSwapAxes(Box{1, 2, 3, 4}), (Box{2, 1, 4, 3}));
}

TEST(BoxOps, Pairs) {
  EXPECT_EQ(axisVector(0, 7), (IndexPair{7, 0}));
  EXPECT_EQ(axisVector(1, -3), (IndexPair{0, -3}));
  EXPECT_EQ(pairMin(IndexPair{1, 5}, IndexPair{2, -5}), (IndexPair{1, -5}));
  EXPECT_EQ(pairMax(IndexPair{1, 5}, IndexPair{2, -5}), (IndexPair{2, 5}));
}

TEST(ValueTypes, SmallHelpers) {
  const auto colour = clampToByteColour(-1, 256, 128);
  EXPECT_EQ(colour[0], 0);
  EXPECT_EQ(colour[1], 255);
  EXPECT_EQ(colour[2], 128);

  uint8_t byte = 0xA5;
  setMaskedBits(&byte, 0xFF, 0x00);
  EXPECT_EQ(byte, 0xA5);
  setMaskedBits(&byte, 0x0F, 0xF0);
  EXPECT_EQ(byte, 0x05);
  setMaskedBits(&byte, 0x3C, 0x18);
  EXPECT_EQ(byte, 0x1D);
  EXPECT_EQ(shortHalfRange(), 32768);

  const WeightedIndex half = makeHalfWeightedIndex(9);
  EXPECT_EQ(half.index, 9);
  EXPECT_EQ(half.weight, 0.5f);
  const WeightedPixel pixel(3, -4, 0.25f);
  EXPECT_EQ(pixel.row, 3);
  EXPECT_EQ(pixel.column, -4);
  EXPECT_EQ(pixel.weight, 0.25f);

  blitz::Array<int, 2> array(blitz::Range(-2, 5), blitz::Range(10, 12));
  EXPECT_EQ(lastIndex(array, 0), 5);
  EXPECT_EQ(lastIndex(array, 1), 12);
}

}  // namespace
}  // namespace corvane
