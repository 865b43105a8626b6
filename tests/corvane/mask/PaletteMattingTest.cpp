#include "mask/PaletteMatting.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "Corvane.h"
#include "EngineTestSupport.h"
#include "MaskTestSupport.h"
#include "util/BlitzViews.h"
#include "util/CvExCancel.h"
#include "util/ProcessorCount.h"

using namespace corvane;
using namespace corvane::mask;

namespace {

template <class T>
using Image = blitz::Array<kestrum::utility::Colour<T>, 2>;

template <class T>
kestrum::utility::Colour<T> pixel(int c0, int c1, int c2, int scale = 1) {
  return kestrum::utility::Colour<T>{{static_cast<T>(c0 * scale), static_cast<T>(c1 * scale),
                                      static_cast<T>(c2 * scale), static_cast<T>(255 * scale)}};
}

// The colour of ramp step k (0..8) between a and b: exact in integers.
std::array<int, 3> mix(const std::array<int, 3>& a, const std::array<int, 3>& b, int k) {
  return {a[0] + (b[0] - a[0]) * k / 8, a[1] + (b[1] - a[1]) * k / 8, a[2] + (b[2] - a[2]) * k / 8};
}

// Alpha of a pixel that lies the fraction s of the way from its foreground estimate to its
// background estimate: the mean of a linear and a smootherstep ramp.
int expectedAlpha(float s, int maxValue) {
  const float s2 = s * s, s3 = s2 * s, s4 = s3 * s, s5 = s4 * s;
  const float a = (s + 6.0f * s5 - 15.0f * s4 + 10.0f * s3) / 2.0f;
  return static_cast<int>((static_cast<float>(maxValue) + 0.99f) * (1.0f - a));
}

// A scene as the mask-generation body leaves it before a choices pass at scale 1: columns
// 0..11 kept, 12..18 an unassigned ramp from the kept to the deleted colour (steps 1..7 of
// 8), 19..39 deleted, every status pixel in the matting region. Rows below `split` use the
// second colour pair.
struct Scene {
  static constexpr int kRows = 32, kCols = 40, kRampFirst = 12, kRampLast = 18;
  std::array<int, 3> fg1{200, 40, 40}, bg1{40, 40, 200};
  std::array<int, 3> fg2{40, 200, 40}, bg2{200, 200, 200};
  int split = kRows;
  blitz::Array<uint8_t, 2> status{kRows, kCols};

  int step(int col) const { return col - kRampFirst + 1; }
  const std::array<int, 3>& fg(int row) const { return row < split ? fg1 : fg2; }
  const std::array<int, 3>& bg(int row) const { return row < split ? bg1 : bg2; }

  std::array<int, 3> colour(int row, int col) const {
    if (col < kRampFirst) return fg(row);
    if (col > kRampLast) return bg(row);
    return mix(fg(row), bg(row), step(col));
  }

  template <class T>
  Image<T> source(int scale) const {
    Image<T> image(kRows, kCols);
    for (int r = 0; r < kRows; ++r)
      for (int c = 0; c < kCols; ++c) {
        const auto v = colour(r, c);
        image(r, c) = pixel<T>(v[0], v[1], v[2], scale);
      }
    return image;
  }

  void markStatus() {
    for (int r = 0; r < kRows; ++r)
      for (int c = 0; c < kCols; ++c)
        status(r, c) = static_cast<uint8_t>(CvStatusMatteRegion | (c < kRampFirst  ? CvStatusKeep
                                                                   : c > kRampLast ? CvStatusDelete
                                                                                   : 1));
  }

  Scene() { markStatus(); }
};

MaskPatch choicesPatch(float choice1 = 1.0f, float choice2 = 1.0f) {
  MaskPatch patch;
  patch.isChoices = true;
  patch.choice1 = choice1;
  patch.choice2 = choice2;
  return patch;
}

template <class T>
Image<T> blankOutput(int rows, int cols, T value = T(7)) {
  Image<T> out(rows, cols);
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < cols; ++c)
      out(r, c) = kestrum::utility::Colour<T>{{value, value, value, value}};
  return out;
}

const Box kWhole{0, 0, Scene::kRows - 1, Scene::kCols - 1};

