#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "Corvane.h"
#include "engine/CvEngine.h"
#include "engine/CvInImage.h"
#include "engine/PixelStatus.h"
#include "util/StatusCompatibility.h"

using corvane::selectStatusMask;
using corvane::statusCompatible;

namespace {

std::vector<uint8_t> statusRows(const CvImage* image) {
  std::vector<uint8_t> out;
  const auto* p = static_cast<const uint8_t*>(image->data);
  for (uint32_t y = 0; y < image->height; ++y)
    out.insert(out.end(), p + size_t{y} * image->stride,
               p + size_t{y} * image->stride + image->width);
  return out;
}

class StatusImage : public ::testing::Test {
 protected:
  void SetUp() override { engine = CvInit(); }
  void TearDown() override { EXPECT_EQ(CvFinish(engine), CvOk); }
  CvEngine* engine = nullptr;
};

TEST_F(StatusImage, EightBitAlphaMustBeExactly255) {
  // Rows wide enough for the vector path and its tail, padded; alphas 255, 254 down to 218, 0.
  const uint32_t width = 37, height = 3, stride = width * 4 + 8;
  std::vector<uint8_t> pixels(size_t{stride} * height, 255);
  std::vector<uint8_t> expected;
  for (uint32_t y = 0; y < height; ++y)
    for (uint32_t x = 0; x < width; ++x) {
      uint8_t& alpha = pixels[y * stride + x * 4 + 3];
      alpha = (x * 7 + y) % 3 == 0 ? 255 : y == 2 ? 0 : static_cast<uint8_t>(254 - x);
      expected.push_back(alpha == 255);
    }
  CvImage* image =
      CvNewStatusImage(engine, CvImage{width, height, stride, CvKindRgba8, pixels.data()});
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->kind, CvKindStatus);
  EXPECT_EQ(image->stride, 40u);
  EXPECT_EQ(statusRows(image), expected);
  EXPECT_EQ(engine->images.count(static_cast<CvInImage*>(image)), 1u);
}

TEST_F(StatusImage, SixteenBitKindsCompareWithTheirMaximum) {
  // Row stride 20 bytes: not a multiple of 8, so rows are 16 bytes (two whole pixels) apart
  // and the data is deliberately misaligned for 16-bit samples.
  const uint16_t alphas[2][4] = {{65535, 32768, 0, 0}, {65534, 32768, 0, 0}};
  std::vector<uint8_t> storage(1 + 16 * 3 + 4, 0);
  uint8_t* data = storage.data() + 1;
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x) std::memcpy(data + y * 16 + x * 8 + 6, &alphas[y][x], 2);
  CvImage* full = CvNewStatusImage(engine, CvImage{2, 2, 20, CvKindRgba16, data});
  CvImage* half = CvNewStatusImage(engine, CvImage{2, 2, 20, CvKindRgbaHalf16, data});
  ASSERT_TRUE(full && half);
  EXPECT_EQ(statusRows(full), (std::vector<uint8_t>{1, 0, 0, 0}));
  EXPECT_EQ(statusRows(half), (std::vector<uint8_t>{0, 1, 0, 1}));
}

TEST_F(StatusImage, RejectsUnreadablePictures) {
  std::vector<uint8_t> pixels(64, 255);
  EXPECT_EQ(CvNewStatusImage(engine, CvImage{2, 2, 8, CvKindRgba8, nullptr}), nullptr);
  EXPECT_EQ(CvNewStatusImage(engine, CvImage{2, 2, 7, CvKindRgba8, pixels.data()}), nullptr);
  EXPECT_EQ(CvNewStatusImage(engine, CvImage{2, 2, 15, CvKindRgba16, pixels.data()}), nullptr);
  // 8 × width overflows 32 bits; a 32-bit comparison would accept stride 0.
  EXPECT_EQ(CvNewStatusImage(engine, CvImage{0x20000000u, 1, 0, CvKindRgba16, pixels.data()}),
            nullptr);
  EXPECT_TRUE(engine->images.empty());
  EXPECT_NE(CvNewStatusImage(engine, CvImage{2, 2, 8, CvKindRgba8, pixels.data()}), nullptr);
}

}  // namespace
