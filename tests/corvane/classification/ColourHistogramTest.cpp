#include <gtest/gtest.h>

#include "ClassificationTestSupport.h"
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

TEST(ColourHistogram, KeepsInsertionOrderAndFindsEveryBinAcrossGrowth) {
  ColourHistogram histogram;
  std::vector<ColourKey> keys;
  // Keys that differ only in channel 3 share their low hash bits: the probing must cope.
  for (int i = 0; i < 60000; ++i) {
    keys.push_back(ColourKey{uint8_t(i % 7), uint8_t(i / 251), 9, uint8_t(i % 251), 0, 1});
  }
  for (size_t i = 0; i < keys.size(); ++i) {
    const uint32_t position = histogram.findOrInsert(keys[i]);
    ASSERT_EQ(position, i);
    histogram[position].count = uint32_t(i);
  }
  ASSERT_EQ(histogram.size(), keys.size());
  for (size_t i = 0; i < keys.size(); ++i) {
    ASSERT_EQ(histogram.find(keys[i]), i);
    ASSERT_EQ(histogram.findOrInsert(keys[i]), i);
    EXPECT_EQ(histogram[i].key, keys[i]);
  }
  EXPECT_EQ(histogram.find(ColourKey{200, 200, 200, 200, 200, 200}), ColourHistogram::kNotFound);
  histogram.clear();
  EXPECT_TRUE(histogram.empty());
  EXPECT_EQ(histogram.find(keys[0]), ColourHistogram::kNotFound);
}

class HistogramBuild : public ::testing::Test {
 protected:
  void build() { Classification::buildHistograms(classification, levels, ProgressRange()); }
  uint64_t total(int colourLevel) const { return levels[colourLevel].totalCount(); }

  Classification classification;
  ColourLevels levels;
};

TEST_F(HistogramBuild, EmptyMaskCountsEveryPixelAndMergesByLevel) {
  blitz::Array<classification_test::Pixel, 2> image(2, 3);
  image(0, 0) = pixel(10, 20, 30, 40, 50, 60);
  image(0, 1) = pixel(10, 20, 30, 40, 50, 60);
  image(0, 2) = pixel(11, 20, 30, 40, 50, 60);  // differs in the lowest bit of channel 0
  image(1, 0) = pixel(200, 0, 0, 0, 0, 255);
  image(1, 1) = pixel(201, 1, 1, 1, 1, 254);
  image(1, 2) = pixel(0, 0, 0, 0, 0, 0);
  classification.setImage(image);
  build();

  ASSERT_EQ(levels[0].size(), 5u);
  const uint32_t same = levels[0].find(ColourKey{10, 20, 30, 40, 50, 60});
  EXPECT_EQ(levels[0][same].count, 2u);
  const uint32_t merged = levels[1].find(ColourKey{5, 10, 15, 20, 25, 30});
  ASSERT_NE(merged, ColourHistogram::kNotFound);
  EXPECT_EQ(levels[1][merged].count, 3u);
  for (int k = 0; k < 7; ++k) {
    EXPECT_EQ(total(k), 6u) << "colour level " << k;
    for (const ColourBin& bin : levels[k]) EXPECT_EQ(bin.label, -1);
  }
  EXPECT_EQ(levels[6].size(), 2u);  // only the top two bits remain: dark and (3,0,0,0,0,3)
}

TEST_F(HistogramBuild, MaskSelectsPixelsByMaskBits) {
  blitz::Array<classification_test::Pixel, 2> image = classification_test::photoLikeImage(4, 5);
  blitz::Array<unsigned char, 2> mask(4, 5);
  mask = 16;  // shares no bit with 15
  mask(2, 3) = 32 | 8;
  mask(0, 0) = 1;
  classification.setImage(image);
  classification.setMask(mask);
  build();
  for (int k = 0; k < 7; ++k) EXPECT_EQ(total(k), 2u);

  mask = 0xF0;
  build();
  for (int k = 0; k < 7; ++k) EXPECT_TRUE(levels[k].empty()) << "colour level " << k;
}

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

}  // namespace
