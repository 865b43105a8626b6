#include "util/SaturatingCast.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

namespace corvane {
namespace {

TEST(SaturatingCast, TruncatesInsideAndSaturatesOutside) {
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(saturatingCast<int32_t>(2.9), 2);
  EXPECT_EQ(saturatingCast<int32_t>(-2.9), -2);
  EXPECT_EQ(saturatingCast<int32_t>(2147483647.0), INT32_MAX);
  EXPECT_EQ(saturatingCast<int32_t>(2147483646.9), 2147483646);
  EXPECT_EQ(saturatingCast<int32_t>(2147483648.0), INT32_MAX);
  EXPECT_EQ(saturatingCast<int32_t>(-2147483648.5), INT32_MIN);
  EXPECT_EQ(saturatingCast<int32_t>(-2147483647.9), -2147483647);
  EXPECT_EQ(saturatingCast<int32_t>(inf), INT32_MAX);
  EXPECT_EQ(saturatingCast<int32_t>(-inf), INT32_MIN);
  EXPECT_EQ(saturatingCast<int32_t>(std::nan("")), 0);
  EXPECT_EQ(saturatingCast<int32_t>(2147483648.0f), INT32_MAX);
  EXPECT_EQ(saturatingCast<int32_t>(2147483520.0f), 2147483520);  // largest float below 2^31
  EXPECT_EQ(saturatingCast<uint32_t>(-0.5f), 0u);
  EXPECT_EQ(saturatingCast<uint32_t>(-7.0f), 0u);
  EXPECT_EQ(saturatingCast<uint32_t>(5e9), UINT32_MAX);
  EXPECT_EQ(saturatingCast<int64_t>(1e19), INT64_MAX);
  EXPECT_EQ(saturatingCast<uint8_t>(300.0f), 255);
}

}  // namespace
}  // namespace corvane
