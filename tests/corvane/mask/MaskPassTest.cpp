#include "mask/MaskPass.h"

#include <gtest/gtest.h>

#include <blitz/array.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "MaskTestSupport.h"
#include "util/BlitzViews.h"
#include "util/ProcessorCount.h"

namespace corvane {
namespace mask {
namespace {

using Byte = kestrum::utility::Colour<uint8_t>;
constexpr float chamfer = 0.9619349f;

struct Rgb {
  float c0, c1, c2;  // fractions of the channel maximum
};

// Working cells: columns before keepEnd are class 2, from deleteStart on class 4, between
// them unassigned; every cell is pending (bit 128). The picture blends linearly from `keep`
// to `drop` across the band, at full resolution `factor` pixels per cell.
template <class PT>
struct BandScene {
  using Pixel = typename PT::Pixel;
  int rows, columns, keepEnd, deleteStart, factor;
  Rgb keep, drop;
  blitz::Array<uint8_t, 2> status;
  blitz::Array<ClassDistances, 2> pairs;
  blitz::Array<uint8_t, 2> weights;
  blitz::Array<Pixel, 2> image, mask;
  blitz::Array<Byte, 2> workingBytes;  // the 8-bit working colours at cell centres

  BandScene(int rows_, int columns_, int keepEnd_, int deleteStart_, int factor_, Rgb keep_,
            Rgb drop_)
      : rows(rows_),
        columns(columns_),
        keepEnd(keepEnd_),
        deleteStart(deleteStart_),
        factor(factor_),
        keep(keep_),
        drop(drop_),
        status(rows, columns),
        pairs(rows, columns),
        weights(rows, columns),
        image(rows * factor, columns * factor),
        mask(rows * factor, columns * factor),
        workingBytes(rows, columns) {
    for (int r = 0; r < rows; ++r)
      for (int c = 0; c < columns; ++c) {
        const bool isKeep = c < keepEnd, isDrop = c >= deleteStart;
        status(r, c) = static_cast<uint8_t>((isKeep ? 2 : isDrop ? 4 : 1) | 128);
        pairs(r, c) = isKeep || isDrop ? ClassDistances(0, 0)
                                       : ClassDistances((c - keepEnd + 1) * chamfer,
                                                        (deleteStart - c) * chamfer);
        workingBytes(r, c) = colourAt<MaskPixel8>(c + 0.5f);
      }
    weights = 0;
    for (int r = 0; r < rows * factor; ++r)
      for (int x = 0; x < columns * factor; ++x) image(r, x) = colourAt<PT>((x + 0.5f) / factor);
    mask = Pixel{{1, 2, 3, 4}};
  }

  // The blend fraction of drop at a working-grid column position.
  float fraction(float u) const {
    const float a = (u - keepEnd) / float(deleteStart - keepEnd);
    return a < 0 ? 0 : a > 1 ? 1 : a;
  }
  template <class T>
  typename T::Pixel colourAt(float u) const {
    const float a = fraction(u);
    auto mix = [&](float k, float d) {
      return static_cast<typename T::Sample>(T::maxSampleF * (k * (1 - a) + d * a));
    };
    return typename T::Pixel{{mix(keep.c0, drop.c0), mix(keep.c1, drop.c1), mix(keep.c2, drop.c2),
                              static_cast<typename T::Sample>(T::maxSample)}};
  }

  Box cellBox() const { return Box{0, 0, rows - 1, columns - 1}; }

