#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "Corvane.h"
#include "SessionTestSupport.h"
#include "engine/CvInSession.h"

// What a host may hand the engine that it must not trust: images of another engine, buffers
// it frees early, rectangles at the ends of the integer range, marks in label bytes.

using sessiontest::Picture;

namespace {

// Every entry point that takes a status image, called with `status` on `session`.
const std::vector<std::pair<const char*, std::function<CvResult(CvSession*, CvImage*)>>>&
statusImageEntries() {
  static const std::vector<std::pair<const char*, std::function<CvResult(CvSession*, CvImage*)>>>
      entries = {
          {"Select",
           [](CvSession* s, CvImage* i) {
             CvSelection stroke{1, 1, CvImage{2, 2, 0, 0, nullptr}};
             return CvSelect(s, i, &stroke, CvStatusKeep, 15, 0, 0.0f, nullptr, nullptr);
           }},
          {"AutoComplex",
           [](CvSession* s, CvImage* i) { return CvAutoComplex(s, i, 1.0f, nullptr, nullptr); }},
          {"Despeckle", [](CvSession* s,
                           CvImage* i) { return CvDespeckleSelection(s, i, 2, nullptr, nullptr); }},
          {"SetStatus",
           [](CvSession* s, CvImage* i) {
             uint8_t keep = CvStatusKeep;
             CvSelection labels{0, 0, CvImage{1, 1, 1, CvKindStatus, &keep}};
             return CvSetStatus(s, i, &labels, nullptr, nullptr);
           }},
          {"SetStatusFromParent",
           [](CvSession* s, CvImage* i) { return CvSetStatusFromParent(s, i); }},
          {"SetParentStatus", [](CvSession* s, CvImage* i) { return CvSetParentStatus(s, i); }},
          {"AutoFill",
           [](CvSession* s, CvImage* i) { return CvAutoFill(s, i, 0, 2, 0.0f, nullptr, nullptr); }},
          {"GenerateMask",
           [](CvSession* s, CvImage* i) {
             Picture out(8, 8);
             return CvGenerateMask(s, nullptr, out.description, out.description, i, nullptr, 0,
                                   1.0f, 0.0f, nullptr, 0, nullptr, nullptr);
           }},
      };
  return entries;
}

TEST(HostInput, StatusImageOfAnotherEngineAnswersNine) {
  CvEngine* engine = CvInit();
  CvEngine* other = CvInit();
  Picture picture(8, 8);
  CvSession* session = CvBeginSession(engine, picture.description, nullptr, nullptr);
  CvSelection part{2, 2, CvImage{4, 4, 0, 0, nullptr}};
  CvSession* sub = CvBeginSubSession(session, &part, 0, nullptr, nullptr);
  CvImage* own = CvNewStatusImage(engine, picture.description);
  CvImage* foreign = CvNewStatusImage(other, picture.description);
  ASSERT_TRUE(session && sub && own && foreign);
  const auto before = sessiontest::historyOf(session, own);

  for (const auto& [name, call] : statusImageEntries()) {
    EXPECT_EQ(call(sub, foreign), CvInvalidImage) << name;
    EXPECT_EQ(call(session, foreign), CvInvalidImage) << name;
  }
  EXPECT_TRUE(sessiontest::historyOf(session, own) == before);
  // Nothing of the freed image stays behind in the session.
  EXPECT_EQ(CvFinish(other), CvOk);
  EXPECT_EQ(CvUndo(session, nullptr, nullptr), CvOk);
  EXPECT_EQ(CvUndo(sub, nullptr, nullptr), CvOk);
  EXPECT_EQ(CvFinish(engine), CvOk);
}

TEST(HostInput, SubSessionKeepsItsOwnCopyOfTheMask) {
  CvEngine* engine = CvInit();
  Picture picture(12, 12);
  CvSession* session = CvBeginSession(engine, picture.description, nullptr, nullptr);
  auto bytes = std::make_unique<std::vector<uint8_t>>(6 * 5, 1);
  (*bytes)[7] = 0;  // mask row 1, column 1: picture (3, 4)
  CvSelection masked{3, 2, CvImage{6, 5, 6, CvKindStatus, bytes->data()}};
  CvSession* sub = CvBeginSubSession(session, &masked, 1, nullptr, nullptr);
  ASSERT_NE(sub, nullptr);
  std::fill(bytes->begin(), bytes->end(), 9);
  bytes.reset();

  const auto& mask = static_cast<CvInSession*>(sub)->selectionMask();
  EXPECT_EQ(mask(3, 4), 0);
  EXPECT_EQ(mask(2, 3), 1);
  EXPECT_EQ(CvAnalyseImage(sub, nullptr, nullptr), CvOk);
  EXPECT_EQ(CvFinish(engine), CvOk);
}

TEST(HostInput, SelectionsAtTheEndsOfTheIntegerRangeAreRefused) {
  struct Case {
    const char* name;
    int32_t x, y;
    uint32_t width, height;
    bool masked;
  };
  const Case cases[] = {
      {"last row INT32_MAX", 0, INT32_MAX - 1, 2, 2, false},
      {"last column INT32_MAX", INT32_MAX - 1, 0, 2, 2, false},
      {"masked, last column INT32_MAX", INT32_MAX, 0, 1, 1, true},
      {"masked, row INT32_MIN", 0, INT32_MIN, 2, 2, true},
      {"masked, column INT32_MIN", INT32_MIN, 0, 2, 2, true},
  };
  CvEngine* engine = CvInit();
  Picture picture(8, 8);
  CvSession* session = CvBeginSession(engine, picture.description, nullptr, nullptr);
  CvImage* status = CvNewStatusImage(engine, picture.description);
  std::vector<uint8_t> bytes(4, CvStatusKeep);
  for (const Case& c : cases) {
    CvSelection selection{
        c.x, c.y,
        CvImage{c.width, c.height, c.width, CvKindStatus, c.masked ? bytes.data() : nullptr}};
    EXPECT_EQ(CvSetStatus(session, status, &selection, nullptr, nullptr), CvPreconditionFailed)
        << c.name;
    EXPECT_EQ(CvSelect(session, status, &selection, CvStatusKeep, 15, 0, 0.0f, nullptr, nullptr),
              CvPreconditionFailed)
        << c.name;
    EXPECT_EQ(CvBeginSubSession(session, &selection, 1, nullptr, nullptr), nullptr) << c.name;
  }
  EXPECT_EQ(CvFinish(engine), CvOk);
}

TEST(HostInput, LabelBytesGiveOnlyTheirLowSixBits) {
  CvEngine* engine = CvInit();
  Picture picture(4, 1);
  CvSession* session = CvBeginSession(engine, picture.description, nullptr, nullptr);
  CvImage* status = CvNewStatusImage(engine, picture.description);
  uint8_t labels[4] = {CvStatusKeep | CvStatusHold, CvStatusDelete | CvStatusMatteRegion,
                       CvStatusHold | CvStatusMatteRegion, CvStatusKeep | CvStatusProtected};
  CvSelection placed{0, 0, CvImage{4, 1, 4, CvKindStatus, labels}};
  CvCommitUndoStep(session);
  ASSERT_EQ(CvSetStatus(session, status, &placed, nullptr, nullptr), CvOk);
  EXPECT_EQ(sessiontest::statusBytes(status),
            (std::vector<uint8_t>{CvStatusKeep, CvStatusDelete, CvStatusInPicture,
                                  CvStatusKeep | CvStatusProtected}));
  EXPECT_EQ(labels[0], CvStatusKeep | CvStatusHold);  // the host's bytes stay as they were
  ASSERT_EQ(CvUndo(session, nullptr, nullptr), CvOk);
  EXPECT_EQ(sessiontest::statusBytes(status), std::vector<uint8_t>(4, CvStatusInPicture));
  EXPECT_EQ(CvFinish(engine), CvOk);
}

}  // namespace
