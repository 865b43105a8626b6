#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <vector>

#include "Corvane.h"
#include "SessionTestSupport.h"
#include "engine/CvEngine.h"
#include "engine/CvInSession.h"

using sessiontest::Picture;

namespace {

struct Host {
  std::vector<int> percents;
  int cancelAtCall = 0;  // answer 2 at this call (1-based); 0 never
  static int32_t callback(uint8_t percent, void* context) {
    auto* h = static_cast<Host*>(context);
    h->percents.push_back(percent);
    return static_cast<int>(h->percents.size()) == h->cancelAtCall ? 2 : 0;
  }
};

CvSelection rectangle(int32_t x, int32_t y, uint32_t width, uint32_t height) {
  return CvSelection{x, y, CvImage{width, height, 0, 0, nullptr}};
}

TEST(SessionLifeCycle, BeginSessionChecksEngineAndPicture) {
  CvEngine* engine = CvInit();
  Picture picture(10, 6);
  CvImage good = picture.description;

  CvSession* session = CvBeginSession(engine, good, nullptr, nullptr);
  ASSERT_NE(session, nullptr);
  EXPECT_EQ(session->width, 10u);
  EXPECT_EQ(session->height, 6u);
  EXPECT_EQ(session->variableCount, 22u);

  CvImage exact = good;
  exact.stride = 40;
  EXPECT_NE(CvBeginSession(engine, exact, nullptr, nullptr), nullptr);
  CvImage narrow = good;
  narrow.stride = 39;
  EXPECT_EQ(CvBeginSession(engine, narrow, nullptr, nullptr), nullptr);
  for (uint32_t kind : {0u, 2u, 3u}) {
    CvImage other = good;
    other.kind = kind;
    EXPECT_EQ(CvBeginSession(engine, other, nullptr, nullptr), nullptr);
  }
  CvImage empty = good;
  empty.width = 0;
  EXPECT_EQ(CvBeginSession(engine, empty, nullptr, nullptr), nullptr);
  CvImage noData = good;
  noData.data = nullptr;
  EXPECT_EQ(CvBeginSession(engine, noData, nullptr, nullptr), nullptr);
  // 4 x 2^30 wraps to 0 in 32 bits: the stride test must not pass it.
  CvImage huge = good;
  huge.width = 1u << 30;
  huge.stride = 16;
  EXPECT_EQ(CvBeginSession(engine, huge, nullptr, nullptr), nullptr);

  EXPECT_EQ(CvBeginSession(nullptr, good, nullptr, nullptr), nullptr);
  EXPECT_EQ(engine->failed, false);
  EXPECT_EQ(engine->sessions.size(), 2u);
  EXPECT_EQ(CvFinish(engine), CvOk);
  EXPECT_EQ(CvBeginSession(engine, good, nullptr, nullptr), nullptr);  // stale engine
}

TEST(SessionLifeCycle, BadStaleAndForeignHandles) {
  CvEngine* engine = CvInit();
  CvEngine* other = CvInit();
  Picture picture(8, 8);
  CvSession* session = CvBeginSession(engine, picture.description, nullptr, nullptr);
  CvSession* foreign = CvBeginSession(other, picture.description, nullptr, nullptr);
  CvImage* status = CvNewStatusImage(engine, picture.description);
  ASSERT_NE(session, nullptr);
  ASSERT_NE(foreign, nullptr);
  uint32_t count = 7;

  EXPECT_EQ(CvNumAvailableUndo(nullptr, &count), CvInvalidSession);
  // An image handle, or any other address, passed as a session.
  EXPECT_EQ(CvNumAvailableUndo(reinterpret_cast<CvSession*>(status), &count), CvInvalidSession);
  CvSession fake{};
  EXPECT_EQ(CvUndo(&fake, nullptr, nullptr), CvInvalidSession);
  // A session passed as an image.
  EXPECT_EQ(CvSetStatus(session, reinterpret_cast<CvImage*>(session), nullptr, nullptr, nullptr),
            CvInvalidImage);
  // A bad image wins over a bad session.
  EXPECT_EQ(CvSetStatus(nullptr, nullptr, nullptr, nullptr, nullptr), CvInvalidImage);
  EXPECT_EQ(CvSetStatusFromParent(&fake, nullptr), CvInvalidImage);

  // A wrongly signed session.
  auto* inner = static_cast<CvInSession*>(session);
  inner->signature = 0;
  EXPECT_EQ(CvCommitUndoStep(session), CvInvalidSignature);
  inner->signature = 0xFFFFFFFB;

  // A session of another engine is valid on its own: it carries its engine.
  EXPECT_EQ(CvCommitUndoStep(foreign), CvOk);
  EXPECT_EQ(CvFinish(other), CvOk);
  // ... and stale once that engine is finished.
  EXPECT_EQ(CvCommitUndoStep(foreign), CvInvalidSession);
  EXPECT_EQ(CvEndSession(foreign, nullptr, nullptr), CvInvalidSession);

  EXPECT_EQ(CvEndSession(session, nullptr, nullptr), CvOk);
  EXPECT_EQ(CvEndSession(session, nullptr, nullptr), CvInvalidSession);
  EXPECT_EQ(CvNumAvailableRedo(session, &count), CvInvalidSession);
  EXPECT_EQ(count, 7u);
  EXPECT_EQ(engine->sessions.size(), 0u);
  EXPECT_EQ(CvFinish(engine), CvOk);
}

TEST(SessionLifeCycle, SubSessionsAreClippedToTheirParent) {
  CvEngine* engine = CvInit();
  Picture picture(20, 10);
  CvSession* session = CvBeginSession(engine, picture.description, nullptr, nullptr);

  CvSelection inside = rectangle(3, 2, 5, 4);
  CvSession* sub = CvBeginSubSession(session, &inside, 1, nullptr, nullptr);
  ASSERT_NE(sub, nullptr);
  EXPECT_EQ(sub->x, 3);
  EXPECT_EQ(sub->y, 2);
  EXPECT_EQ(sub->width, 5u);
  EXPECT_EQ(sub->height, 4u);
  auto* inner = static_cast<CvInSession*>(sub);
  EXPECT_EQ(inner->image().lbound(0), 2);
  EXPECT_EQ(inner->image().lbound(1), 3);
  EXPECT_EQ(&inner->image()(2, 3), &static_cast<CvInSession*>(session)->image()(2, 3));

  CvSelection overhanging = rectangle(15, -5, 100, 8);
  CvSession* clipped = CvBeginSubSession(session, &overhanging, 0, nullptr, nullptr);
  ASSERT_NE(clipped, nullptr);
  EXPECT_EQ(clipped->x, 15);
  EXPECT_EQ(clipped->y, 0);
  EXPECT_EQ(clipped->width, 5u);
  EXPECT_EQ(clipped->height, 3u);
  EXPECT_EQ(clipped->variables, nullptr);

  // A sub-session of a sub-session is clipped to its parent's rectangle.
  CvSelection nested = rectangle(0, 0, 6, 6);
  CvSession* grandchild = CvBeginSubSession(sub, &nested, 1, nullptr, nullptr);
  ASSERT_NE(grandchild, nullptr);
  EXPECT_EQ(grandchild->x, 3);
  EXPECT_EQ(grandchild->y, 2);
  EXPECT_EQ(grandchild->width, 3u);
  EXPECT_EQ(grandchild->height, 4u);

  CvSelection outside = rectangle(30, 0, 4, 4);
  EXPECT_EQ(CvBeginSubSession(session, &outside, 1, nullptr, nullptr), nullptr);
  CvSelection empty = rectangle(1, 1, 0, 4);
  EXPECT_EQ(CvBeginSubSession(session, &empty, 1, nullptr, nullptr), nullptr);
  CvSelection wrapping = rectangle(INT_MAX - 1, 0, 10, 2);
  EXPECT_EQ(CvBeginSubSession(session, &wrapping, 1, nullptr, nullptr), nullptr);
  EXPECT_EQ(CvBeginSubSession(session, nullptr, 1, nullptr, nullptr), nullptr);
  EXPECT_EQ(CvBeginSubSession(nullptr, &inside, 1, nullptr, nullptr), nullptr);

  // A mask is kept over the clipped rectangle only.
  std::vector<uint8_t> maskBytes(6 * 4, 1);
  maskBytes[5] = 0;  // row 0, column 5 of the mask: picture (y 0, x 19)
  CvSelection masked{14, 0, CvImage{6, 4, 6, CvKindStatus, maskBytes.data()}};
  CvSession* maskedSub = CvBeginSubSession(session, &masked, 1, nullptr, nullptr);
  ASSERT_NE(maskedSub, nullptr);
  const auto& mask = static_cast<CvInSession*>(maskedSub)->selectionMask();
  EXPECT_EQ(mask.lbound(1), 14);
  EXPECT_EQ(mask.ubound(1), 19);
  EXPECT_EQ(mask(0, 19), 0);
  CvSelection badMask{0, 0, CvImage{6, 4, 5, CvKindStatus, maskBytes.data()}};
  EXPECT_EQ(CvBeginSubSession(session, &badMask, 1, nullptr, nullptr), nullptr);

  EXPECT_FALSE(engine->failed);
  EXPECT_EQ(CvFinish(engine), CvOk);
}

TEST(SessionLifeCycle, DependentSubSessionsFollowTheirParentsAnalysis) {
  CvEngine* engine = CvInit();
  Picture picture(12, 10);
  CvSession* session = CvBeginSession(engine, picture.description, nullptr, nullptr);
  auto* parent = static_cast<CvInSession*>(session);
  CvSelection part = rectangle(2, 3, 4, 4);

  // Not analysed: nothing to take over.
  CvSession* early = CvBeginSubSession(session, &part, 0, nullptr, nullptr);
  ASSERT_NE(early, nullptr);
  auto& earlyState = static_cast<CvInSession*>(early)->classification();
  EXPECT_EQ(earlyState.finalLabels().size(), 0);

  // As an analysis leaves it.
  parent->classification().resizeFinalLabels(parent->area());
  parent->classification().finalLabels() = 5;
  parent->classification().partitionLevel = 2;
  parent->setSegmented(true);
  CvSession* late = CvBeginSubSession(session, &part, 0, nullptr, nullptr);
  CvSession* independent = CvBeginSubSession(session, &part, 1, nullptr, nullptr);
  auto& lateState = static_cast<CvInSession*>(late)->classification();
  EXPECT_EQ(lateState.finalLabels()(3, 2), 5);
  EXPECT_EQ(lateState.partitionLevel, 2);
  EXPECT_EQ(static_cast<CvInSession*>(independent)->classification().finalLabels().size(), 0);
  EXPECT_EQ(late->segmented, 0u);

  parent->refreshDependentChildren();
  EXPECT_EQ(earlyState.finalLabels()(6, 5), 5);
  EXPECT_EQ(earlyState.finalLabels().lbound(0), 3);
  EXPECT_EQ(CvFinish(engine), CvOk);
}

TEST(SessionLifeCycle, EndingAParentEndsItsSubSessionsFirst) {
  CvEngine* engine = CvInit();
  Picture picture(16, 16);
  CvSession* session = CvBeginSession(engine, picture.description, nullptr, nullptr);
  CvSelection part = rectangle(2, 2, 8, 8);
  CvSession* sub = CvBeginSubSession(session, &part, 1, nullptr, nullptr);
  CvSession* subsub = CvBeginSubSession(sub, &part, 0, nullptr, nullptr);
  CvSession* sibling = CvBeginSubSession(session, &part, 0, nullptr, nullptr);
  ASSERT_NE(subsub, nullptr);
  ASSERT_NE(sibling, nullptr);
  EXPECT_EQ(engine->sessions.size(), 4u);

  // Ending a sub-session leaves its parent's list.
  EXPECT_EQ(CvEndSession(sibling, nullptr, nullptr), CvOk);
  EXPECT_EQ(static_cast<CvInSession*>(session)->children().size(), 1u);

  Host host;
  EXPECT_EQ(CvEndSession(session, &Host::callback, &host), CvOk);
  EXPECT_EQ(engine->sessions.size(), 0u);
  EXPECT_EQ(CvCommitUndoStep(sub), CvInvalidSession);
  EXPECT_EQ(CvCommitUndoStep(subsub), CvInvalidSession);
  EXPECT_EQ(host.percents, (std::vector<int>{100}));
  EXPECT_EQ(CvFinish(engine), CvOk);
}

TEST(SessionLifeCycle, FinishDestroysLiveSubSessions) {
  CvEngine* engine = CvInit();
  Picture picture(16, 16);
  Host created;
  CvSession* session = CvBeginSession(engine, picture.description, &Host::callback, &created);
  CvSelection part = rectangle(1, 1, 4, 4);
  for (int i = 0; i < 3; ++i) {
    CvSession* sub = CvBeginSubSession(session, &part, i % 2, nullptr, nullptr);
    ASSERT_NE(CvBeginSubSession(sub, &part, 0, nullptr, nullptr), nullptr);
  }
  CvImage* status = CvNewStatusImage(engine, picture.description);
  ASSERT_NE(status, nullptr);
  EXPECT_EQ(engine->sessions.size(), 7u);
  created.percents.clear();
  EXPECT_EQ(CvFinish(engine), CvOk);
  // The session's own progress object closes through the callback it was created with.
  EXPECT_EQ(created.percents, (std::vector<int>{100}));
  EXPECT_EQ(CvCommitUndoStep(session), CvInvalidSession);
}

TEST(SessionLifeCycle, CancellingASubSessionCreatesNothing) {
  CvEngine* engine = CvInit();
  Picture picture(8, 8);
  CvSession* session = CvBeginSession(engine, picture.description, nullptr, nullptr);
  CvSelection part = rectangle(1, 1, 4, 4);
  Host host;
  host.cancelAtCall = 1;  // the creation's closing report of 100 per cent
  EXPECT_EQ(CvBeginSubSession(session, &part, 1, &Host::callback, &host), nullptr);
  EXPECT_EQ(host.percents, (std::vector<int>{100}));
  EXPECT_FALSE(engine->failed);
  EXPECT_EQ(engine->sessions.size(), 1u);
  EXPECT_TRUE(static_cast<CvInSession*>(session)->children().empty());
  host = Host();
  CvSession* sub = CvBeginSubSession(session, &part, 1, &Host::callback, &host);
  ASSERT_NE(sub, nullptr);
  EXPECT_EQ(host.percents, (std::vector<int>{100}));
  EXPECT_EQ(CvFinish(engine), CvOk);
}

}  // namespace
