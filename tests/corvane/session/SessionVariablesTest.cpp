#include <gtest/gtest.h>

#include <cmath>
#include <limits>

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
  const auto& block() { return static_cast<CvInSession*>(session)->classification().baseRecord(); }
};

TEST_F(SessionVariables, SetAndGetByNameRefusingWhatCannotBeRead) {
  EXPECT_EQ(CvSetVariable(session, "overlap", 0.5f), CvOk);
  CvVariable overlap = get(session, "overlap");
  EXPECT_FLOAT_EQ(overlap.proportion, 0.5f);
  EXPECT_STREQ(overlap.text, "2*");  // 1.5 rounds half up; changed since the last remember
  EXPECT_EQ(CvSetVariable(session, "imageTol", 0.2f), CvOk);
  EXPECT_FLOAT_EQ(session->tolerance, 0.8f);

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
  EXPECT_EQ(CvCommitUndoStep(session), CvOk);
}

}  // namespace
