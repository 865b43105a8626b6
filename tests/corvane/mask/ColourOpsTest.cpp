#include "mask/ColourOps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace corvane {
namespace mask {
namespace {

TEST(ColourOps, MedianOfFiveIsTheThirdSmallestForEveryOrder) {
  // Every tuple over four values, duplicates included.
  for (int code = 0; code < 4 * 4 * 4 * 4 * 4; ++code) {
    int v[5];
    for (int k = 0, c = code; k < 5; ++k, c /= 4) v[k] = c % 4;
    int sorted[5];
    std::copy(v, v + 5, sorted);
    std::sort(sorted, sorted + 5);
    ASSERT_EQ(median5(v[0], v[1], v[2], v[3], v[4]), sorted[2]) << "tuple code " << code;
  }
  EXPECT_EQ(median5<uint16_t>(65535, 0, 40000, 3, 65535), 40000);
}

TEST(ColourOps, SampleStoresTruncateAndClampPerPixelType) {
  EXPECT_EQ(sampleFromFloat<MaskPixel16>(-3.7f), 0);
  EXPECT_EQ(sampleFromFloat<MaskPixel16>(12.9f), 12);
  EXPECT_EQ(sampleFromFloat<MaskPixel16>(65535.5f), 65535);
  EXPECT_EQ(sampleFromFloat<MaskPixel16>(1e30f), 65535);
  EXPECT_EQ(sampleFromFloat<MaskPixelHalf16>(40000.0f), 32768);
  EXPECT_EQ(sampleFromFloat<MaskPixelHalf16>(32767.9f), 32767);
  EXPECT_EQ(sampleFromFloat<MaskPixel8>(255.99f), 255);
  EXPECT_EQ(sampleFromFloat<MaskPixel8>(std::numeric_limits<float>::quiet_NaN()), 0);

  MaskPixel16::Pixel p{{1, 2, 3, 444}};
  floatToColour<MaskPixel16>(FloatColour{{-1.0f, 70000.0f, 12.9f}}, p);
  EXPECT_EQ(p, (MaskPixel16::Pixel{{0, 65535, 12, 444}}));  // alpha untouched
}

TEST(ColourOps, NormAndBilinearColour) {
  // Each square is rounded to single precision before the double sum: 4097² = 16785409 is
  // not a float, and the three rounded squares add up exactly in double.
  EXPECT_EQ(colourNormSquared(FloatColour{{4097, 4097, 4097}}), 3.0 * 16785408.0);

  const ByteColour3 red(0, 0, 255), blue(255, 0, 0);
  const FloatColour mix =
      bilinearColour(red, 0.5f, 1.0f, blue, 0.5f, 1.0f, red, 0.0f, 1.0f, blue, 0.0f, 0.0f);
  EXPECT_FLOAT_EQ(mix[0], 127.5f);
  EXPECT_FLOAT_EQ(mix[2], 127.5f);
}

TEST(ColourOps, BlendPixelsTruncatesAndStaysInRange) {
  const MaskPixel8::Pixel a{{255, 100, 0, 255}}, b{{0, 50, 255, 0}};
  EXPECT_EQ(blendPixels<MaskPixel8>(a, 0.5f, b, 0.5f), (MaskPixel8::Pixel{{127, 75, 127, 127}}));
  const MaskPixel16::Pixel c{{65535, 65535, 65535, 65535}};
  EXPECT_EQ(blendPixels<MaskPixel16>(c, 0.6f, c, 0.5f), c);  // held at the maximum
}

TEST(ColourOps, CellShareReadsClassBitsFirst) {
  const float sentinel = 1.7014117e38f;
  EXPECT_EQ(cellShare(2 | 4, ClassDistances(5, 7)), 0.0f);  // class 2 tested first
  EXPECT_EQ(cellShare(4, ClassDistances(5, 7)), 1.0f);
  EXPECT_FLOAT_EQ(cellShare(1, ClassDistances(1, 3)), 0.25f);
  EXPECT_EQ(cellShare(1, ClassDistances(sentinel, sentinel)), 0.5f);
  EXPECT_FLOAT_EQ(cellShare(1, ClassDistances(sentinel, 2.0f)), 1.0f);
}

}  // namespace
}  // namespace mask
}  // namespace corvane
