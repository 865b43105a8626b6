#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <random>
#include <stdexcept>
#include <vector>

#include "ClassificationTestSupport.h"
#include "EngineTestSupport.h"
#include "classification/RancourStage.h"
#include "classification/RankFilter.h"

using classification::RancourStage;
using classification_test::expectMatchesReference;
using Image = RancourStage::Image;
using Output = RancourStage::Output;

namespace {

Image randomImage(int rowBase, int colBase, int rows, int cols, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> value(0, 255);
  Image image(blitz::TinyVector<int, 2>(rowBase, colBase), blitz::TinyVector<int, 2>(rows, cols));
  for (int r = image.lbound(0); r <= image.ubound(0); ++r)
    for (int c = image.lbound(1); c <= image.ubound(1); ++c)
      for (int k = 0; k < 4; ++k) image(r, c)[k] = static_cast<uint8_t>(value(rng));
  return image;
}

TEST(Rancour, StageMatchesDirectComputation) {
  const Image image = randomImage(-4, 7, 13, 18, 1);
  for (int texture : {1, 2, 5}) {
    for (int maxBits : {0, 3, 8}) {
      for (float t : {0.0f, 1.0f / 6.0f, 0.5f}) {
        SCOPED_TRACE(testing::Message()
                     << "texture " << texture << " maxBits " << maxBits << " t " << t);
        RancourStage stage(texture, t, maxBits);
        expectMatchesReference(stage.run(image, ProgressRange()), image, texture, t, maxBits);
      }
    }
  }
}

TEST(Rancour, SmallEmptyAndOutOfRangeInputs) {
  // Images smaller than the disc read only replicated edge pixels.
  for (auto size : {std::make_pair(1, 1), std::make_pair(1, 9), std::make_pair(6, 2)}) {
    const Image image = randomImage(3, -2, size.first, size.second, 9);
    RancourStage stage(4, 1.0f / 6.0f, 7);
    expectMatchesReference(stage.run(image, ProgressRange()), image, 4, 1.0f / 6.0f, 7);
  }
  EXPECT_EQ(RancourStage(2, 1.0f / 6.0f, 7).run(Image(0, 3), ProgressRange()).size(), 0u);

  // Texture 0 copies the components unquantised, keeping the image's index base.
  const Image image = randomImage(10, 20, 9, 11, 2);
  const Output copied = RancourStage(0, 1.0f / 6.0f, 3).run(image, ProgressRange());
  ASSERT_EQ(copied.lbound(0), 10);
  ASSERT_EQ(copied.ubound(1), 30);
  for (int r = 10; r <= 18; ++r)
    for (int c = 20; c <= 30; ++c)
      for (int j = 0; j < 3; ++j) {
        ASSERT_EQ(copied(r, c)[j], image(r, c)[2 - j]);
        ASSERT_EQ(copied(r, c)[j + 3], image(r, c)[2 - j]);
      }

  // Variables beyond their limits are held there.
  RancourStage wide(2, 1.0f / 6.0f, 11), eight(2, 1.0f / 6.0f, 8);
  const Image small = randomImage(0, 0, 7, 6, 8);
  const Output a = wide.run(small, ProgressRange()), b = eight.run(small, ProgressRange());
  for (int r = 0; r < 7; ++r)
    for (int c = 0; c < 6; ++c) ASSERT_TRUE(blitz::all(a(r, c) == b(r, c)));
}

TEST(Rancour, ResultIsTheSameForEveryWorkerCount) {
  // Odd sizes leave a short last band; texture 6 makes the frames wider than some bands.
  const Image image = randomImage(-5, 3, 83, 61, 11);
  for (int texture : {1, 6}) {
    enginetest::expectSameForEveryWorkerCount([&] {
      const Output out = RancourStage(texture, 1.0f / 6.0f, 7).run(image, ProgressRange());
      std::vector<uint8_t> bytes{uint8_t(out.lbound(0)), uint8_t(out.lbound(1))};
      for (const auto& p : out) bytes.insert(bytes.end(), p.begin(), p.end());
      return bytes;
    });
  }
}

}  // namespace
