#include "variables/Variables.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <utility>
#include <string>

namespace corvane {
namespace {

std::string textOf(Variables& vars, const std::string& name) {
  vars.updateTexts();
  return vars.findRecord(name)->text;
}

TEST(Variables, DerivedValuesFollowTheirSources) {
  Variables vars;                                        // for a 1024-pixel picture
  EXPECT_EQ(vars.inFocusEdgeWidth.effectiveValue(), 2);  // 1024 / 2^8.5 = 2.83
  EXPECT_EQ(textOf(vars, "imageTol"), "2.02792");        // six significant digits
  EXPECT_THROW(vars.effectiveValue<float>("b-careful"), Variables::VariableNotFound);
  // The edge width follows the picture size within 2..32.
  const std::pair<int, float> sizes[] = {{100, 2.0f}, {100000, 32.0f}, {4096, 11.3137085f}};
  for (const auto& c : sizes) {
    vars.setDefaults(c.first);
    EXPECT_NEAR(vars.inFocusEdgeWidth.value(), c.second, 1e-5f) << c.first;
  }
  vars.setDefaults(1024);

  // Edge contrast moves the colour bits; the maximum is capped like them.
  vars.set("edgeContrast", 1.0f);
  EXPECT_EQ(vars.colourBits.effectiveValue(), 3);
  EXPECT_EQ(vars.maxBits.effectiveValue(), 6);
  EXPECT_EQ(textOf(vars, "edgeContrast"), "2=high*");
  vars.set("edgeContrast", 0.0f);
  vars.set("#maxBits", 1.0f);
  EXPECT_EQ(vars.maxBits.value(), 11);
  EXPECT_EQ(vars.maxBits.effectiveValue(), 8);

  // Texture and resolution follow the edge width and the texture filter.
  vars.set("#texture", 0.0f);
  EXPECT_EQ(textOf(vars, "#texture"), "Off*");
  vars.texture.setValue(1.0f);
  vars.textureFilter.setValue(2);  // 2 * 1 * 2^1.5 = 5.66
  EXPECT_EQ(vars.texture.effectiveValue(), 5);
  EXPECT_EQ(vars.resolution.effectiveValue(), 4.0f);  // ceil(2 * 1 * 2^1)
}

TEST(Variables, ChangeMarkLastsUntilTheNextRemember) {
  Variables vars;
  EXPECT_EQ(textOf(vars, "focus"), "0");
  vars.set("focus", 0.25f);
  EXPECT_EQ(textOf(vars, "focus"), "1*");
  EXPECT_TRUE(vars.focus.changed());
  // A variable derived from a changed one carries the mark too.
  vars.inFocusEdgeWidth.setValue(16.0f);
  EXPECT_EQ(textOf(vars, "#resolution"), "23*");  // ceil(16 * 2^0.5)
  vars.rememberAll();
  EXPECT_EQ(textOf(vars, "focus"), "1");
  EXPECT_EQ(textOf(vars, "#resolution"), "23");
}

TEST(Variables, RestoreAllSwapsRememberedProportions) {
  Variables vars;
  vars.set("b-smooth", 0.5f);
  vars.set("focus", 1.0f);
  vars.restoreAll();
  EXPECT_EQ(vars.bSmooth.value(), 5);
  EXPECT_EQ(vars.focus.value(), 0.0f);
  EXPECT_FLOAT_EQ(vars.rememberedProportion(13), 0.5f);  // "b-smooth"
  // The latch holds the values that did not make it, so the restored ones read as changed.
  EXPECT_TRUE(vars.bSmooth.changed());
  vars.restoreAll();
  EXPECT_EQ(vars.bSmooth.value(), 50);
  EXPECT_EQ(vars.focus.value(), 4.0f);
}

TEST(Variables, HugeValuesSaturateInsteadOfOverflowing) {
  const float inf = std::numeric_limits<float>::infinity();
  Variables vars;
  vars.set("b-smooth", 1e30f);
  EXPECT_EQ(vars.bSmooth.value(), INT_MAX);
  EXPECT_EQ(vars.findRecord("b-smooth")->proportion, 1.0f);
  vars.set("b-smooth", -inf);
  EXPECT_EQ(vars.bSmooth.value(), INT_MIN);
  vars.updateRecords();
  EXPECT_EQ(vars.findRecord("b-smooth")->proportion, 0.0f);

  // Colour bits from saturated inputs: no wrap-around.
  vars.set("#colourBits", -1e30f);
  vars.set("edgeContrast", 1e30f);
  EXPECT_EQ(vars.colourBits.effectiveValue(), 0);
  vars.set("#colourBits", 1e30f);
  vars.set("edgeContrast", -1e30f);
  EXPECT_EQ(vars.colourBits.effectiveValue(), 8);

  // A texture filter byte of 255 as the analysis parameters write it.
  Variables bytes;
  bytes.textureFilter.setValue(255);
  EXPECT_EQ(bytes.texture.effectiveValue(), INT_MAX);
  EXPECT_EQ(textOf(bytes, "#texture"), "2147483648*");
  EXPECT_EQ(saturatingCast<int>(bytes.resolution.effectiveValue()), INT_MAX);
  EXPECT_EQ(textOf(bytes, "textureFilter"), "255*");

  // An enormous edge width proportion.
  bytes.set("inFocusEdgeWidth", 1e30f);
  EXPECT_EQ(bytes.inFocusEdgeWidth.effectiveValue(), INT_MAX);
  bytes.set("inFocusEdgeWidth", -1e30f);
  EXPECT_EQ(bytes.inFocusEdgeWidth.effectiveValue(), 0);
  bytes.updateRecords();
  EXPECT_EQ(bytes.findRecord("inFocusEdgeWidth")->proportion, 0.0f);
  EXPECT_EQ(bytes.resolution.effectiveValue(), 2.0f);
}

}  // namespace
}  // namespace corvane
