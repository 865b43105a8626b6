#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "kestrum/utility/ProgressRange.h"

namespace {

struct Recorder : kestrum::utility::IiUI {
  std::vector<std::pair<float, std::string>> calls;
  void progress(float f, const std::string& label) override { calls.emplace_back(f, label); }
};

TEST(ProgressRange, SubRangesSplitConsecutivelyAndCheckpointsNameTheirPlace) {
  Recorder r;
  ProgressRange range(&r, 0.2f, 0.6f);
  ProgressRange a = range.subRange(0.3f);
  ProgressRange b = range.subRange(0.7f);
  EXPECT_FLOAT_EQ(a.end(), 0.32f);
  EXPECT_FLOAT_EQ(b.start(), 0.32f);
  EXPECT_FLOAT_EQ(b.end(), 0.48f);
  EXPECT_TRUE(r.calls.empty());
  b.checkpoint("corvane/include/classification/GlobalClassification", 219, "histogram", 0.5f);
  ASSERT_EQ(r.calls.size(), 1u);
  EXPECT_FLOAT_EQ(r.calls[0].first, 0.4f);
  EXPECT_EQ(r.calls[0].second,
            "corvane/include/classification/GlobalClassification: 219:\n(before [histogram]): ");
  // The whole range of a receiver reports 0 at once.
  ProgressRange whole(&r);
  EXPECT_EQ(r.calls.back(), std::make_pair(0.0f, std::string()));
}

TEST(ProgressRange, NullReceiverIsSilent) {
  ProgressRange range(nullptr, 0.0f, 1.0f);
  range.report("x", 0.5f);
  range.checkpoint("p", 1, "l", 0.5f);
  EXPECT_EQ(range.subRange(0.9f).ui(), nullptr);
}

}  // namespace
