#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "ClassificationTestSupport.h"
#include "EngineTestSupport.h"
#include "classification/ColourHistogram.h"
#include "classification/GlobalClassification.h"
#include "kestrum/utility/ProgressRange.h"

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

}  // namespace
