#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "ClassificationTestSupport.h"
#include "EngineTestSupport.h"
#include "classification/ColourHistogram.h"
#include "classification/GlobalClassification.h"
#include "kestrum/utility/ProgressRange.h"
#include "util/CvExCancel.h"

using classification::ColourBin;
using classification::ColourHistogram;
using classification::ColourKey;
using classification::ColourLevels;
using classification_test::pixel;
using Classification = classification::GlobalClassification<unsigned char, 6, int>;

namespace {

class HistogramBuild : public ::testing::Test {
 protected:
  void build() { Classification::buildHistograms(classification, levels, ProgressRange()); }
  uint64_t total(int colourLevel) const { return levels[colourLevel].totalCount(); }

  Classification classification;
  ColourLevels levels;
};

TEST_F(HistogramBuild, MaskOfAnotherDomainIsRejected) {
  classification.setImage(classification_test::photoLikeImage(8, 8, 4, 4));
  blitz::Array<unsigned char, 2> smaller(7, 8);
  smaller = 1;
  blitz::Array<unsigned char, 2> shifted(blitz::TinyVector<int, 2>(0, 0),
                                         blitz::TinyVector<int, 2>(8, 8));
  shifted = 1;
  for (auto* mask : {&smaller, &shifted}) {
    classification.setMask(*mask);
    try {
      build();
      FAIL() << "mask accepted";
    } catch (const char* text) {
      EXPECT_STREQ(text, "Mask does not match image");
    }
  }
}

// Enough colours for the subsampling to count its pieces on the workers and merge them by
// shards: the level must come out as one walk of the source makes it.
TEST(ColourLevels, SubsamplingInPiecesMatchesOneWalk) {
  ColourHistogram source;
  std::mt19937 rng(3);
  while (source.size() < 450000) {
    const uint64_t key = (uint64_t(rng()) << 16 ^ rng()) & 0xFFFFFFFFFFFFull;
    source[source.findOrInsert(key)].count += 1 + rng() % 4;
  }
  enginetest::expectSameForEveryWorkerCount([&] {
    ColourHistogram target;
    Classification::histogramSubsample(source, target, ProgressRange());
    std::vector<uint64_t> flat;
    for (const ColourBin& bin : target)
      flat.insert(flat.end(), {classification::packColourKey(bin.key), bin.count});
    return flat;
  });
}

// Images taller than one group of rows (2048) have their bands of every group counted before
// one merge: the level is the one walk's for any number of workers, and a cancel at the second
// group's checkpoint leaves exactly the first group's rows counted.
TEST(ColourLevels, GroupsOfRowsMatchOneWalkAndCancelAfterTheFirst) {
  const auto tall = classification_test::photoLikeImage(4500, 3, 0, 0, 9);
  auto levelZero = [](const blitz::Array<classification_test::Pixel, 2>& image,
                      kestrum::utility::IiUI* ui) {
    Classification classification;
    classification.setImage(image);
    ColourHistogram level;
    try {
      classification::histogramStage(classification, level, ProgressRange(ui, 0.0f, 1.0f));
    } catch (const CvExCancel&) {
    }
    std::vector<uint64_t> flat;
    for (const ColourBin& bin : level)
      flat.insert(flat.end(), {classification::packColourKey(bin.key), bin.count});
    return flat;
  };
  const std::vector<uint64_t> whole = levelZero(tall, nullptr);
  enginetest::expectSameForEveryWorkerCount([&] { return levelZero(tall, nullptr); });
  const blitz::Array<classification_test::Pixel, 2> firstGroup =
      tall(blitz::Range(0, 2047), blitz::Range::all());
  const std::vector<uint64_t> counted = levelZero(firstGroup.copy(), nullptr);
  enginetest::expectSameForEveryWorkerCount([&] {
    enginetest::ProgressRecorder second(2);  // the checkpoint before row 2048
    return levelZero(tall, &second);
  });
  enginetest::ProgressRecorder second(2);
  EXPECT_EQ(levelZero(tall, &second), counted);
  EXPECT_NE(counted, whole);
}

// A table made room for takes its bins without growing and finds every one of them, also
// after its lookup table was released.
TEST(ColourLevels, ReservedTablesFindEveryBin) {
  ColourHistogram level;
  level.reserve(5000);
  std::mt19937 rng(8);
  std::vector<uint64_t> keys;
  while (level.size() < 5000) {
    const uint64_t key = (uint64_t(rng()) << 16 ^ rng()) & 0xFFFFFFFFFFFFull;
    if (level.find(key) != ColourHistogram::kNotFound) continue;
    level[level.findOrInsert(key)].count = uint32_t(keys.size());
    keys.push_back(key);
  }
  level.releaseIndex();
  level.reserve(20000);
  for (size_t i = 0; i < keys.size(); ++i) ASSERT_EQ(level.find(keys[i]), uint32_t(i)) << i;
}

}  // namespace
