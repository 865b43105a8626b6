#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "Corvane.h"
#include "SessionTestSupport.h"
#include "engine/CvInSession.h"

using sessiontest::Picture;

namespace {

struct SessionVariables : ::testing::Test {
  CvEngine* engine = CvInit();
  Picture picture{1024, 2};
  CvSession* session = nullptr;

  void SetUp() override {
    session = CvBeginSession(engine, picture.description, nullptr, nullptr);
    ASSERT_NE(session, nullptr);
  }
  void TearDown() override { EXPECT_EQ(CvFinish(engine), CvOk); }

  CvVariable get(CvSession* s, const char* name) {
    CvVariable record{-1.0f, nullptr, nullptr};
    EXPECT_EQ(CvGetVariable(s, name, &record), CvOk) << name;
    return record;
  }
  classification::IiClassification& state() {
    return static_cast<CvInSession*>(session)->classification();
  }
};

TEST_F(SessionVariables, ConstructionLoadsTheDefaultsForThePictureSize) {
  EXPECT_NEAR(session->tolerance, 0.49f, 1e-6f);
  EXPECT_EQ(session->edgeWidth, 2);  // 1024 / 2^8.5 = 2.83
  EXPECT_EQ(session->choices, 0x0101u);
  const CvVariable texture = get(session, "#texture");
  EXPECT_STREQ(texture.name, "#texture");
  EXPECT_STREQ(texture.text, "3");

  const auto& block = state().baseRecord();
  EXPECT_EQ(block.histogramBits, 4);
  EXPECT_EQ(block.valueLimit, 2);
  EXPECT_NEAR(block.innerScale, std::pow(4.0, 0.51), 1e-5);
  EXPECT_FLOAT_EQ(block.reservedFloat1, -1.0f);  // not copied
  EXPECT_EQ(state().texture, 2);
  EXPECT_FLOAT_EQ(state().tPercent, 1.0f / 6.0f);

  // A larger picture gets a wider in-focus edge.
  Picture large(4000, 3);
  CvSession* wide = CvBeginSession(engine, large.description, nullptr, nullptr);
  ASSERT_NE(wide, nullptr);
  EXPECT_EQ(wide->edgeWidth, 11);
  EXPECT_EQ(static_cast<CvInSession*>(wide)->classification().baseRecord().valueLimit, 11);
}

TEST_F(SessionVariables, SetAndGetByName) {
  EXPECT_EQ(CvSetVariable(session, "overlap", 0.5f), CvOk);
  CvVariable overlap = get(session, "overlap");
  EXPECT_FLOAT_EQ(overlap.proportion, 0.5f);
  EXPECT_STREQ(overlap.text, "2*");  // 1.5 rounds half up; changed since the last remember

  EXPECT_EQ(CvSetVariable(session, "imageTol", 0.2f), CvOk);
  EXPECT_FLOAT_EQ(session->tolerance, 0.8f);
  EXPECT_EQ(CvSetVariable(session, "edgeContrast", 1.0f), CvOk);
  EXPECT_EQ(session->choices, 0x0102u);
  EXPECT_STREQ(get(session, "edgeContrast").text, "2=high*");
  EXPECT_STREQ(get(session, "#colourBits").text, "3*");

  // Proportions outside 0..1 are taken; the record shows them clamped.
  EXPECT_EQ(CvSetVariable(session, "b-careful", 1.5f), CvOk);
  EXPECT_FLOAT_EQ(get(session, "b-careful").proportion, 1.0f);

  // Refused: unknown names, null arguments, NaN. Nothing changes and the engine stays usable.
  EXPECT_EQ(CvSetVariable(session, "no such variable", 0.5f), CvPreconditionFailed);
  EXPECT_EQ(CvSetVariable(session, nullptr, 0.5f), CvPreconditionFailed);
  EXPECT_EQ(CvSetVariable(session, "overlap", std::numeric_limits<float>::quiet_NaN()),
            CvPreconditionFailed);
  EXPECT_FLOAT_EQ(get(session, "overlap").proportion, 0.5f);
  CvVariable record{};
  EXPECT_EQ(CvGetVariable(session, "no such variable", &record), CvPreconditionFailed);
  EXPECT_EQ(CvGetVariable(session, "overlap", nullptr), CvPreconditionFailed);
  EXPECT_EQ(CvGetVariable(session, nullptr, &record), CvPreconditionFailed);
  uint32_t count = 0;
  EXPECT_EQ(CvNumAvailableUndo(session, &count), CvOk);
}

TEST_F(SessionVariables, SubSessionsCannotSetVariables) {
  CvSelection part{0, 0, CvImage{100, 2, 0, 0, nullptr}};
  CvSession* own = CvBeginSubSession(session, &part, 1, nullptr, nullptr);
  CvSession* dependent = CvBeginSubSession(session, &part, 0, nullptr, nullptr);
  ASSERT_NE(own, nullptr);
  ASSERT_NE(dependent, nullptr);

  EXPECT_EQ(CvSetVariable(own, "overlap", 0.5f), CvPreconditionFailed);
  EXPECT_EQ(CvSetVariable(dependent, "overlap", 0.5f), CvPreconditionFailed);
  // A sub-session with its own variables has them for its own size.
  EXPECT_EQ(own->variableCount, 22u);
  EXPECT_EQ(own->edgeWidth, 2);
  EXPECT_STREQ(get(own, "inFocusEdgeWidth").text, "2");
  // One without has none to read.
  EXPECT_EQ(dependent->variables, nullptr);
  CvVariable record{};
  EXPECT_EQ(CvGetVariable(dependent, "overlap", &record), CvPreconditionFailed);
}

TEST_F(SessionVariables, AnalysisParametersGoIntoTheVariables) {
  EXPECT_EQ(CvSetAnalysisParameters(session, 0.3f, 5, 0xFF0102u), CvOk);
  EXPECT_FLOAT_EQ(session->tolerance, 0.3f);
  EXPECT_EQ(session->choices, 0x0102u);
  EXPECT_NEAR(get(session, "imageTol").proportion, 0.7f, 1e-6f);
  EXPECT_STREQ(get(session, "inFocusEdgeWidth").text, "5*");
  EXPECT_STREQ(get(session, "edgeContrast").text, "2=high*");
  EXPECT_STREQ(get(session, "#maxBits").text, "6*");
  // The parameter block follows only when loaded (before an analysis).
  EXPECT_EQ(state().baseRecord().valueLimit, 2);
  static_cast<CvInSession*>(session)->loadParameters();
  EXPECT_EQ(state().baseRecord().valueLimit, 5);
  EXPECT_EQ(state().baseRecord().histogramBits, 3);
  EXPECT_NEAR(state().baseRecord().innerScale, std::pow(4.0, 0.7), 1e-5);
}

}  // namespace
