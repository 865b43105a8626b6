#include "mask/ColourOps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace corvane {
namespace mask {
namespace {

TEST(ColourOps, MedianOfFiveIsTheThirdSmallestForEveryOrder) {
  // Every tuple over four values, duplicates included.
  for (int code = 0; code < 4 * 4 * 4 * 4 * 4; ++code) {
    int v[5];
    for (int k = 0, c = code; k < 5; ++k, c /= 4) v[k] = c % 4;
    int sorted[5];
    std::copy(v, v + 5, sorted);
    std::sort(sorted, sorted + 5);
    ASSERT_EQ(median5(v[0], v[1], v[2], v[3], v[4]), sorted[2]) << "tuple code " << code;
  }
  EXPECT_EQ(median5<uint16_t>(65535, 0, 40000, 3, 65535), 40000);
}

}  // namespace
}  // namespace mask
}  // namespace corvane
