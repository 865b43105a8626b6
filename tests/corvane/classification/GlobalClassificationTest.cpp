#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ClassificationTestSupport.h"
#include "classification/GlobalClassification.h"
#include "util/ProcessorCount.h"

using classification::ColourLevels;
using classification_test::pixel;
using RecordingUI = enginetest::ProgressRecorder;
using Classification = classification::GlobalClassification<unsigned char, 6, int>;

namespace {

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

  EXPECT_EQ(classification.result(6), 2u);
  blitz::Array<int, 2> labels = labelsLike(image);
  EXPECT_EQ(classification.partition(6, labels, ProgressRange()), 2u);
  EXPECT_NE(labels(0, 0), labels(0, 3));
  EXPECT_EQ(labels(1, 1), labels(0, 0));
  EXPECT_EQ(labels(1, 2), labels(0, 3));
  EXPECT_EQ(labels(2, 3), -1);  // masked out: its colour was never counted
}

TEST(GlobalClassification, RunAfterCancelMatchesAFreshRun) {
  const auto image = classification_test::photoLikeImage(50, 40, 0, 7);
  Classification fresh;
  fresh.setImage(image);
  fresh.run(ProgressRange());

  for (const char* cancelAt : {"[histogram]", "[histogram subsample]"}) {
    Classification again;
    again.setImage(image);
    RecordingUI ui(0, cancelAt);
    EXPECT_THROW(again.run(ProgressRange(&ui, 0.0f, 1.0f)), CvExCancel);
    again.run(ProgressRange());
    const auto expected = partitions(fresh);
    const auto actual = partitions(again);
    for (int k = 0; k < 7; ++k) EXPECT_TRUE(blitz::all(expected[k] == actual[k])) << k;
  }
}

// A run started on the workers gives what run() gives, for any number of processors, also
// after a started run was abandoned part way.
TEST(GlobalClassification, StartedRunsMatchARunAndSurviveAbandoning) {
  const auto image = classification_test::photoLikeImage(60, 70, 3, 5);
  Classification reference;
  reference.setImage(image);
  reference.run(ProgressRange());
  const auto expected = partitions(reference);
  for (const unsigned processors : {1u, 2u, 8u}) {
    SCOPED_TRACE(testing::Message() << processors << " processors");
    corvane::setProcessorCountOverride(processors);
    Classification started;
    started.setImage(image);
    started.startRun(ProgressRange());
    started.abandonRun();
    for (int round = 0; round < 2; ++round) {
      started.setImage(image);  // drops the clusters of the round before
      started.startRun(ProgressRange());
      started.finishRun();
      for (int k = 0; k < 7; ++k) EXPECT_EQ(started.result(k), reference.result(k)) << k;
      const auto actual = partitions(started);
      for (int k = 0; k < 7; ++k) EXPECT_TRUE(blitz::all(expected[k] == actual[k])) << k;
    }
    corvane::setProcessorCountOverride(0);
  }
}

