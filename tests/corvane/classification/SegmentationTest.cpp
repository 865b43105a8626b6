#include <gtest/gtest.h>

#include <thread>

#include "ClassificationTestSupport.h"
#include "SegmentationFixtures.h"
#include "util/ProcessorCount.h"

using namespace segmentation_test;

namespace {

using classification_test::ProcessorOverride;

// Marks placed in every stage's output after a run: a stage that recomputes overwrites its own.
struct Marks {
  static void place(Seg& seg) {
    seg.blockHistograms(0, 0)[3].bins(seg.blockHistograms(0, 0)[3].firstBin()) = -99;
    seg.gradientImage(5, 5)[0] = 3;
    seg.localValueMap.array()(5, 5) = 77;
    seg.innerLabels(5, 5) = 123456;
  }
  static bool histograms(const Seg& seg) {
    const auto& h = seg.blockHistograms(0, 0)[3];
    return h.bins(h.firstBin()) == -99;
  }
  static bool gradients(const Seg& seg) { return seg.gradientImage(5, 5)[0] == 3; }
  static bool values(const Seg& seg) { return seg.localValues()(5, 5) == 77; }
  static bool labels(const Seg& seg) { return seg.innerLabels(5, 5) == 123456; }
};

class SegmentationRun : public ::testing::Test {
 protected:
  void SetUp() override {
    seg.setImage(photoLike(40, 48));
    seg.baseRecord = analysisRecord();
  }
  Seg seg;
};

TEST_F(SegmentationRun, RecomputesOnlyWhatItsParametersMadeStale) {
  ASSERT_TRUE(seg.run(ProgressRange()));
  for (const LevelRecord& slot : seg.levelRecords) EXPECT_EQ(slot, seg.baseRecord);
  EXPECT_GT(seg.innerLabelCount, 1);

  Marks::place(seg);
  EXPECT_FALSE(seg.run(ProgressRange()));  // same parameters: nothing is touched
  EXPECT_TRUE(Marks::histograms(seg) && Marks::gradients(seg) && Marks::values(seg) &&
              Marks::labels(seg));

  seg.baseRecord.innerScale = 3.0f;  // the image tolerance feeds the region flood alone
  EXPECT_TRUE(seg.run(ProgressRange()));
  EXPECT_TRUE(Marks::histograms(seg) && Marks::gradients(seg) && Marks::values(seg));
  EXPECT_FALSE(Marks::labels(seg));

  Marks::place(seg);
  seg.baseRecord.valueLimit = 5;  // the value bounds feed the last two stages
  EXPECT_TRUE(seg.run(ProgressRange()));
  EXPECT_TRUE(Marks::histograms(seg) && Marks::gradients(seg));
  EXPECT_FALSE(Marks::values(seg) || Marks::labels(seg));

  // histogramMode changes count only while the recorded mode is at most 2.
  seg.baseRecord.histogramMode = 3;
  EXPECT_FALSE(seg.run(ProgressRange()));
  seg.baseRecord.histogramMode = 1;
  EXPECT_FALSE(seg.run(ProgressRange()));  // recorded 3 (> 2): ignored
  seg.baseRecord.histogramMode = 2;
  EXPECT_TRUE(seg.run(ProgressRange()));  // recorded 1: stale
  EXPECT_FALSE(Marks::histograms(seg) || Marks::gradients(seg));

  seg.baseRecord.innerScale = 1.0f;  // region stages off
  EXPECT_TRUE(seg.run(ProgressRange()));
  EXPECT_EQ(seg.innerLabelCount, -1);
  EXPECT_EQ(seg.innerLabels.numElements(), 0u);
  EXPECT_EQ(seg.regionMap.numElements(), 0u);
}

TEST_F(SegmentationRun, BlockSizesBelowOneCountAsOne) {
  for (int32_t blockSize : {0, -4}) {
    seg.baseRecord.blockSize = blockSize;
    EXPECT_TRUE(seg.run(ProgressRange()));
    EXPECT_EQ(seg.blockHistograms.extent(0), 40);
    EXPECT_EQ(seg.blockHistograms.extent(1), 48);
  }
}

TEST_F(SegmentationRun, AllChannelsOffReportsTheEndAndTouchesNothing) {
  seg.channelFlags.fill(false);
  Recorder ui;
  const auto before = seg.levelRecords;
  EXPECT_FALSE(seg.run(ProgressRange(&ui, 0.3f, 0.9f)));
  ASSERT_EQ(ui.reports.size(), 1u);
  EXPECT_EQ(ui.reports[0].first, 0.9f);
  EXPECT_EQ(ui.reports[0].second, "");
  EXPECT_EQ(seg.levelRecords, before);
  EXPECT_EQ(seg.gradientImage.numElements(), 0u);
}

TEST_F(SegmentationRun, StagesEndAtTheirFractionsOfTheRange) {
  Recorder ui;
  ASSERT_TRUE(seg.run(ProgressRange(&ui, 0.3f, 0.9f)));
  const float s = 0.3f, e = 0.9f;
  // Histogram jobs report as they are taken, the last (no job left) at the stage's end.
  const float histogramsEnd = e * 0.14285715f + s * 0.85714287f;
  const float gradientStart = (1.0f - 0.2857143f) * s + 0.2857143f * e;
  const float gradientEnd = e * 0.42857143f + s * 0.5714286f;
  const float valueStart = (1.0f - 0.42857143f) * s + 0.42857143f * e;
  const float valueEnd = e * 0.44285715f + s * 0.55714285f;
  std::vector<float> histogramReports;
  for (int k = 1; k <= 7; ++k) {
    const float f = std::min(float(k) / 6.0f, 1.0f);
    histogramReports.push_back((1.0f - f) * s + f * histogramsEnd);
  }
  ASSERT_GE(ui.reports.size(), 7u);
  for (int k = 0; k < 7; ++k) EXPECT_EQ(ui.reports[size_t(k)].first, histogramReports[size_t(k)]);
  EXPECT_EQ(ui.reports[6].first, histogramsEnd);
  bool gradientCheckpoint = false;
  for (const auto& r : ui.reports) {
    if (r.second.find("After array creation") == std::string::npos) continue;
    gradientCheckpoint = true;
    EXPECT_EQ(r.second, "src/classification/Segmentation: 256:\n(before [After array creation]): ");
    EXPECT_EQ(r.first, (1.0f - 0.1f) * gradientStart + 0.1f * gradientEnd);
  }
  EXPECT_TRUE(gradientCheckpoint);
  EXPECT_TRUE(ui.saw((1.0f - 0.1f) * valueStart + 0.1f * valueEnd));  // block values done
  EXPECT_TRUE(ui.saw((1.0f - 0.8f) * gradientStart + 0.8f * gradientEnd));
  for (const auto& r : ui.reports) EXPECT_LE(r.first, e);
}

TEST_F(SegmentationRun, HistogramJobsRunFromChannelFiveDown) {
  ProcessorOverride one(1);
  // At each report a job is being taken: the channels above it are done, the others not.
  struct Watcher : Recorder {
    Seg* seg = nullptr;
    std::vector<std::vector<bool>> done;
    void progress(float fraction, const std::string& label) override {
      if (done.size() < 7) {
        std::vector<bool> d;
        for (int c = 0; c < 6; ++c) d.push_back(seg->blockHistograms(0, 0)[c].binCount() > 0);
        done.push_back(d);
      }
      Recorder::progress(fraction, label);
    }
  } ui;
  ui.seg = &seg;
  ASSERT_TRUE(seg.run(ProgressRange(&ui, 0.0f, 1.0f)));
  ASSERT_EQ(ui.done.size(), 7u);
  for (int k = 0; k < 7; ++k) {
    for (int c = 0; c < 6; ++c) EXPECT_EQ(ui.done[size_t(k)][size_t(c)], c > 5 - k) << k << c;
  }
  // Unchanged: no job recomputes, and the jobs still advance the progress by sixths.
  Recorder again;
  EXPECT_FALSE(seg.run(ProgressRange(&again, 0.0f, 1.0f)));
  ASSERT_GE(again.reports.size(), 7u);
  for (int k = 0; k < 7; ++k)
    EXPECT_EQ(again.reports[size_t(k)].first, ui.reports[size_t(k)].first);
}

TEST_F(SegmentationRun, CancellationLeavesEverySlotFresh) {
  ASSERT_TRUE(seg.run(ProgressRange()));
  Marks::place(seg);
  seg.baseRecord.windowRadius = 2;
  struct CancelInGradients : Recorder {
    void progress(float fraction, const std::string& label) override {
      if (label.find("After array creation") != std::string::npos) throw CvExCancel();
    }
  } ui;
  EXPECT_THROW(seg.run(ProgressRange(&ui, 0.0f, 1.0f)), CvExCancel);
  EXPECT_TRUE(allFresh(seg));
  Marks::place(seg);
  EXPECT_TRUE(seg.run(ProgressRange()));  // starts over from the histograms
  EXPECT_FALSE(Marks::histograms(seg) || Marks::gradients(seg) || Marks::values(seg) ||
               Marks::labels(seg));
}

TEST_F(SegmentationRun, WorkerFailuresAreRaisedAfterTheJoin) {
  // A receiver failing inside the histogram worker (second job report, taken there).
  Recorder ui;
  ui.throwAt = 2;  // the first job is taken before the worker starts, the second inside it
  ui.throwCancel = false;
  try {
    seg.run(ProgressRange(&ui, 0.0f, 1.0f));
    FAIL() << "no failure";
  } catch (const char* text) {
    EXPECT_STREQ(text, "Unhandled exception in worker thread.");
  }
  EXPECT_TRUE(allFresh(seg));

  // The same inside a gradient worker.
  ProcessorOverride one(1);
  struct FailInBands : Recorder {
    std::thread::id caller = std::this_thread::get_id();
    void progress(float, const std::string&) override {
      if (std::this_thread::get_id() != caller) throw std::runtime_error("receiver failed");
    }
  } bands;
  Seg big;
  big.setImage(photoLike(300, 20));
  big.baseRecord = analysisRecord();
  big.updateHistograms(false, ProgressRange());  // the histogram worker would fail first
  big.watershedLevels(true, ProgressRange());
  try {
    big.updateGradients(true, ProgressRange(&bands, 0.0f, 1.0f));
    FAIL() << "no failure";
  } catch (const char* text) {
    EXPECT_STREQ(text, "Unhandled exception in worker thread.");
  }
}

}  // namespace
