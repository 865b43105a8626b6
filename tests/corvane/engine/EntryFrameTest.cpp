#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <vector>

#include "Corvane.h"
#include "engine/CvEngine.h"
#include "engine/CvInImage.h"
#include "engine/CvInSessionBase.h"
#include "engine/EntryFrame.h"
#include "util/CvExCancel.h"

using corvane::EntryFrame;

namespace {

// Stands in for a session: a public part whose address is the handle, and a log of the
// order in which sessions die together with whether their parent was still alive.
struct FakeSession : CvInSessionBase {
  struct Death {
    const FakeSession* who;
    bool parentAlive;
  };
  FakeSession(CvEngine* engine, FakeSession* parent, std::vector<Death>* log)
      : CvInSessionBase(engine, parent), log_(log) {
    enterEngine(handle());
  }
  ~FakeSession() override {
    const auto* p = static_cast<FakeSession*>(parent());
    if (log_) log_->push_back({this, !p || corvane::validateSession(p->handle(), nullptr) == CvOk});
  }
  const CvSession* handle() const { return reinterpret_cast<const CvSession*>(publicPart_); }

 private:
  alignas(8) char publicPart_[64] = {};
  std::vector<Death>* log_;
};

void countingHandler() {}

CvImage opaquePicture(std::vector<uint8_t>& pixels, uint32_t width, uint32_t height) {
  pixels.assign(size_t{width} * height * 4, 255);
  return CvImage{width, height, width * 4, CvKindRgba8, pixels.data()};
}

TEST(EntryFrame, SessionValidation) {
  CvInSessionBase* found = nullptr;
  EXPECT_EQ(corvane::validateSession(nullptr, &found), CvInvalidSession);
  int notASession = 0;
  EXPECT_EQ(corvane::validateSession(reinterpret_cast<CvSession*>(&notASession), &found),
            CvInvalidSession);

  CvEngine* engine = CvInit();
  auto* session = new FakeSession(engine, nullptr, nullptr);
  const CvSession* handle = session->handle();
  EXPECT_EQ(corvane::validateSession(handle, &found), CvOk);
  EXPECT_EQ(found, session);
  // The session object itself is not the handle.
  EXPECT_EQ(corvane::validateSession(reinterpret_cast<CvSession*>(session), &found),
            CvInvalidSession);

  session->signature = 1;
  EXPECT_EQ(corvane::validateSession(handle, &found), CvInvalidSignature);
  session->signature = 0xFFFFFFFB;
  engine->signature = 1;
  EXPECT_EQ(corvane::validateSession(handle, &found), CvInvalidSignature);
  engine->signature = 0xFFFFFFFB;
  engine->failed = true;
  EXPECT_EQ(corvane::validateSession(handle, &found), CvEngineFailed);
  engine->failed = false;

  delete session;
  EXPECT_EQ(engine->sessions.size(), 0u);
  EXPECT_EQ(corvane::validateSession(handle, &found), CvInvalidSession);
  EXPECT_EQ(CvFinish(engine), CvOk);
}

TEST(EntryFrame, FinishDestroysLeftoversChildrenFirst) {
  CvEngine* engine = CvInit();
  std::vector<FakeSession::Death> deaths;
  auto* root = new FakeSession(engine, nullptr, &deaths);
  auto* child = new FakeSession(engine, root, &deaths);
  auto* grandChild = new FakeSession(engine, child, &deaths);
  auto* other = new FakeSession(engine, nullptr, &deaths);
  const CvSession* handles[] = {root->handle(), child->handle(), grandChild->handle(),
                                other->handle()};
  std::vector<uint8_t> pixels;
  CvImage* a = CvNewStatusImage(engine, opaquePicture(pixels, 5, 5));
  CvImage* b = CvNewStatusImage(engine, opaquePicture(pixels, 1, 1));
  ASSERT_TRUE(a && b);
  auto* copy = new CvInImage(*static_cast<CvInImage*>(a));  // registered beside its source
  EXPECT_EQ(copy->data, a->data);
  EXPECT_FALSE(copy->ownsBuffer());
  EXPECT_EQ(engine->images.size(), 3u);
  EXPECT_EQ(engine->sessions.size(), 4u);

  EXPECT_EQ(CvFinish(engine), CvOk);
  ASSERT_EQ(deaths.size(), 4u);
  for (const auto& d : deaths) EXPECT_TRUE(d.parentAlive);
  for (const CvSession* h : handles)
    EXPECT_EQ(corvane::validateSession(h, nullptr), CvInvalidSession);
  EXPECT_EQ(CvDeleteStatusImage(a), CvInvalidImage);
  EXPECT_EQ(CvDeleteStatusImage(b), CvInvalidImage);
  EXPECT_EQ(CvDeleteStatusImage(copy), CvInvalidImage);
}

// An operation whose body throws something unclassified marks the engine: 4, then 5 for
// everything that validates the engine; CvFinish leaves the failed engine in place.
TEST(EntryFrame, UnclassifiedExceptionMarksEngineFailed) {
  CvEngine* engine = CvInit();
  auto* session = new FakeSession(engine, nullptr, nullptr);
  const CvSession* handle = session->handle();
  auto failing = [&](EntryFrame& frame) -> CvResult {
    if (const CvResult status = frame.useSession(handle, nullptr)) return status;
    throw "Empty foreground palette";
  };
  EXPECT_EQ(corvane::runEntry(corvane::kOperationCatches, failing), CvException);
  EXPECT_TRUE(engine->failed);
  EXPECT_EQ(corvane::runEntry(corvane::kOperationCatches, failing), CvEngineFailed);
  EXPECT_EQ(corvane::validateSession(handle, nullptr), CvEngineFailed);
  std::vector<uint8_t> pixels;
  EXPECT_EQ(CvNewStatusImage(engine, opaquePicture(pixels, 2, 2)), nullptr);
  EXPECT_EQ(CvFinish(engine), CvEngineFailed);
  EXPECT_EQ(corvane::validateEngine(engine), CvEngineFailed);  // still there

  // Scaling needs no engine and still works.
  std::vector<uint8_t> src(16, 9), dst(4, 0);
  EXPECT_EQ(CvScaleImage(CvImage{2, 2, 8, CvKindRgba8, src.data()},
                         CvImage{1, 1, 4, CvKindRgba8, dst.data()}),
            CvOk);
  EXPECT_EQ(dst[0], 9);

  // Only tests can clear the flag, to release what the failed engine holds.
  engine->failed = false;
  EXPECT_EQ(CvFinish(engine), CvOk);
}

// Inside an entry no new-handler runs (exhausted memory must reach the entry as bad_alloc);
// the host's handler is back on every way out.
TEST(EntryFrame, AllocationFailureHandlerInstalledNoneAndRestored) {
  const std::new_handler before = std::set_new_handler(&countingHandler);
  for (int path = 0; path < 5; ++path) {
    std::new_handler inside = &countingHandler;
    auto body = [path, &inside](EntryFrame&) -> CvResult {
      inside = std::get_new_handler();
      if (path == 1) throw CvExCancel();
      if (path == 2) throw std::bad_alloc();
      if (path == 3) throw "Image too small";
      if (path == 4) throw 1.5;
      return CvOk;
    };
    EXPECT_EQ(corvane::runEntry(corvane::kOperationCatches, body), path ? CvException : CvOk);
    EXPECT_EQ(inside, nullptr) << "path " << path;
    EXPECT_EQ(std::get_new_handler(), &countingHandler) << "path " << path;
  }
  std::vector<uint8_t> two(8), one(4);
  EXPECT_EQ(CvScaleImage(CvImage{2, 1, 8, CvKindRgba8, two.data()},  // "Image too small"
                         CvImage{1, 1, 4, CvKindRgba8, one.data()}),
            CvException);
  EXPECT_EQ(std::get_new_handler(), &countingHandler);
  std::set_new_handler(before);
}

}  // namespace
