#include "util/BoxOps.h"

#include <gtest/gtest.h>

#include "util/ByteColour.h"
#include "util/MaskedBits.h"

namespace corvane {
namespace {

TEST(BoxOps, GrowShrinkUniteAndIntersect) {
  Box box{2, 3, 10, 20};
  expandDomain(box, 2);
  EXPECT_EQ(box, (Box{0, 1, 12, 22}));
  expandDomain(box, -2);
  EXPECT_EQ(box, (Box{2, 3, 10, 20}));
  EXPECT_EQ(rectExtents(box), (IndexPair{9, 18}));
  EXPECT_TRUE((Box{0, 1, 5, 0}).empty());

  // An empty box takes the other box or point whole instead of stretching from its corners.
  Box empty{1, 1, 0, 0};
  includePoint(empty, 5, 7);
  EXPECT_EQ(empty, (Box{5, 7, 5, 7}));
  Box a{0, 0, 3, 3};
  uniteBox(a, Box{1, 1, 0, 0});
  EXPECT_EQ(a, (Box{0, 0, 3, 3}));
  Box b{0, 0, -1, -1};
  uniteBox(b, Box{2, 2, 4, 4});
  EXPECT_EQ(b, (Box{2, 2, 4, 4}));
  EXPECT_EQ(intersectBox(Box{0, 0, 5, 5}, Box{3, -2, 8, 4}), (Box{3, 0, 5, 4}));
  EXPECT_TRUE(intersectBox(Box{0, 0, 1, 1}, Box{3, 3, 4, 4}).empty());
}

TEST(BoxOps, ElementSumsFrameABox) {
  const Box element{0, 0, 1, 1}, two{0, 0, 2, 2}, image{0, 0, 99, 199};
  EXPECT_EQ(image + (element + rectNegate(element)), (Box{-1, -1, 100, 200}));
  EXPECT_EQ(image + (two + rectNegate(two)), (Box{-2, -2, 101, 201}));
  EXPECT_EQ(boxMinus(Box{10, 20, 30, 40}, Box{-2, -3, 4, 5}), (Box{6, 15, 32, 43}));
  EXPECT_EQ(rectSwapAxes(Box{1, 2, 3, 4}), (Box{2, 1, 4, 3}));
}

TEST(ValueTypes, ClampedColoursAndMaskedBits) {
  const auto colour = clampToByteColour(-1, 256, 128);
  EXPECT_EQ(colour[0], 0);
  EXPECT_EQ(colour[1], 255);
  EXPECT_EQ(colour[2], 128);
  uint8_t byte = 0xA5;
  setMaskedBits(&byte, 0xFF, 0x00);  // an empty mask changes nothing
  EXPECT_EQ(byte, 0xA5);
  setMaskedBits(&byte, 0x3C, 0x18);
  EXPECT_EQ(byte, 0xBD);
}

}  // namespace
}  // namespace corvane
