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
#include "util/ProcessorCount.h"

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

TEST(Rancour, DiscsAroundEachSweepMatchSortedWindowsOnAnyWorkerCount) {
  // Disc sides 7 and 8 straddle the switch from selection to the strips of sixteen columns;
  // 16 to 21 are the discs of 12-megapixel photographs. Odd image sizes leave short bands and
  // an overlapping last strip; the narrowest image is narrower than the widest discs, so
  // whole windows are replicated edge pixels.
  struct Case {
    int texture, rows, cols, maxBits;
    float t;
  };
  const Case cases[] = {{6, 41, 57, 7, 1.0f / 6.0f},  {7, 41, 57, 7, 1.0f / 6.0f},
                        {7, 23, 37, 8, 0.5f},         {15, 41, 57, 7, 1.0f / 6.0f},
                        {16, 29, 19, 8, 1.0f / 6.0f}, {16, 33, 45, 3, 0.02f},
                        {19, 33, 45, 7, 1.0f / 6.0f}, {20, 17, 61, 8, 0.3f}};
  unsigned seed = 40;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << "texture " << c.texture << " size " << c.rows << "x" << c.cols);
    const Image image = randomImage(-3, 2, c.rows, c.cols, ++seed);
    corvane::setProcessorCountOverride(1);
    const Output one = RancourStage(c.texture, c.t, c.maxBits).run(image, ProgressRange());
    expectMatchesReference(one, image, c.texture, c.t, c.maxBits);
    for (unsigned workers : {3u, 8u}) {
      corvane::setProcessorCountOverride(workers);
      const Output more = RancourStage(c.texture, c.t, c.maxBits).run(image, ProgressRange());
      for (int r = one.lbound(0); r <= one.ubound(0); ++r)
        for (int col = one.lbound(1); col <= one.ubound(1); ++col)
          ASSERT_TRUE(blitz::all(more(r, col) == one(r, col)))
              << workers << " workers at " << r << "," << col;
    }
  }
  corvane::setProcessorCountOverride(0);
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