  // Mode 2 from the picture itself at scale 1, from the 8-bit working colours otherwise.
  void runPyramids(ProgressRange progress = ProgressRange()) {
    const MaskScale scale{float(factor), float(factor)};
    if (factor == 1)
      maskPass<PT>(mask, image, image, status, cellBox(), cellBox(), scale, weights, pairs,
                   MaskPassPyramids, {}, {}, 1.0f, progress);
    else
      maskPass<PT>(mask, image, workingBytes, status, cellBox(), cellBox(), scale, weights, pairs,
                   MaskPassPyramids, {}, {}, 1.0f, progress);
  }
};

const Rgb red{1, 0, 0}, blue{0, 0, 1};

// Alpha as a fraction of the maximum.
template <class PT>
float alphaOf(const typename PT::Pixel& p) {
  return p[3] / PT::maxSampleF;
}

template <class PT>
void expectCleanBand(BandScene<PT>& scene) {
  const float tolerance = 1.5f / 255.0f;
  for (int r = 0; r < scene.mask.extent(0); ++r) {
    float previous = 2.0f;
    for (int x = 0; x < scene.mask.extent(1); ++x) {
      const typename PT::Pixel& out = scene.mask(r, x);
      const float u = (x + 0.5f) / scene.factor;
      const int cell = x / scene.factor;
      if (cell < scene.keepEnd) {
        ASSERT_EQ(out, scene.image(r, x)) << "kept pixel " << x;
        continue;
      }
      if (cell >= scene.deleteStart) {
        ASSERT_EQ(out, (typename PT::Pixel{{0, 0, 0, 0}})) << "deleted pixel " << x;
        continue;
      }
      // In the band the background share is the picture's own blend fraction and the colour
      // comes back to the kept red.
      const float alpha = alphaOf<PT>(out);
      EXPECT_NEAR(alpha, 1.0f - scene.fraction(u), tolerance) << "row " << r << " pixel " << x;
      EXPECT_LE(alpha, previous) << "pixel " << x;
      previous = alpha;
      EXPECT_GE(out[0] / PT::maxSampleF, 1.0f - tolerance) << "pixel " << x;
      EXPECT_LE(out[2] / PT::maxSampleF, tolerance) << "pixel " << x;
    }
  }
}

// The smooth step of the distance share T, the pass's fallback alpha.
double smoothStep(double T) {
  return T * T * T * (6 * T * T - 15 * T + 10);
}

TEST(MaskPass, PassReadsOnlyPendingOpaquePixelsAndMarksFinishedRows) {
  BandScene<MaskPixel8> scene(4, 6, 2, 4, 1, red, blue);
  scene.status(1, 2) &= 127;   // not part of this pass
  scene.status(1, 3) |= 64;    // done by an earlier pass
  scene.image(2, 2)[3] = 254;  // not fully opaque in the picture
  scene.status(3, 5) &= 127;
  scene.runPyramids();
  const MaskPixel8::Pixel untouched{{1, 2, 3, 4}};
  EXPECT_EQ(scene.mask(1, 2), untouched);
  EXPECT_EQ(scene.mask(1, 3), untouched);
  EXPECT_EQ(scene.mask(2, 2), untouched);
  EXPECT_EQ(scene.mask(3, 5), untouched);
  EXPECT_NE(scene.mask(2, 3), untouched);
  EXPECT_EQ(scene.mask(0, 5), (MaskPixel8::Pixel{{0, 0, 0, 0}}));
  // Finished rows carry bit 64 beside 128; the last row is released.
  EXPECT_EQ(scene.status(0, 0), 2 | 64 | 128);
  EXPECT_EQ(scene.status(2, 4), 4 | 64 | 128);
  EXPECT_EQ(scene.status(1, 2), 1);
  EXPECT_EQ(scene.status(3, 0), 2 | 64);
  EXPECT_EQ(scene.status(3, 5), 4);

  // A second pass over the same cells writes nothing: every cell is done or not pending.
  scene.mask(0, 3) = untouched;
  scene.runPyramids();
  EXPECT_EQ(scene.mask(0, 3), untouched);
}

TEST(MaskPass, CellBoxIsCutToTheFillBoxAndTheArraysItReads) {
  // Keep colour throughout, class 4 only beyond the fill box: inside it the class-4 pyramid is
  // empty, so the pixel's own colour stands in for the background estimate.
  BandScene<MaskPixel8> scene(2, 12, 4, 9, 1, red, red);
  const Box fill{0, 0, 1, 7};
  // The distance grid stops a column short of the fill box.
  const blitz::Array<ClassDistances, 2> pairs = subView(scene.pairs, 0, 0, 1, 6);
  maskPass<MaskPixel8>(scene.mask, scene.image, scene.image, scene.status, scene.cellBox(), fill,
                       MaskScale{1, 1}, scene.weights, pairs, MaskPassPyramids, {}, {}, 1.0f,
                       ProgressRange());
  const MaskPixel8::Pixel untouched{{1, 2, 3, 4}};
  for (int c = 7; c < 12; ++c) {
    EXPECT_EQ(scene.mask(0, c), untouched) << c;
    EXPECT_EQ(scene.status(0, c) & 64, 0) << c;
  }
  for (int c = 4; c < 7; ++c) {
    // No colour difference: only the smooth step of the share, colour kept.
    const double T = (c - 3) / 6.0;
    EXPECT_EQ(scene.mask(1, c)[0], 255) << c;
    EXPECT_NEAR(scene.mask(1, c)[3], 255.99 * (1 - smoothStep(T)), 1.0) << c;
  }
}

TEST(MaskPass, ColourGridsOfTheMembraneMode) {
  BandScene<MaskPixel16> scene(2, 16, 4, 12, 1, red, blue);
  blitz::Array<ByteColour3, 2> keep(2, 16), drop(2, 16);
  keep = ByteColour3(255, 0, 0);
  drop = ByteColour3(0, 0, 255);
  maskPass<MaskPixel16>(scene.mask, scene.image, scene.image, scene.status, scene.cellBox(),
                        scene.cellBox(), MaskScale{1, 1}, scene.weights, scene.pairs, MaskPassGrids,
                        keep, drop, 1.0f, ProgressRange());
  expectCleanBand(scene);

  // Grids that miss part of the cell box limit the pass to where they are.
  BandScene<MaskPixel8> cut(2, 16, 4, 12, 1, red, blue);
  blitz::Array<ByteColour3, 2> small = subView(keep, 0, 0, 1, 9);
  maskPass<MaskPixel8>(cut.mask, cut.image, cut.image, cut.status, cut.cellBox(), cut.cellBox(),
                       MaskScale{1, 1}, cut.weights, cut.pairs, MaskPassGrids, small, drop, 1.0f,
                       ProgressRange());
  EXPECT_EQ(cut.mask(0, 10), (MaskPixel8::Pixel{{1, 2, 3, 4}}));
  EXPECT_NE(cut.mask(0, 9), (MaskPixel8::Pixel{{1, 2, 3, 4}}));
}

TEST(MaskPass, FactorsThatMapNoPixelChangeNothing) {
  BandScene<MaskPixel8> scene(2, 6, 2, 4, 1, red, blue);
  for (const MaskScale scale : {MaskScale{0, 1}, MaskScale{1, -2}, MaskScale{NAN, 1}}) {
    maskPass<MaskPixel8>(scene.mask, scene.image, scene.image, scene.status, scene.cellBox(),
                         scene.cellBox(), scale, scene.weights, scene.pairs, MaskPassPyramids, {},
                         {}, 1.0f, ProgressRange());
    EXPECT_TRUE(blitz::all(scene.status == ((scene.status & 63) | 128)));
  }
  EXPECT_EQ(scene.mask(0, 0), (MaskPixel8::Pixel{{1, 2, 3, 4}}));
}

// Rows of the pass run in bands on the workers: the mask and the statuses come out the same
// for any number of them, over several stretches of rows, at scales 1 and 2. A mask that is
// the image itself (the rows below read the rows written above) keeps the order of the rows.
TEST(MaskPass, SameResultForAnyWorkerCountAndInPlace) {
  for (const int factor : {1, 2}) {
    for (const bool inPlace : {false, true}) {
      SCOPED_TRACE(testing::Message() << "factor " << factor << (inPlace ? " in place" : ""));
      std::vector<blitz::Array<MaskPixel8::Pixel, 2>> masks;
      std::vector<blitz::Array<uint8_t, 2>> statuses;
      for (const unsigned workers : {1u, 2u, 8u}) {
        BandScene<MaskPixel8> scene(150 / factor, 24, 6, 16, factor, red, blue);
        std::mt19937 rng(5);
        std::uniform_int_distribution<int> noise(0, 60);
        for (auto& p : scene.image)
          for (int k = 0; k < 3; ++k) p[k] = uint8_t(std::min(255, p[k] + noise(rng)));
        for (int r = 0; r < scene.rows; ++r)
          scene.status(r, 6 + r % 5) = uint8_t(2 | 128);  // keep cells reaching into the band
        if (inPlace) scene.mask.reference(scene.image);
        setProcessorCountOverride(workers);
        scene.runPyramids();
        setProcessorCountOverride(0);
        masks.push_back(scene.mask.copy());
        statuses.push_back(scene.status.copy());
      }
      for (size_t k = 1; k < masks.size(); ++k) {
        EXPECT_TRUE(blitz::all(masks[k] == masks[0])) << k;
        EXPECT_TRUE(blitz::all(statuses[k] == statuses[0])) << k;
      }
    }
  }
}

}  // namespace
}  // namespace mask
}  // namespace corvane
