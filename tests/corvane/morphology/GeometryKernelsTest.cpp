#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "morphology/DistanceRelaxation.h"
#include "morphology/PolylineSimplification.h"

using namespace corvane::morphology;

namespace {

TEST(DistanceRelaxation, TakesOnlyStrictlyShorterDistancesWithTheirColour) {
  blitz::Array<int32_t, 2> dist(blitz::TinyVector<int, 2>(-1, 3), blitz::TinyVector<int, 2>(2, 2));
  blitz::Array<SourceColour, 2> source(dist.lbound(), dist.extent());
  const DistancePoint p(-1, 3), q(0, 4);
  dist(p) = 10;
  source(p) = SourceColour(1, 2, 3);
  source(q) = SourceColour(9, 9, 9);
  for (int32_t before : {80, 81}) {  // a tie, then one longer
    dist(q) = before;
    relaxDistance(dist, source, p, q, 70);
    EXPECT_EQ(dist(q), 80);
    EXPECT_EQ(source(q)(2), before == 80 ? 9 : 3);
  }
  dist(q) = 200;
  relaxDistanceOnly(dist, p, q, 99);
  EXPECT_EQ(dist(q), 109);
}

TEST(DistanceRelaxation, UnreachedSourceDoesNotWrapIntoAShortDistance) {
  blitz::Array<int32_t, 2> dist(1, 2);
  const int32_t far = std::numeric_limits<int32_t>::max();
  for (int32_t before : {5, far}) {
    dist(0, 0) = far;
    dist(0, 1) = before;
    relaxDistanceOnly(dist, DistancePoint(0, 0), DistancePoint(0, 1), 70);
    EXPECT_EQ(dist(0, 1), before);
  }
}

using Points = std::vector<PolylinePoint>;
using PointsF = std::vector<PolylinePointF>;

::testing::AssertionResult samePoints(const Points& want, const Points& got) {
  if (want.size() != got.size())
    return ::testing::AssertionFailure() << "sizes " << want.size() << " vs " << got.size();
  for (size_t k = 0; k < want.size(); ++k)
    if (want[k](0) != got[k](0) || want[k](1) != got[k](1))
      return ::testing::AssertionFailure() << "point " << k << " differs";
  return ::testing::AssertionSuccess();
}

TEST(PolylineSimplification, RangeKeepsOnlyPointsBeyondTheTolerance) {
  std::vector<const PolylinePoint*> stack;
  Points out(8);

  // Collinear points reduce to the first one (the caller appends the last).
  const Points straight = {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {5, 5}};
  PolylinePoint* end = simplifyPolylineRange(stack, &straight[0], &straight[4], out.data(), 0.0f);
  EXPECT_TRUE(samePoints({{0, 0}}, Points(out.data(), end)));
  EXPECT_TRUE(stack.empty());

  // (1, 2) lies exactly 1 from the chord (0, 0)-(0, 4): dropped at tolerance 1, kept below.
  const Points bump = {{0, 0}, {1, 2}, {0, 4}};
  end = simplifyPolylineRange(stack, &bump[0], &bump[2], out.data(), 1.0f);
  EXPECT_TRUE(samePoints({{0, 0}}, Points(out.data(), end)));
  end = simplifyPolylineRange(stack, &bump[0], &bump[2], out.data(), 0.99f);
  EXPECT_TRUE(samePoints({{0, 0}, {1, 2}}, Points(out.data(), end)));

  // Two adjacent points: only the first.
  end = simplifyPolylineRange(stack, &bump[0], &bump[1], out.data(), 0.5f);
  EXPECT_TRUE(samePoints({{0, 0}}, Points(out.data(), end)));

  // Points on both sides of the chord survive.
  const Points zigzag = {{0, 0}, {2, 1}, {-2, 3}, {0, 4}};
  end = simplifyPolylineRange(stack, &zigzag[0], &zigzag[3], out.data(), 0.5f);
  EXPECT_TRUE(samePoints({{0, 0}, {2, 1}, {-2, 3}}, Points(out.data(), end)));
  EXPECT_TRUE(stack.empty());
}

TEST(PolylineSimplification, ClosedOutlineSplitsAtTheFarthestPoint) {
  std::vector<const PolylinePoint*> stack;
  // A square traced with midpoints, closed by repeating its first point.
  const Points square = {{0, 0}, {0, 2}, {0, 4}, {2, 4}, {4, 4}, {4, 2}, {4, 0}, {2, 0}, {0, 0}};
  Points out(square.size());
  PolylinePoint* end = simplifyPolyline(stack, &square.front(), &square.back(), out.data(), 0.5f);
  EXPECT_TRUE(samePoints({{0, 0}, {0, 4}, {4, 4}, {4, 0}}, Points(out.data(), end)));
  EXPECT_TRUE(stack.empty());

  // In place: the output may start at the outline itself.
  Points inPlace = square;
  end = simplifyPolyline(stack, &inPlace.front(), &inPlace.back(), inPlace.data(), 0.5f);
  EXPECT_TRUE(samePoints({{0, 0}, {0, 4}, {4, 4}, {4, 0}}, Points(inPlace.data(), end)));

  PointsF squareF(square.size());
  for (size_t k = 0; k < square.size(); ++k)
    squareF[k] = PolylinePointF(square[k](0), square[k](1));
  std::vector<const PolylinePointF*> stackF;
  PointsF outF(square.size());
  PolylinePointF* endF =
      simplifyPolylineF(stackF, &squareF.front(), &squareF.back(), outF.data(), 0.5f);
  ASSERT_EQ(endF - outF.data(), 4);
  EXPECT_EQ(outF[2](0), 4.0f);
  EXPECT_EQ(outF[2](1), 4.0f);
}

}  // namespace
