#include "classification/ChannelFilter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

using classification::filterChannel16;
using classification::filterChannel8;

namespace {

using Colours16 = blitz::Array<blitz::TinyVector<uint16_t, 3>, 2>;

blitz::Array<int32_t, 2> ones3x3() {
  blitz::Array<int32_t, 2> k(blitz::Range(-1, 1), blitz::Range(-1, 1));
  k = 1;
  return k;
}

blitz::Array<uint8_t, 2> image8(int rows, int cols, const std::vector<int>& values) {
  blitz::Array<uint8_t, 2> a(rows, cols);
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < cols; ++c) a(r, c) = static_cast<uint8_t>(values[r * cols + c]);
  return a;
}

TEST(ChannelFilter, EmptyKernelAndSmallSources) {
  blitz::Array<int32_t, 2> none(blitz::Range(-1, 1), blitz::Range(-1, 1));
  none = 0;
  const auto source = image8(4, 4, std::vector<int>(16, 9));
  blitz::Array<uint8_t, 2> target(4, 4);
  target = 5;
  filterChannel8(source, target, none, ProgressRange(), 0.5f, 0, 255);
  EXPECT_EQ(blitz::sum(target == 0), 4);  // the inner 2x2
  EXPECT_EQ(target(0, 0), 5);

  const auto narrow = image8(4, 2, std::vector<int>(8, 9));
  blitz::Array<uint8_t, 2> narrowTarget(4, 2);
  narrowTarget = 5;
  filterChannel8(narrow, narrowTarget, ones3x3(), ProgressRange(), 0.5f, 0, 255);
  EXPECT_EQ(blitz::sum(narrowTarget == 5), 8);
}

TEST(ChannelFilter, SixteenBitChannelKeepsOtherChannelsAndBoundsSamples) {
  Colours16 source(blitz::TinyVector<int, 2>(10, 20), blitz::TinyVector<int, 2>(3, 4));
  for (int r = 10; r < 13; ++r)
    for (int c = 20; c < 24; ++c) source(r, c) = blitz::TinyVector<uint16_t, 3>(1, 60000, 3);
  Colours16 target = source.copy();
  // Samples above the range count as its upper bound.
  const corvane::Box domain =
      filterChannel16(source, 1, target, ones3x3(), 0.5f, 0, 32768, ProgressRange());
  EXPECT_EQ(domain, (corvane::Box{11, 21, 11, 22}));
  EXPECT_EQ(target(11, 21)[1], 32768);
  EXPECT_EQ(target(11, 22)[1], 32768);
  EXPECT_EQ(target(10, 21)[1], 60000);  // outside the filtered domain
  EXPECT_EQ(target(11, 21)[0], 1);
  EXPECT_EQ(target(11, 21)[2], 3);

  source(11, 21)[2] = 900;
  source(12, 22)[2] = 800;
  filterChannel16(source, 2, target, ones3x3(), 0.5f, 0, 65535, ProgressRange());
  EXPECT_EQ(target(11, 21)[2], 3);
}

}  // namespace
