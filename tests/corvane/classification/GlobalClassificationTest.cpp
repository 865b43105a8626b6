#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <vector>

#include "ClassificationTestSupport.h"
#include "classification/GlobalClassification.h"
#include "util/ProcessorCount.h"

using classification::ColourLevels;
using classification_test::pixel;
using classification_test::ProcessorOverride;
using classification_test::RecordingUI;
using Classification = classification::GlobalClassification<unsigned char, 6, int>;

namespace {

const std::string kClassificationPath = "corvane/include/classification/GlobalClassification: ";

blitz::Array<int, 2> labelsLike(const Classification::Image& image) {
  return blitz::Array<int, 2>(image.lbound(), image.extent());
}

// Every colour level's partition of the image.
std::vector<blitz::Array<int, 2>> partitions(Classification& classification) {
  std::vector<blitz::Array<int, 2>> all;
  for (int k = 0; k < 7; ++k) {
    blitz::Array<int, 2> labels = labelsLike(classification.image());
    classification.partition(k, labels, ProgressRange());
    all.push_back(labels);
  }
  return all;
}

TEST(GlobalClassification, TwoColourGroupsGetTwoClustersAndMaskedColoursNone) {
  blitz::Array<classification_test::Pixel, 2> image(3, 4);
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 4; ++j) {
      image(i, j) = j < 2 ? pixel(10 + i, 10, 10, 10, 10, 10) : pixel(200, 200, 200, 200, 200, i);
    }
  }
  image(2, 3) = pixel(90, 90, 90, 90, 90, 90);  // a colour found nowhere else
  blitz::Array<unsigned char, 2> mask(3, 4);
  mask = 1;
  mask(2, 3) = 0;
  Classification classification;
  classification.setImage(image);
  classification.setMask(mask);
  classification.run(ProgressRange());

  for (int k = 0; k < 7; ++k) EXPECT_NE(classification.result(k), Classification::kNotComputed);
  EXPECT_EQ(classification.result(6), 2u);
  blitz::Array<int, 2> labels = labelsLike(image);
  EXPECT_EQ(classification.partition(6, labels, ProgressRange()), 2u);
  EXPECT_NE(labels(0, 0), labels(0, 3));
  EXPECT_EQ(labels(1, 1), labels(0, 0));
  EXPECT_EQ(labels(1, 2), labels(0, 3));
  EXPECT_EQ(labels(2, 3), -1);  // masked out: its colour was never counted
  EXPECT_EQ(int(classification.watershedResult(6).nextLabel), 2);
}

TEST(GlobalClassification, SecondRunDoesNothingAndReportsNothing) {
  Classification classification;
  classification.setImage(classification_test::photoLikeImage(40, 30));
  classification.run(ProgressRange());
  const auto before = partitions(classification);
  const size_t binsBefore = classification.level(0).size();

  RecordingUI ui;
  classification.run(ProgressRange(&ui, 0.0f, 1.0f));
  EXPECT_TRUE(ui.reports.empty());
  EXPECT_EQ(classification.level(0).size(), binsBefore);
  const auto after = partitions(classification);
  for (int k = 0; k < 7; ++k) EXPECT_TRUE(blitz::all(before[k] == after[k])) << k;

  // A new image is classified afresh, not from the stale levels.
  const auto image = classification_test::photoLikeImage(30, 10, 0, 0, 9);
  classification.setImage(image);
  classification.run(ProgressRange());
  Classification fresh;
  fresh.setImage(image);
  fresh.run(ProgressRange());
  for (int k = 0; k < 7; ++k) {
    EXPECT_EQ(classification.result(k), fresh.result(k));
    EXPECT_EQ(classification.level(k).totalCount(), 300u);
  }
}