TEST(GlobalClassification, PartitionCancelAndShape) {
  const auto image = classification_test::photoLikeImage(11, 4, 1020, 2);
  Classification classification;
  classification.setImage(image);
  classification.run(ProgressRange());

  blitz::Array<int, 2> labels = labelsLike(image);
  classification.partition(3, labels, ProgressRange());
  EXPECT_TRUE(blitz::all(labels >= 0));

  // The label array may sit elsewhere as long as it has the image's shape.
  blitz::Array<int, 2> zeroBased(11, 4);
  classification.partition(3, zeroBased, ProgressRange());
  EXPECT_EQ(zeroBased(0, 0), labels(1020, 2));
  EXPECT_EQ(zeroBased(10, 3), labels(1030, 5));

  RecordingUI cancelling(0, "[partition]");
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

// Everything a run and its partitions leave behind that banding could disturb: the bins of
// every level in list order, the results, the progress reports, the labels, and the bins that
// partitions insert for colours outside the mask.
struct ClassificationTrace {
  std::vector<uint64_t> bins;
  std::vector<std::string> reports;
  std::vector<int> labels;
  bool operator==(const ClassificationTrace& o) const {
    return bins == o.bins && reports == o.reports && labels == o.labels;
  }
};

void traceLevels(const Classification& classification, ClassificationTrace& trace) {
  for (int k = 0; k < 7; ++k) {
    trace.bins.push_back(classification.result(k));
    for (const classification::ColourBin& bin : classification.level(k)) {
      trace.bins.push_back(classification::packColourKey(bin.key));
      trace.bins.push_back(uint64_t(uint32_t(bin.label)) << 32 | bin.count);
    }
  }
}

void traceReports(const RecordingUI& ui, ClassificationTrace& trace) {
  for (const RecordingUI::Report& report : ui.reports) {
    trace.reports.push_back(report.label + " " + std::to_string(report.fraction));
  }
}

class CancelAtSecondPartition : public kestrum::utility::IiUI {
 public:
  void progress(float, const std::string& label) override {
    if (label.find("[partition]") != std::string::npos && ++seen_ == 2) throw CvExCancel();
  }

 private:
  int seen_ = 0;
};

ClassificationTrace traceRun(const Classification::Image& image, const Classification::Mask& mask) {
  ClassificationTrace trace;
  Classification classification;
  classification.setImage(image);
  classification.setMask(mask);
  RecordingUI ui;
  classification.run(ProgressRange(&ui, 0.0f, 1.0f));
  traceReports(ui, trace);
  traceLevels(classification, trace);
  // Level 3 twice: the second partition finds the colours the first one inserted.
  for (int k : {0, 3, 3}) {
    blitz::Array<int, 2> labels = labelsLike(image);
    RecordingUI partitionUI;
    classification.partition(k, labels, ProgressRange(&partitionUI, 0.0f, 1.0f));
    traceReports(partitionUI, trace);
    trace.labels.insert(trace.labels.end(), labels.begin(), labels.end());
    traceLevels(classification, trace);
  }
  // A cancel keeps the rows and the inserted colours before its checkpoint, and only those.
  blitz::Array<int, 2> labels = labelsLike(image);
  labels = -7;
  CancelAtSecondPartition cancelling;
  try {
    classification.partition(1, labels, ProgressRange(&cancelling, 0.0f, 1.0f));
    trace.labels.push_back(0);  // a walk with fewer than two checkpoints ends
  } catch (const CvExCancel&) {
    trace.labels.push_back(1);
  }
  trace.labels.insert(trace.labels.end(), labels.begin(), labels.end());
  traceLevels(classification, trace);
  return trace;
}

TEST(GlobalClassification, RowBandsGiveTheOneThreadResult) {
  // Rows 1000 to 3111 cross the checkpoint rows of both walks; the mask leaves colours out,
  // and a transposed view walks the image with a column stride.
  const Classification::Image image = classification_test::photoLikeImage(2112, 29, 1000, -3, 4);
  Classification::Mask mask(image.lbound(), image.extent());
  for (int i = mask.lbound(0); i <= mask.ubound(0); ++i) {
    for (int j = mask.lbound(1); j <= mask.ubound(1); ++j) {
      mask(i, j) = (i * 7 + j * 3) % 11 < 2 ? 16 : uint8_t(1 << ((i + j) % 4));
    }
  }
  const Classification::Image transposed = image.transpose(1, 0);
  const Classification::Mask transposedMask = mask.transpose(1, 0);
  for (bool masked : {false, true}) {
    for (bool across : {false, true}) {
      const Classification::Image& walked = across ? transposed : image;
      const Classification::Mask none;
      const Classification::Mask& used = masked ? (across ? transposedMask : mask) : none;
      const ClassificationTrace expected =
          enginetest::expectSameForEveryWorkerCount([&] { return traceRun(walked, used); });
      EXPECT_FALSE(expected.reports.empty());
    }
  }
}

}  // namespace
