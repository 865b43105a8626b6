#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <random>
#include <set>
#include <vector>

#include "classification/RankFilter.h"
#include "classification/Rancour.h"
#include "classification/RancourStage.h"
#include "engine/CvExCancel.h"
#include "util/ProcessorCount.h"

using classification::Rancour;
using classification::RancourStage;
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

int clampTo(int v, int lo, int hi) {
  return std::min(hi, std::max(lo, v));
}

int sortedRank(std::vector<int> v, float fraction) {
  std::sort(v.begin(), v.end());
  const auto r = classification::fractionRank(fraction, static_cast<int>(v.size()));
  const int a = v[r.lower - 1], b = v[r.upper - 1];
  return a + static_cast<int>(static_cast<float>(b - a) * r.weight + 0.5f);
}

// The analysis channels of one colour component written out directly: quantise, a disc
// window reaching towards the upper bounds, then one reaching towards the lower bounds, the
// image continued beyond its edges by its edge pixels at each pass.
void referenceChannels(const Image& image, int component, int texture, float t, int maxBits,
                       blitz::Array<int, 2>& opening, blitz::Array<int, 2>& closing) {
  const int r0 = image.lbound(0), r1 = image.ubound(0), c0 = image.lbound(1), c1 = image.ubound(1);
  const auto disc = classification::makeDisc(texture + 1);
  auto q = [&](int r, int c) {
    return image(clampTo(r, r0, r1), clampTo(c, c0, c1))[component] >> (8 - maxBits);
  };
  blitz::Array<int, 2> low(image.lbound(), image.extent()), high(image.lbound(), image.extent());
  for (int r = r0; r <= r1; ++r)
    for (int c = c0; c <= c1; ++c) {
      std::vector<int> w;
      for (int i = 0; i <= texture; ++i)
        for (int j = 0; j <= texture; ++j)
          if (disc(i, j)) w.push_back(q(r + i, c + j));
      low(r, c) = sortedRank(w, t);
      high(r, c) = sortedRank(w, 1.0f - t);
    }
  opening.resize(image.extent());
  opening.reindexSelf(image.lbound());
  closing.resize(image.extent());
  closing.reindexSelf(image.lbound());
  for (int r = r0; r <= r1; ++r)
    for (int c = c0; c <= c1; ++c) {
      std::vector<int> wl, wh;
      for (int i = 0; i <= texture; ++i)
        for (int j = 0; j <= texture; ++j)
          if (disc(i, j)) {
            wl.push_back(low(clampTo(r - i, r0, r1), clampTo(c - j, c0, c1)));
            wh.push_back(high(clampTo(r - i, r0, r1), clampTo(c - j, c0, c1)));
          }
      opening(r, c) = sortedRank(wl, 1.0f - t);
      closing(r, c) = sortedRank(wh, t);
    }
}

void expectMatchesReference(const Output& out, const Image& image, int texture, float t,
                            int maxBits) {
  for (int job = 0; job < 3; ++job) {
    blitz::Array<int, 2> opening, closing;
    referenceChannels(image, 2 - job, texture, t, maxBits, opening, closing);
    for (int r = image.lbound(0); r <= image.ubound(0); ++r)
      for (int c = image.lbound(1); c <= image.ubound(1); ++c) {
        ASSERT_EQ(out(r, c)[job], opening(r, c)) << "opening " << job << " at " << r << "," << c;
        ASSERT_EQ(out(r, c)[job + 3], closing(r, c))
            << "closing " << job << " at " << r << "," << c;
      }
  }
}

TEST(Rancour, StageMatchesDirectComputation) {
  const Image image = randomImage(-4, 7, 13, 18, 1);
  for (int texture : {1, 2, 3, 5}) {
    for (int maxBits : {0, 3, 7, 8}) {
      for (float t : {0.0f, 1.0f / 6.0f, 0.5f}) {
        SCOPED_TRACE(testing::Message()
                     << "texture " << texture << " maxBits " << maxBits << " t " << t);
        RancourStage stage(texture, t, maxBits);
        expectMatchesReference(stage.run(image, ProgressRange()), image, texture, t, maxBits);
      }
    }
  }
}

