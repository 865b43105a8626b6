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

}  // namespace
