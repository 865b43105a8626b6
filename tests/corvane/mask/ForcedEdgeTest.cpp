#include "mask/ForcedEdgePass.h"

#include <gtest/gtest.h>

#include <blitz/array.h>

#include <cfloat>

namespace corvane {
namespace mask {
namespace {

template <class Pixel>
bool allPixels(const blitz::Array<Pixel, 2>& a, const Pixel& value) {
  for (auto it = a.begin(); it != a.end(); ++it)
    if (*it != value) return false;
  return true;
}

// Keep (class 2) on columns 0..9 of a 20 × 20 grid, delete (class 4) from column 10 on.
template <class PT>
struct EdgeScene {
  using Pixel = typename PT::Pixel;
  using Sample = typename PT::Sample;
  int factor;
  blitz::Array<uint8_t, 2> status{20, 20};
  blitz::Array<Pixel, 2> image, mask;
  explicit EdgeScene(int factor_ = 1)
      : factor(factor_), image(20 * factor_, 20 * factor_), mask(20 * factor_, 20 * factor_) {
    for (int r = 0; r < 20; ++r)
      for (int c = 0; c < 20; ++c) status(r, c) = c < 10 ? 2 : 4;
    image = Pixel{{Sample(PT::maxSample / 2), Sample(PT::maxSample / 4), Sample(PT::maxSample / 8),
                   Sample(PT::maxSample)}};
    mask = Pixel{{9, 9, 9, 100}};
  }
  void run(const std::vector<MaskForcedEdge>& edges) {
    forcedEdgePass<PT>(mask, image, status, MaskScale{float(factor), float(factor)}, edges, 1.0f,
                       ProgressRange());
  }
};

MaskForcedEdge edge(float width, std::vector<EdgePoint> points) {
  MaskForcedEdge e;
  e.width = width;
  e.points = std::move(points);
  return e;
}

template <class PT>
void checkVerticalEdge(typename PT::Sample onLine) {
  using Pixel = typename PT::Pixel;
  EdgeScene<PT> scene;
  scene.image(10, 12)[3] = PT::maxSample - 1;
  // Down the middle of column 10, rows 4 to 16, one pixel wide: half-width 2.
  scene.run({edge(1.0f, {EdgePoint{4, 10.5f}, EdgePoint{16, 10.5f}})});
  const Pixel untouched{{9, 9, 9, 100}};
  const Pixel& s = scene.image(0, 0);
  for (int r = 4; r < 16; ++r) {
    EXPECT_EQ(scene.mask(r, 8), untouched) << r;  // two pixels off the line: outside W
    EXPECT_EQ(scene.mask(r, 9), (Pixel{{s[0], s[1], s[2], typename PT::Sample(PT::maxSample)}}))
        << r;
    EXPECT_EQ(scene.mask(r, 10), (Pixel{{s[0], s[1], s[2], onLine}})) << r;
    if (r != 10) {
      EXPECT_EQ(scene.mask(r, 11), (Pixel{{s[0], s[1], s[2], 0}})) << r;
    }
  }
  EXPECT_EQ(scene.mask(10, 12), untouched);  // image not opaque there
  EXPECT_EQ(scene.mask(10, 11), (Pixel{{s[0], s[1], s[2], 0}}));
  // The end caps fade the edge out over one width past each end: row 16 is halfway out.
  EXPECT_EQ(scene.mask(16, 9)[3], typename PT::Sample(PT::maxSample * 0.5f + 100 * 0.5f));
  EXPECT_EQ(scene.mask(16, 11)[3], typename PT::Sample(100 * 0.5f));
  EXPECT_EQ(scene.mask(3, 9)[3], typename PT::Sample(PT::maxSample * 0.5f + 100 * 0.5f));
  EXPECT_EQ(scene.mask(17, 9), untouched);
  EXPECT_EQ(scene.mask(2, 9), untouched);
}

TEST(ForcedEdgePass, SharpRampAcrossAnEdgeInEveryPixelType) {
  checkVerticalEdge<MaskPixel8>(127);
  checkVerticalEdge<MaskPixel16>(32767);
  checkVerticalEdge<MaskPixelHalf16>(16384);
}

TEST(ForcedEdgePass, SideFollowsTheStatusesAndTheScale) {
  // The same edge drawn the other way round finds the same side.
  EdgeScene<MaskPixel8> reversed;
  reversed.run({edge(1.0f, {EdgePoint{16, 10.5f}, EdgePoint{4, 10.5f}})});
  EXPECT_EQ(reversed.mask(8, 9)[3], 255);
  EXPECT_EQ(reversed.mask(8, 11)[3], 0);

  // Classes swapped: the ramp turns round.
  EdgeScene<MaskPixel8> swapped;
  for (int r = 0; r < 20; ++r)
    for (int c = 0; c < 20; ++c) swapped.status(r, c) = c < 10 ? 4 : 2;
  swapped.run({edge(1.0f, {EdgePoint{4, 10.5f}, EdgePoint{16, 10.5f}})});
  EXPECT_EQ(swapped.mask(8, 9)[3], 0);
  EXPECT_EQ(swapped.mask(8, 11)[3], 255);

  // No class on either side: the edge changes nothing. Nor does one with two equal points or
  // non-finite coordinates.
  EdgeScene<MaskPixel8> blank;
  blank.status = 1;
  blank.run({edge(1.0f, {EdgePoint{4, 10.5f}, EdgePoint{16, 10.5f}}),
             edge(1.0f, {EdgePoint{4, 4}, EdgePoint{4, 4}}),
             edge(1.0f, {EdgePoint{4, 4}, EdgePoint{NAN, 4}}), edge(1.0f, {})});
  EXPECT_TRUE(allPixels(blank.mask, blank.mask(0, 0)));

  // At factor 2 the points are full-resolution pixels and the probe reads working cells.
  EdgeScene<MaskPixel16> doubled(2);
  doubled.run({edge(2.0f, {EdgePoint{8, 20.5f}, EdgePoint{32, 20.5f}})});
  EXPECT_EQ(doubled.mask(20, 20)[3], 32767);
  EXPECT_EQ(doubled.mask(20, 18)[3], 65535);  // −2 widths: ramp saturates at 1 width
  EXPECT_EQ(doubled.mask(20, 22)[3], 0);
  EXPECT_EQ(doubled.mask(20, 16), (MaskPixel16::Pixel{{9, 9, 9, 100}}));  // W = 4
}

TEST(ForcedEdgePass, ClosedPolylineHasAClosingJointAndNoCaps) {
  // A square of class 2 inside class 4.
  auto squareScene = [] {
    EdgeScene<MaskPixel8> scene;
    for (int r = 0; r < 20; ++r)
      for (int c = 0; c < 20; ++c)
        scene.status(r, c) = (r >= 5 && r < 15 && c >= 5 && c < 15) ? 2 : 4;
    return scene;
  };
  const std::vector<EdgePoint> loop{EdgePoint{4.5f, 4.5f}, EdgePoint{4.5f, 14.5f},
                                    EdgePoint{14.5f, 14.5f}, EdgePoint{14.5f, 4.5f},
                                    EdgePoint{4.5f, 4.5f}};
  EdgeScene<MaskPixel8> closed = squareScene();
  closed.run({edge(1.0f, loop)});
  // (3, 3) lies beyond both segments that meet at the first point: only the closing joint
  // reaches it, from the outside (class 4) side.
  EXPECT_EQ(closed.mask(3, 3), (MaskPixel8::Pixel{{127, 63, 31, 0}}));
  EXPECT_EQ(closed.mask(3, 13)[3], 0);
  EXPECT_EQ(closed.mask(5, 13)[3], 255);
  EXPECT_EQ(closed.mask(4, 10)[3], 127);
  EXPECT_EQ(closed.mask(5, 5)[3], 255);  // inside corner, joint and segments agree
  EXPECT_EQ(closed.mask(15, 15)[3], 0);  // the other corners have joints too

  // Open, the same points but the last: caps at both ends instead of the closing joint.
  EdgeScene<MaskPixel8> open = squareScene();
  open.run({edge(1.0f, std::vector<EdgePoint>(loop.begin(), loop.end() - 1))});
  EXPECT_EQ(open.mask(3, 3), (MaskPixel8::Pixel{{9, 9, 9, 100}}));
}

TEST(ForcedEdgePass, NearerEdgeDecidesWhereTwoMeet) {
  // Two parallel edges two pixels apart: between them the nearer one's value wins.
  EdgeScene<MaskPixel8> scene;
  scene.run({edge(1.0f, {EdgePoint{4, 10.5f}, EdgePoint{16, 10.5f}}),
             edge(1.0f, {EdgePoint{4, 8.5f}, EdgePoint{16, 8.5f}})});
  EXPECT_EQ(scene.mask(10, 8)[3], 127);  // on the second line
  EXPECT_EQ(scene.mask(10, 10)[3], 127);
  EXPECT_EQ(scene.mask(10, 11)[3], 0);
  EXPECT_EQ(scene.mask(10, 7)[3], 255);
}

}  // namespace
}  // namespace mask
}  // namespace corvane