TEST(Rancour, ImagesSmallerThanTheDisc) {
  for (auto size : {std::make_pair(1, 1), std::make_pair(1, 9), std::make_pair(6, 2)}) {
    const Image image = randomImage(3, -2, size.first, size.second, 9);
    RancourStage stage(4, 1.0f / 6.0f, 7);
    expectMatchesReference(stage.run(image, ProgressRange()), image, 4, 1.0f / 6.0f, 7);
  }
}

TEST(Rancour, TextureZeroCopiesTheComponents) {
  const Image image = randomImage(10, 20, 9, 11, 2);
  RancourStage stage(0, 1.0f / 6.0f, 3);
  const Output out = stage.run(image, ProgressRange());
  EXPECT_EQ(out.lbound(0), 10);
  EXPECT_EQ(out.lbound(1), 20);
  EXPECT_EQ(out.ubound(0), 18);
  EXPECT_EQ(out.ubound(1), 30);
  for (int r = 10; r <= 18; ++r)
    for (int c = 20; c <= 30; ++c)
      for (int j = 0; j < 3; ++j) {
        ASSERT_EQ(out(r, c)[j], image(r, c)[2 - j]);
        ASSERT_EQ(out(r, c)[j + 3], image(r, c)[2 - j]);
      }
}

TEST(Rancour, TextureOneOnTwoByTwoBlock) {
  // The 2x2 disc holds all four pixels; with t 1/6 the low rank lies halfway between the two
  // smallest values and the high rank between the two largest.
  Image image(blitz::TinyVector<int, 2>(5, 5), blitz::TinyVector<int, 2>(2, 2));
  const uint8_t values[4] = {10, 20, 200, 250};
  for (int i = 0; i < 4; ++i) {
    image(5 + i / 2, 5 + i % 2) = kestrum::utility::Colour<uint8_t>{{0, 0, values[i], 0}};
  }
  blitz::Array<uint8_t, 2> src(image.lbound(), image.extent());
  src = image.extractComponent(uint8_t(), 2, 4);
  // Pixel (6,6)'s first window sees only itself and replicated edges: all four copies of 250.
  RancourStage stage(1, 1.0f / 6.0f, 8);
  const Output out = stage.run(image, ProgressRange());
  blitz::Array<int, 2> opening, closing;
  referenceChannels(image, 2, 1, 1.0f / 6.0f, 8, opening, closing);
  EXPECT_EQ(out(5, 5)[0], opening(5, 5));
  EXPECT_EQ(out(5, 5)[3], closing(5, 5));
  // Pixel (5,5)'s first window is the block itself: low 15, high 225.
  blitz::Array<int32_t, 2> disc = classification::makeDisc(2);
  blitz::Array<blitz::TinyVector<uint8_t, 2>, 2> pair(blitz::TinyVector<int, 2>(5, 5),
                                                      blitz::TinyVector<int, 2>(1, 1));
  classification::rankFilterPair(pair, disc, src, 1.0f / 6.0f, 5.0f / 6.0f, 255, ProgressRange());
  EXPECT_EQ(pair(5, 5)[0], 15);
  EXPECT_EQ(pair(5, 5)[1], 225);
}

class ProcessorOverride : public testing::Test {
 protected:
  void TearDown() override { corvane::setProcessorCountOverride(0); }
};

TEST_F(ProcessorOverride, OneProcessorRunsJobsTwoOneZero) {
  corvane::setProcessorCountOverride(1);
  const Image image = randomImage(0, 0, 6, 6, 3);
  RancourStage stage(2, 1.0f / 6.0f, 7);
  std::vector<int32_t> order;
  stage.setJobObserver([&](int32_t job) { order.push_back(job); });
  stage.run(image, ProgressRange());
  EXPECT_EQ(order, (std::vector<int32_t>{2, 1, 0}));
}

