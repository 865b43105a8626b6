// The colour channels of a pixel against a plain double-precision reference of the same rule.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>

#include "kestrum/qt/ColourSpace.h"

namespace {

using namespace kestrum::colour;

// Hue, lightness and saturation on 0..255 before truncation, in double precision.
std::array<double, 3> reference(QRgb rgb) {
  const double r = qRed(rgb) * 0.003921569, g = qGreen(rgb) * 0.003921569,
               b = qBlue(rgb) * 0.003921569;
  const double max = std::max({r, g, b}), min = std::min({r, g, b}), d = max - min;
  const double lightness = (max + min) * 0.5;
  if (d <= 1.1920929e-7) return {0.0, lightness * 255, 0.0};
  const double saturation = (max + min) * 0.5 < 0.5 ? d / (max + min) : d / (2 - max - min);
  double hue = r == max   ? (max - b) / d - (max - g) / d
               : g == max ? 2 + (max - r) / d - (max - b) / d
                          : 4 + (max - g) / d - (max - r) / d;
  if (hue < 0) hue += 6;
  return {hue * 0.16666667 * 255, lightness * 255, saturation * 255};
}

TEST(ColourSpace, ChannelsMatchTheDoublePrecisionReference) {
  // One colour for each sector of the hue (the red one wrapping below zero or not) in the dark
  // and in the light half, each value well inside its unit so truncation cannot differ.
  const struct {
    const char* name;
    QRgb colour;
  } rows[] = {
      {"blue maximum, light", qRgb(36, 71, 227)},
      {"blue maximum, dark", qRgb(80, 57, 190)},
      {"green maximum, light", qRgb(176, 181, 128)},
      {"green maximum, dark", qRgb(130, 183, 14)},
      {"red maximum, light", qRgb(233, 215, 74)},
      {"red maximum, dark", qRgb(204, 68, 5)},
      {"red maximum, hue wraps, light", qRgb(160, 101, 104)},
      {"red maximum, hue wraps, dark", qRgb(182, 17, 156)},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const std::array<double, 3> expected = reference(row.colour);
    for (double value : expected) {
      const double fraction = value - std::floor(value);
      ASSERT_TRUE(fraction > 0.05 && fraction < 0.95) << value << " is too near a whole number";
    }
    EXPECT_EQ(rgbToHue(row.colour), int(expected[0]));
    EXPECT_EQ(rgbToLightness(row.colour), int(expected[1]));
    EXPECT_EQ(rgbToSaturation(row.colour), int(expected[2]));
    EXPECT_EQ(channelValue(row.colour, Hue), int(expected[0]));
    EXPECT_EQ(channelValue(row.colour, Lightness), int(expected[1]));
    EXPECT_EQ(channelValue(row.colour, Saturation), int(expected[2]));
    EXPECT_EQ(channelValue(row.colour, Red), qRed(row.colour));
    EXPECT_EQ(channelValue(row.colour, Green), qGreen(row.colour));
    EXPECT_EQ(channelValue(row.colour, Blue), qBlue(row.colour));
  }
}

TEST(ColourSpace, GreysHaveNoHueNorSaturationAndEveryValueFitsAByte) {
  for (int v = 0; v < 256; ++v) {
    EXPECT_EQ(rgbToHue(qRgb(v, v, v)), 0) << v;
    EXPECT_EQ(rgbToSaturation(qRgb(v, v, v)), 0) << v;
  }
  // Alpha plays no part; every value of a coarse lattice lies on 0..255.
  EXPECT_EQ(rgbToHue(qRgba(204, 68, 5, 0)), rgbToHue(qRgb(204, 68, 5)));
  for (int r = 0; r < 256; r += 15)
    for (int g = 0; g < 256; g += 15)
      for (int b = 0; b < 256; b += 15)
        for (channel c : {Hue, Lightness, Saturation}) {
          const int value = channelValue(qRgb(r, g, b), c);
          ASSERT_TRUE(value >= 0 && value <= 255) << r << " " << g << " " << b << " " << c;
        }
}

}  // namespace
