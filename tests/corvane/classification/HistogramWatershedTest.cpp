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
using classification_test::RecordingUI;

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

TEST(HistogramWatershed, FrontsMeetByPriorityThenPlateauThenSteps) {
  struct Case {
    const char* what;
    std::vector<std::pair<int, uint32_t>> bins;
    std::vector<int> labels;  // per channel-0 value, in order
  };
  const Case cases[] = {
      {"empty", {}, {}},
      {"single bin", {{0, 5}}, {0}},
      // Peaks at 0 and 4; the valley at 2 is reached from 1 with priority 8 / 2 and from 3
      // with priority 2 / 2.
      {"priority", {{0, 16}, {1, 8}, {2, 0}, {3, 2}, {4, 16}}, {0, 0, 0, 1, 1}},
      // The left front crosses empty bins 1 and 2 at priority 0 and reaches 3 with plateau 1
      // after 3 steps; the right front falls to priority 0 only at bin 4 and reaches 3 with
      // plateau 0 after 7 steps.
      {"plateau",
       {{0, 4}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 2}, {6, 4}, {7, 8}, {8, 16}, {9, 32}, {10, 64}},
       {1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0}},
      // Both fronts reach the empty bin 2 at priority 0 and plateau 0: the left one in 2
      // steps, the right one in 3.
      {"steps", {{0, 4}, {1, 0}, {2, 0}, {3, 1}, {4, 2}, {5, 8}}, {1, 1, 1, 0, 0, 0}},
  };
  for (const Case& k : cases) {
    ColourHistogram h = chain(k.bins);
    WatershedResult slot;
    histogramWatershed(h, slot, ProgressRange());
    std::vector<int> labels;
    for (size_t v = 0; v < k.bins.size(); ++v) labels.push_back(labelAt(h, int(v)));
    EXPECT_EQ(labels, k.labels) << k.what;
    EXPECT_EQ(slot.nextLabel,
              labels.empty() ? 0 : *std::max_element(labels.begin(), labels.end()) + 1)
        << k.what;
  }
}

TEST(HistogramWatershed, SeedAboveEveryPendingPriorityStartsItsOwnLabel) {
  // The peak's edge to its neighbour has priority 20 / 2 = 10: a neighbour of count 11 starts
  // before the heap drains further, one of count 10 waits and is flooded.
  for (uint32_t count : {10u, 11u}) {
    ColourHistogram h;
    h[h.findOrInsert(ColourKey{0, 0, 0, 0, 0, 0})].count = 20;
    h[h.findOrInsert(ColourKey{0, 1, 0, 0, 0, 0})].count = count;
    h[h.findOrInsert(ColourKey{1, 0, 0, 0, 0, 0})].count = 10;
    WatershedResult slot;
    histogramWatershed(h, slot, ProgressRange());
    EXPECT_EQ(h[2].label, 0);
    EXPECT_EQ(h[1].label, count == 11 ? 1 : 0);
    EXPECT_EQ(slot.nextLabel, count == 11 ? 2 : 1);
  }
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

TEST(HistogramWatershed, LongFloodReportsWithinItsRangeAndCancels) {
  // One peak floods a 32 x 32 x 32 block of empty colours: far more than 32768 pops.
  ColourHistogram h;
  for (int a = 0; a < 32; ++a) {
    for (int b = 0; b < 32; ++b) {
      for (int c = 0; c < 32; ++c) h.findOrInsert(ColourKey{uint8_t(a), uint8_t(b), uint8_t(c)});
    }
  }
  h[0].count = 100;
  RecordingUI ui;
  WatershedResult slot;
  ProgressRange progress(&ui, 0.0f, 1.0f);
  progress.setCurrent(0.5f);  // the job's range narrows from here to 0.95
  histogramWatershed(h, slot, progress);
  EXPECT_EQ(slot.nextLabel, 1);
  for (const auto& bin : h) ASSERT_EQ(bin.label, 0);
  ASSERT_GE(ui.reports.size(), 2u);
  for (const auto& report : ui.reports) EXPECT_LE(report.fraction, 0.95f);

  for (size_t i = 0; i < h.size(); ++i) h[i].label = -1;
  RecordingUI cancelling("Watershed inner");
  WatershedResult fresh;
  EXPECT_THROW(histogramWatershed(h, fresh, ProgressRange(&cancelling, 0.0f, 1.0f)), CvExCancel);
}

}  // namespace