TEST_F(ProcessorOverride, ManyProcessorsRunEachJobOnce) {
  corvane::setProcessorCountOverride(7);
  const Image image = randomImage(-1, -1, 8, 5, 4);
  RancourStage stage(2, 1.0f / 6.0f, 7);
  std::mutex m;
  std::multiset<int32_t> seen;
  stage.setJobObserver([&](int32_t job) {
    std::lock_guard<std::mutex> lock(m);
    seen.insert(job);
  });
  expectMatchesReference(stage.run(image, ProgressRange()), image, 2, 1.0f / 6.0f, 7);
  EXPECT_EQ(seen, (std::multiset<int32_t>{0, 1, 2}));
}

TEST_F(ProcessorOverride, WorkerFailureIsReportedAsText) {
  for (unsigned processors : {1u, 4u}) {
    corvane::setProcessorCountOverride(processors);
    const Image image = randomImage(0, 0, 5, 5, 5);
    RancourStage stage(1, 1.0f / 6.0f, 7);
    std::mutex m;
    std::vector<int32_t> ran;
    stage.setJobObserver([&](int32_t job) {
      {
        std::lock_guard<std::mutex> lock(m);
        ran.push_back(job);
      }
      if (job == 2) throw std::runtime_error("boom");
    });
    try {
      stage.run(image, ProgressRange());
      FAIL() << "no exception";
    } catch (const char* text) {
      EXPECT_STREQ(text, "Unhandled exception in worker thread.");
    }
    // With one worker nothing is taken after the failure.
    if (processors == 1) {
      EXPECT_EQ(ran, (std::vector<int32_t>{2}));
    }
  }
}

TEST_F(ProcessorOverride, CancellationWinsOverFailure) {
  corvane::setProcessorCountOverride(3);
  const Image image = randomImage(0, 0, 5, 5, 6);
  RancourStage stage(1, 1.0f / 6.0f, 7);
  stage.setJobObserver([](int32_t job) {
    if (job == 1) throw CvExCancel();
    if (job == 0) throw "other";
  });
  EXPECT_THROW(stage.run(image, ProgressRange()), CvExCancel);

  // The same stage runs again cleanly once the cause is gone.
  stage.setJobObserver({});
  expectMatchesReference(stage.run(image, ProgressRange()), image, 1, 1.0f / 6.0f, 7);
}

TEST_F(ProcessorOverride, CancellationAlone) {
  corvane::setProcessorCountOverride(1);
  const Image image = randomImage(0, 0, 5, 5, 7);
  RancourStage stage(1, 1.0f / 6.0f, 7);
  std::vector<int32_t> ran;
  stage.setJobObserver([&](int32_t job) {
    ran.push_back(job);
    if (job == 1) throw CvExCancel();
  });
  EXPECT_THROW(stage.run(image, ProgressRange()), CvExCancel);
  EXPECT_EQ(ran, (std::vector<int32_t>{2, 1}));
}

TEST(Rancour, OutOfRangeVariablesAreHeldToTheirLimits) {
  const Image image = randomImage(0, 0, 7, 6, 8);
  RancourStage wide(2, 1.0f / 6.0f, 11), eight(2, 1.0f / 6.0f, 8);
  EXPECT_EQ(wide.maxBits(), 8);
  const Output a = wide.run(image, ProgressRange()), b = eight.run(image, ProgressRange());
  for (int r = 0; r < 7; ++r)
    for (int c = 0; c < 6; ++c) ASSERT_TRUE(blitz::all(a(r, c) == b(r, c)));
  RancourStage negative(-3, 1.0f / 6.0f, 7);
  EXPECT_EQ(negative.texture(), 0);
}

TEST(Rancour, EmptyImageGivesEmptyOutput) {
  Image image(0, 3);
  RancourStage stage(2, 1.0f / 6.0f, 7);
  EXPECT_EQ(stage.run(image, ProgressRange()).size(), 0u);
}

}  // namespace