TEST(GlobalClassification, RunAfterCancelMatchesAFreshRun) {
  const auto image = classification_test::photoLikeImage(50, 40, 0, 7);
  Classification fresh;
  fresh.setImage(image);
  fresh.run(ProgressRange());

  for (const char* cancelAt : {"[histogram]", "[histogram subsample]"}) {
    Classification again;
    again.setImage(image);
    RecordingUI ui(cancelAt);
    EXPECT_THROW(again.run(ProgressRange(&ui, 0.0f, 1.0f)), CvExCancel);
    again.run(ProgressRange());
    for (int k = 0; k < 7; ++k) {
      EXPECT_EQ(again.result(k), fresh.result(k));
      EXPECT_EQ(again.level(k).totalCount(), fresh.level(k).totalCount());
    }
    const auto expected = partitions(fresh);
    const auto actual = partitions(again);
    for (int k = 0; k < 7; ++k) EXPECT_TRUE(blitz::all(expected[k] == actual[k])) << k;
  }
}

TEST(GlobalClassification, PartitionCheckpointsCancelAndShape) {
  // Rows 1020..1030: the one partition checkpoint is at row 1024.
  const auto image = classification_test::photoLikeImage(11, 4, 1020, 2);
  Classification classification;
  classification.setImage(image);
  classification.run(ProgressRange());

  RecordingUI ui;
  blitz::Array<int, 2> labels = labelsLike(image);
  classification.partition(3, labels, ProgressRange(&ui, 0.0f, 1.0f));
  ASSERT_EQ(ui.reports.size(), 1u);
  EXPECT_EQ(ui.reports[0].label, kClassificationPath + "168:\n(before [partition]): ");
  EXPECT_FLOAT_EQ(ui.reports[0].fraction, 4.0f / 11.0f);
  EXPECT_TRUE(blitz::all(labels >= 0));

  // The label array may sit elsewhere as long as it has the image's shape.
  blitz::Array<int, 2> zeroBased(11, 4);
  classification.partition(3, zeroBased, ProgressRange());
  EXPECT_EQ(zeroBased(0, 0), labels(1020, 2));
  EXPECT_EQ(zeroBased(10, 3), labels(1030, 5));

  RecordingUI cancelling("[partition]");
  EXPECT_THROW(classification.partition(3, labels, ProgressRange(&cancelling, 0.0f, 1.0f)),
               CvExCancel);

  blitz::Array<int, 2> narrow(11, 3);
  try {
    classification.partition(3, narrow, ProgressRange());
    FAIL() << "label array of another shape accepted";
  } catch (const char* text) {
    EXPECT_STREQ(text, "Label array does not match image");
  }
}

TEST(GlobalClassification, PoolFailureAndCancelAfterEveryWorkerStopped) {
  ProcessorOverride four(4);
  corvane::WorkerPool pool;
  std::mutex mutex;
  std::vector<uint32_t> done;
  std::atomic<int> stopped{0};
  try {
    Classification::runLevelJobs(pool, [&](unsigned) {
      for (uint32_t k; (k = pool.takeDescending()) != corvane::WorkerPool::kNoJob;) {
        if (k == 3) {
          ++stopped;
          throw std::bad_alloc();
        }
        std::lock_guard<std::mutex> lock(mutex);
        done.push_back(k);
      }
      ++stopped;
    });
    FAIL() << "no failure";
  } catch (const char* text) {
    EXPECT_STREQ(text, "Unhandled exception in worker thread.");
  }
  EXPECT_EQ(stopped.load(), 4);
  EXPECT_EQ(std::count(done.begin(), done.end(), 3u), 0);

  // A cancel in one worker wins over a failure in another; the counter restarts at 6.
  std::atomic<int> firstJobs{0};
  EXPECT_THROW(Classification::runLevelJobs(pool,
                                            [&](unsigned worker) {
                                              if (pool.takeDescending() == 6) ++firstJobs;
                                              if (worker == 0) throw CvExCancel();
                                              if (worker == 1) throw "failed";
                                            }),
               CvExCancel);
  EXPECT_LE(firstJobs.load(), 1);
}

}  // namespace
