#include "engine/EntryFrame.h"

#include "engine/CvEngine.h"
#include "engine/CvInImage.h"
#include "engine/CvInSessionBase.h"
#include "engine/CvSigned.h"
#include "engine/LiveHandles.h"

namespace corvane {
namespace {

CvEngine* liveSignedEngine(CvEngine* engine) noexcept {
  auto* live = static_cast<CvEngine*>(findLive(engine, LiveKind::Engine));
  return live && live->signature == kCvSignature ? live : nullptr;
}

}  // namespace

CvResult validateEngine(CvEngine* engine) noexcept {
  CvEngine* live = liveSignedEngine(engine);
  if (!live) return CvInvalidSignature;
  return live->failed ? CvEngineFailed : CvOk;
}

CvResult validateSession(const CvSession* handle, CvInSessionBase** session) noexcept {
  auto* live = static_cast<CvInSessionBase*>(findLive(handle, LiveKind::Session));
  if (!live) return CvInvalidSession;
  if (live->signature != kCvSignature) return CvInvalidSignature;
  CvEngine* engine = liveSignedEngine(live->engine());
  if (!engine) return CvInvalidSignature;
  if (engine->failed) return CvEngineFailed;
  if (session) *session = live;
  return CvOk;
}

CvResult validateImage(const CvImage* handle, CvInImage** image) noexcept {
  auto* live = static_cast<CvInImage*>(findLive(handle, LiveKind::Image));
  if (!live || live->signature != kCvSignature) return CvInvalidImage;
  if (image) *image = live;
  return CvOk;
}

CvResult EntryFrame::useEngine(CvEngine* engine) noexcept {
  const CvResult status = validateEngine(engine);
  if (status == CvOk) engine_ = engine;
  return status;
}

CvResult EntryFrame::useSession(const CvSession* handle, CvInSessionBase** session) noexcept {
  CvInSessionBase* live = nullptr;
  const CvResult status = validateSession(handle, &live);
  if (status == CvOk) {
    engine_ = live->engine();
    if (session) *session = live;
  }
  return status;
}

void EntryFrame::markFailed() noexcept {
  if (CvEngine* engine = liveSignedEngine(engine_)) engine->failed = true;
}

}  // namespace corvane
