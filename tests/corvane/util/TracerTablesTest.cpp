#include "util/TracerTables.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(TracerTables, QuadrantRowsTurnByAQuarter) {
  const TracerTable q = quadrantOffsets();
  for (int i = 0; i < 4; ++i) {
    const auto& row = q[i];
    const auto& next = q[(i + 1) % 4];
    EXPECT_EQ(row[0], (IndexPair{0, 0}));
    for (int k = 0; k < 4; ++k)
      EXPECT_EQ(next[k], (IndexPair{-row[k].second, row[k].first})) << i << ", " << k;
    // Edge neighbours one step along an axis, then the diagonal.
    EXPECT_EQ(std::abs(row[1].first) + std::abs(row[1].second), 1);
    EXPECT_EQ(std::abs(row[2].first) + std::abs(row[2].second), 1);
    EXPECT_EQ(row[3], (IndexPair{row[1].first + row[2].first, row[1].second + row[2].second}));
  }
  EXPECT_EQ(q[0][3], (IndexPair{1, 1}));
}

TEST(TracerTables, CrackStatesAreFixed) {
  const TracerTable c = crackStateTable();
  EXPECT_EQ(c[0][0], (IndexPair{0, 3}));
  EXPECT_EQ(c[0][1], (IndexPair{1, 0}));
  EXPECT_EQ(c[0][2], (IndexPair{-1, -1}));
  EXPECT_EQ(c[1][1], (IndexPair{3, 1}));
  EXPECT_EQ(c[2][3], (IndexPair{-2, -2}));
  for (int k = 0; k < 4; ++k) EXPECT_EQ(c[3][k], (IndexPair{-2, -2}));
}

}  // namespace
}  // namespace corvane
