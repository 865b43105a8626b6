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
