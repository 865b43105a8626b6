#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <functional>
#include <vector>

#include "Corvane.h"
#include "SessionTestSupport.h"
#include "EngineTestSupport.h"
#include "engine/CvEngine.h"
#include "engine/CvInSession.h"

using sessiontest::Picture;

namespace {

using Host = enginetest::HostProgress;

CvSelection rectangle(int32_t x, int32_t y, uint32_t width, uint32_t height) {
  return CvSelection{x, y, CvImage{width, height, 0, 0, nullptr}};
}

CvInSession* inner(CvSession* s) {
  return static_cast<CvInSession*>(s);
}

TEST(SessionLifeCycle, BeginSessionChecksEngineAndPicture) {
  CvEngine* engine = CvInit();
  Picture picture(10, 6);
  const CvImage good = picture.description;
  const std::function<void(CvImage&)> bad[] = {
      [](CvImage& i) { i.stride = 39; },
      [](CvImage& i) { i.kind = 0; },
      [](CvImage& i) { i.kind = 2; },
      [](CvImage& i) { i.kind = 3; },
      [](CvImage& i) { i.width = 0; },
      [](CvImage& i) { i.data = nullptr; },
      // 4 x 2^30 wraps to 0 in 32 bits: the stride test must not pass it.
      [](CvImage& i) { i.width = 1u << 30, i.stride = 16; },
  };
  for (const auto& change : bad) {
    CvImage image = good;
    change(image);
    EXPECT_EQ(CvBeginSession(engine, image, nullptr, nullptr), nullptr);
  }
  EXPECT_EQ(CvBeginSession(nullptr, good, nullptr, nullptr), nullptr);
  ASSERT_NE(CvBeginSession(engine, good, nullptr, nullptr), nullptr);  // stride exactly 40
  EXPECT_FALSE(engine->failed);
  EXPECT_EQ(engine->sessions.size(), 1u);
  EXPECT_EQ(CvFinish(engine), CvOk);
  EXPECT_EQ(CvBeginSession(engine, good, nullptr, nullptr), nullptr);  // stale engine
}

TEST(SessionLifeCycle, SubSessionsAreClippedToTheirParent) {
  CvEngine* engine = CvInit();
  Picture picture(20, 10);
  CvSession* session = CvBeginSession(engine, picture.description, nullptr, nullptr);
  struct Case {
    CvSelection asked;
    int32_t x, y;
    uint32_t width, height;
  };
  const Case cases[] = {{rectangle(3, 2, 5, 4), 3, 2, 5, 4},
                        {rectangle(15, -5, 100, 8), 15, 0, 5, 3},
                        {rectangle(30, 0, 4, 4), 0, 0, 0, 0},  // outside: refused
                        {rectangle(1, 1, 0, 4), 0, 0, 0, 0},   // empty
                        {rectangle(INT_MAX - 1, 0, 10, 2), 0, 0, 0, 0}};
  for (const Case& c : cases) {
    CvSession* sub = CvBeginSubSession(session, &c.asked, 1, nullptr, nullptr);
    if (c.width == 0) {
      EXPECT_EQ(sub, nullptr) << c.asked.x;
      continue;
    }
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(sub->x, c.x);
    EXPECT_EQ(sub->y, c.y);
    EXPECT_EQ(sub->width, c.width);
    EXPECT_EQ(sub->height, c.height);
    // The picture is shared, in the parent's coordinates.
    EXPECT_EQ(&inner(sub)->image()(c.y, c.x), &inner(session)->image()(c.y, c.x));
  }
  EXPECT_EQ(CvBeginSubSession(session, nullptr, 1, nullptr, nullptr), nullptr);
  EXPECT_EQ(CvBeginSubSession(nullptr, &cases[0].asked, 1, nullptr, nullptr), nullptr);

  // A sub-session of a sub-session is clipped to its parent's rectangle.
  CvSession* sub = CvBeginSubSession(session, &cases[0].asked, 0, nullptr, nullptr);
  EXPECT_EQ(sub->variables, nullptr);
  CvSelection nested = rectangle(0, 0, 6, 6);
  CvSession* grandchild = CvBeginSubSession(sub, &nested, 1, nullptr, nullptr);
  ASSERT_NE(grandchild, nullptr);
  EXPECT_EQ(grandchild->x, 3);
  EXPECT_EQ(grandchild->width, 3u);
  EXPECT_EQ(grandchild->height, 4u);

  // A mask is kept over the clipped rectangle only.
  std::vector<uint8_t> maskBytes(6 * 4, 1);
  maskBytes[5] = 0;  // row 0, column 5 of the mask: picture (y 0, x 19)
  CvSelection masked{14, 0, CvImage{6, 4, 6, CvKindStatus, maskBytes.data()}};
  CvSession* maskedSub = CvBeginSubSession(session, &masked, 1, nullptr, nullptr);
  ASSERT_NE(maskedSub, nullptr);
  const auto& mask = inner(maskedSub)->selectionMask();
  EXPECT_EQ(mask.lbound(1), 14);
  EXPECT_EQ(mask.ubound(1), 19);
  EXPECT_EQ(mask(0, 19), 0);
  CvSelection badMask{0, 0, CvImage{6, 4, 5, CvKindStatus, maskBytes.data()}};
  EXPECT_EQ(CvBeginSubSession(session, &badMask, 1, nullptr, nullptr), nullptr);

  EXPECT_FALSE(engine->failed);
  EXPECT_EQ(CvFinish(engine), CvOk);
}

TEST(SessionLifeCycle, EndingAParentOrTheEngineEndsTheSubSessions) {
  CvEngine* engine = CvInit();
  Picture picture(16, 16);
  Host created;
  CvSession* kept = CvBeginSession(engine, picture.description, &Host::callback, &created);
  CvSession* session = CvBeginSession(engine, picture.description, nullptr, nullptr);
  CvSelection part = rectangle(2, 2, 8, 8);
  std::vector<CvSession*> subs;
  for (CvSession* root : {kept, session}) {
    CvSession* sub = CvBeginSubSession(root, &part, 1, nullptr, nullptr);
    subs.push_back(sub);
    subs.push_back(CvBeginSubSession(sub, &part, 0, nullptr, nullptr));
  }
  CvSession* sibling = CvBeginSubSession(session, &part, 0, nullptr, nullptr);
  ASSERT_NE(sibling, nullptr);
  EXPECT_EQ(engine->sessions.size(), 7u);

  // Ending a sub-session leaves its parent's list.
  EXPECT_EQ(CvEndSession(sibling, nullptr, nullptr), CvOk);
  EXPECT_EQ(inner(session)->children().size(), 1u);
  Host host;
  EXPECT_EQ(CvEndSession(session, &Host::callback, &host), CvOk);
  EXPECT_EQ(host.percents, (std::vector<int>{100}));
  EXPECT_EQ(engine->sessions.size(), 3u);
  EXPECT_EQ(CvCommitUndoStep(subs[2]), CvInvalidSession);
  EXPECT_EQ(CvCommitUndoStep(subs[3]), CvInvalidSession);

  created.percents.clear();
  EXPECT_EQ(CvFinish(engine), CvOk);
  // The session's own progress object closes through the callback it was created with.
  EXPECT_EQ(created.percents, (std::vector<int>{100}));
  for (CvSession* s : {kept, subs[0], subs[1]}) EXPECT_EQ(CvCommitUndoStep(s), CvInvalidSession);
}

TEST(SessionLifeCycle, CancellingASubSessionCreatesNothing) {
  CvEngine* engine = CvInit();
  Picture picture(8, 8);
  CvSession* session = CvBeginSession(engine, picture.description, nullptr, nullptr);
  CvSelection part = rectangle(1, 1, 4, 4);
  Host host;
  host.stopAt = 1;  // the creation's closing report of 100 per cent
  EXPECT_EQ(CvBeginSubSession(session, &part, 1, &Host::callback, &host), nullptr);
  EXPECT_EQ(host.percents, (std::vector<int>{100}));
  EXPECT_FALSE(engine->failed);
  EXPECT_EQ(engine->sessions.size(), 1u);
  EXPECT_TRUE(inner(session)->children().empty());
  EXPECT_NE(CvBeginSubSession(session, &part, 1, nullptr, nullptr), nullptr);
  EXPECT_EQ(CvFinish(engine), CvOk);
}

}  // namespace
