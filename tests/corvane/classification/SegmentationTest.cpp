#include <gtest/gtest.h>

#include "SegmentationFixtures.h"
#include "util/ProcessorCount.h"

using namespace segmentation_test;

namespace {

TEST(SegmentationSmoke, RunsAndLabels) {
  Seg seg;
  seg.setImage(photoLike(40, 48));
  seg.baseRecord = analysisRecord();
  EXPECT_TRUE(seg.run(ProgressRange()));
  std::cout << "labels " << seg.innerLabelCount << " scale " << seg.gradientScale << "\n";
  for (int r = -2; r < 42; r += 3) {
    for (int c = -2; c < 50; c += 2) std::cout << seg.innerLabels(r, c) % 10;
    std::cout << "   ";
    for (int c = 0; c < 48; c += 2) std::cout << char('a' + seg.gradientImage(r, c)[0] / 26);
    std::cout << "   ";
    for (int c = 0; c < 48; c += 2) std::cout << int(seg.localValues()(r, c)) << ",";
    std::cout << "\n";
  }
}

}  // namespace