TEST(PaletteMatting, TwoForegroundColoursOverTwoBackgroundColours) {
  Scene scene;
  scene.split = 16;
  const Image<uint8_t> source = scene.source<uint8_t>(1);
  Image<uint8_t> output = blankOutput<uint8_t>(Scene::kRows, Scene::kCols);
  ASSERT_EQ(mattePalettes8(source, scene.status, output, kWhole, 1.0f, 1.0f, choicesPatch(),
                           ProgressRange()),
            kMatteDone);
  for (int r = 0; r < Scene::kRows; ++r) {
    // Kept pixels keep their colour with full alpha, deleted ones become transparent black.
    EXPECT_EQ(output(r, 3), pixel<uint8_t>(scene.fg(r)[0], scene.fg(r)[1], scene.fg(r)[2]));
    EXPECT_EQ(output(r, 30), (kestrum::utility::Colour<uint8_t>{{0, 0, 0, 0}}));
    if (r >= 14 && r <= 17) continue;  // the median mixes the two halves there
    const auto& fg = scene.fg(r);
    for (int c = Scene::kRampFirst; c <= Scene::kRampLast; ++c) {
      const float s = static_cast<float>(scene.step(c)) / 8.0f;
      EXPECT_EQ(output(r, c),
                (kestrum::utility::Colour<uint8_t>{
                    {static_cast<uint8_t>(fg[0]), static_cast<uint8_t>(fg[1]),
                     static_cast<uint8_t>(fg[2]), static_cast<uint8_t>(expectedAlpha(s, 255))}}))
          << r << "," << c;
    }
  }
}

TEST(PaletteMatting, OnlyRegionPixelsWithoutHoldAreWrittenThenHeld) {
  Scene scene;
  scene.status(5, 14) = CvStatusHold | CvStatusMatteRegion | 1;  // held
  scene.status(6, 14) = 1;                                       // outside the region
  scene.status(7, 14) = CvStatusHold | 1;                        // held from an earlier pass
  blitz::Array<uint8_t, 2> before = scene.status.copy();
  const Image<uint8_t> source = scene.source<uint8_t>(1);
  Image<uint8_t> output = blankOutput<uint8_t>(Scene::kRows, Scene::kCols);
  // The pass covers rows 0..9 only.
  ASSERT_EQ(mattePalettes8(source, scene.status, output, Box{0, 0, 9, Scene::kCols - 1}, 1, 1,
                           choicesPatch(), ProgressRange()),
            kMatteDone);
  const auto untouched = blankOutput<uint8_t>(1, 1)(0, 0);
  EXPECT_EQ(output(5, 14), untouched);
  EXPECT_EQ(output(6, 14), untouched);
  EXPECT_EQ(output(7, 14), untouched);
  EXPECT_EQ(output(10, 14), untouched);
  EXPECT_NE(output(4, 14), untouched);
  for (int r = 0; r < Scene::kRows; ++r) {
    for (int c = 0; c < Scene::kCols; ++c) {
      const uint8_t s = before(r, c);
      const uint8_t expected =
          r <= 9 && (s & CvStatusMatteRegion)
              ? static_cast<uint8_t>((s & CvStatusClassAndFlags) | CvStatusHold)
              : s;
      EXPECT_EQ(scene.status(r, c), expected) << r << "," << c;
    }
  }
}

TEST(PaletteMatting, EmptyPalettesLeaveOutputAndStatusAlone) {
  struct Case {
    uint8_t removed;
    int32_t result;
  };
  for (const Case k :
       {Case{CvStatusKeep, kMatteNoForeground}, Case{CvStatusDelete, kMatteNoBackground},
        Case{CvStatusKeep | CvStatusDelete, kMatteNoForeground}}) {
    Scene scene;
    for (int r = 0; r < Scene::kRows; ++r)
      for (int c = 0; c < Scene::kCols; ++c)
        if (scene.status(r, c) & k.removed) scene.status(r, c) = CvStatusMatteRegion | 1;
    const blitz::Array<uint8_t, 2> before = scene.status.copy();
    const Image<uint8_t> source = scene.source<uint8_t>(1);
    Image<uint8_t> output = blankOutput<uint8_t>(Scene::kRows, Scene::kCols);
    EXPECT_EQ(
        mattePalettes8(source, scene.status, output, kWhole, 1, 1, choicesPatch(), ProgressRange()),
        k.result);
    EXPECT_TRUE(blitz::all(scene.status == before));
    const auto untouched = blankOutput<uint8_t>(1, 1)(0, 0);
    for (int r = 0; r < Scene::kRows; ++r)
      for (int c = 0; c < Scene::kCols; ++c) EXPECT_EQ(output(r, c), untouched);
  }
}

