#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "ClassificationTestSupport.h"
#include "classification/ColourHistogram.h"
#include "classification/HistogramWatershed.h"

using classification::ColourHistogram;
using classification::ColourKey;
using classification::histogramWatershed;
using classification::WatershedResult;

namespace {

// A histogram of bins along channel 0, inserted in the order given: (channel 0 value, count).
ColourHistogram chain(const std::vector<std::pair<int, uint32_t>>& bins) {
  ColourHistogram histogram;
  for (const auto& [value, count] : bins) {
    histogram[histogram.findOrInsert(ColourKey{uint8_t(value), 0, 0, 0, 0, 0})].count = count;
  }
  return histogram;
}

int labelAt(const ColourHistogram& histogram, int value) {
  return histogram[histogram.find(ColourKey{uint8_t(value), 0, 0, 0, 0, 0})].label;
}

TEST(HistogramWatershed, LabelsStopAtTheLimitAndPresetLabelsStay) {
  ColourHistogram h = chain({{0, 9}, {10, 8}, {20, 7}, {30, 6}, {40, 5}});
  h[4].label = 77;  // already owned: not a seed and not flooded
  WatershedResult slot;
  slot.labelLimit = 2;
  histogramWatershed(h, slot, ProgressRange());
  EXPECT_EQ(labelAt(h, 0), 0);
  EXPECT_EQ(labelAt(h, 10), 1);
  EXPECT_EQ(labelAt(h, 20), 2);
  EXPECT_EQ(labelAt(h, 30), 2);
  EXPECT_EQ(labelAt(h, 40), 77);
  EXPECT_EQ(slot.nextLabel, 3);
}

}  // namespace