// At scale 2 the status image is 5x5 and covers 10x10 full-resolution pixels, one more than
// the 9x9 source; the pass box runs past the status image too. The request domain of
// source and output starts at row 3.
TEST(PaletteMatting, BoxIsClippedToStatusSourceAndOutput) {
  blitz::Array<uint8_t, 2> status(5, 5);
  Image<uint8_t> full(9, 9);
  for (int r = 0; r < 5; ++r)
    for (int c = 0; c < 5; ++c)
      status(r, c) = static_cast<uint8_t>(CvStatusMatteRegion | (c < 2   ? CvStatusKeep
                                                                 : c > 2 ? CvStatusDelete
                                                                         : 1));
  for (int r = 0; r < 9; ++r)
    for (int c = 0; c < 9; ++c)
      full(r, c) = c < 4   ? pixel<uint8_t>(220, 20, 20)
                   : c > 5 ? pixel<uint8_t>(20, 20, 220)
                           : pixel<uint8_t>(120, 20, 120);
  Image<uint8_t> outputBuffer = blankOutput<uint8_t>(9, 9);
  const Image<uint8_t> source = subView(full, 3, 0, 8, 8);
  Image<uint8_t> output = subView(outputBuffer, 3, 0, 8, 8);
  EXPECT_EQ(mattePalettes8(source, status, output, Box{0, 0, 7, 7}, 2.0f, 2.0f, choicesPatch(),
                           ProgressRange()),
            kMatteDone);
  const auto untouched = blankOutput<uint8_t>(1, 1)(0, 0);
  for (int r = 0; r < 9; ++r) {
    for (int c = 0; c < 9; ++c) {
      if (r < 3) {
        EXPECT_EQ(outputBuffer(r, c), untouched) << r << "," << c;
      } else {
        EXPECT_NE(outputBuffer(r, c), untouched) << r << "," << c;
      }
    }
  }
  EXPECT_EQ(outputBuffer(8, 0), pixel<uint8_t>(220, 20, 20));
  EXPECT_EQ(outputBuffer(8, 8).alpha(), 0);
}

// At scale 2 the first full-resolution row of a region is searched like the others: its
// estimates are the palette colours, not its own colour, so it is matted.
TEST(PaletteMatting, LeadingRowOfAScaledRegionIsSearched) {
  const int rows = 16, cols = 24;
  blitz::Array<uint8_t, 2> status(rows / 2, cols / 2);
  Image<uint8_t> source(rows, cols);
  for (int r = 0; r < rows / 2; ++r)
    for (int c = 0; c < cols / 2; ++c)
      status(r, c) = r < 3 ? 1
                           : static_cast<uint8_t>(CvStatusMatteRegion | (c < 4   ? CvStatusKeep
                                                                         : c > 7 ? CvStatusDelete
                                                                                 : 1));
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < cols; ++c) {
      const int k = c < 8 ? 0 : c > 15 ? 8 : (c - 7);
      const auto v = mix({200, 40, 40}, {40, 40, 200}, k);
      source(r, c) = pixel<uint8_t>(v[0], v[1], v[2]);
    }
  Image<uint8_t> output = blankOutput<uint8_t>(rows, cols);
  ASSERT_EQ(mattePalettes8(source, status, output, Box{0, 0, rows / 2 - 1, cols / 2 - 1}, 2, 2,
                           choicesPatch(), ProgressRange()),
            kMatteDone);
  // Row 6 is the first row of status row 3; rows 10 and 11 lie well inside the region.
  for (int c = 10; c <= 13; ++c) {
    EXPECT_EQ(output(6, c), output(10, c)) << c;
    EXPECT_LT(output(6, c).alpha(), 255) << c;
  }
  EXPECT_EQ(output(5, 12), blankOutput<uint8_t>(1, 1)(0, 0));
}

TEST(PaletteMatting, SameResultForEveryWorkerCount) {
  Scene scene;
  scene.split = 11;
  std::mt19937 rng(9);
  Image<uint8_t> source = scene.source<uint8_t>(1);
  std::uniform_int_distribution<int> noise(-6, 6);
  for (int r = 0; r < Scene::kRows; ++r)
    for (int c = 0; c < Scene::kCols; ++c)
      for (int k = 0; k < 3; ++k)
        source(r, c)[k] = static_cast<uint8_t>(source(r, c)[k] + noise(rng) + 6);
  enginetest::expectSameForEveryWorkerCount([&] {
    Image<uint8_t> output = blankOutput<uint8_t>(Scene::kRows, Scene::kCols);
    const int32_t result = mattePalettes8(source, scene.status.copy(), output, kWhole, 1, 1,
                                          choicesPatch(0.3f, 0.6f), ProgressRange());
    std::vector<uint8_t> bytes{uint8_t(result)};
    for (const auto& p : output) bytes.insert(bytes.end(), {p[0], p[1], p[2], p[3]});
    return bytes;
  });
}

}  // namespace
