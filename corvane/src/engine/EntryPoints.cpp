// The engine's entry points: each validates its handles and runs its body inside the shared
// frame, which answers the host a result code or a null handle for every exception.

#include <climits>
#include <cstdint>
#include <memory>

#include "Corvane.h"
#include "engine/CvEngine.h"
#include "engine/CvInImage.h"
#include "engine/CvInProgress.h"
#include "engine/CvInSession.h"
#include "engine/EntryFrame.h"
#include "engine/SessionEntry.h"
#include "engine/ImageScaling.h"
#include "engine/PixelStatus.h"

using corvane::EntryFrame;
using corvane::useSession;

namespace {

// A kind-1 description the reduction may wrap: sizes that fit the array shape, rows of at
// least width pixels, data present unless empty. Sizes are compared in 64 bits.
bool scalableDescription(const CvImage& image) {
  if (image.kind != CvKindRgba8) return false;
  if (image.width > INT_MAX || image.height > INT_MAX) return false;
  if (uint64_t{image.stride} < uint64_t{4} * image.width) return false;
  return image.data != nullptr || image.width == 0 || image.height == 0;
}

// A picture a session can wrap: kind 1, data, a non-empty size that fits the array shape, and
// rows of at least width pixels. The stride is compared in 64 bits: 4 × width overflows 32.
bool sessionPicture(const CvImage& picture) {
  if (picture.kind != CvKindRgba8 || !picture.data) return false;
  if (picture.width == 0 || picture.height == 0) return false;
  if (picture.width > INT_MAX || picture.height > INT_MAX) return false;
  return uint64_t{picture.stride} >= uint64_t{4} * picture.width;
}

}  // namespace

CvEngine* CvInit() {
  return corvane::runEntry(corvane::kUnmarkedCatches,
                           [](EntryFrame&) -> CvEngine* { return new CvEngine; });
}

CvResult CvFinish(CvEngine* engine) {
  return corvane::runEntry(corvane::kOperationCatches, [&](EntryFrame& frame) -> CvResult {
    if (const CvResult status = frame.useEngine(engine)) return status;
    engine->destroyLeftovers();
    delete engine;
    return CvOk;
  });
}

CvImage* CvNewStatusImage(CvEngine* engine, CvImage picture) {
  return corvane::runEntry(corvane::kUnmarkedCatches, [&](EntryFrame& frame) -> CvImage* {
    if (frame.useEngine(engine) != CvOk) return nullptr;
    if (!corvane::statusPictureReadable(picture)) return nullptr;
    // Destroyed again (leaving the registry) if filling throws.
    std::unique_ptr<CvInImage> status(new CvInImage(engine, picture.width, picture.height));
    corvane::fillStatusImage(*status, picture);
    return status.release();
  });
}

CvResult CvDeleteStatusImage(CvImage* image) {
  return corvane::runEntry(corvane::kUnmarkedCatches, [&](EntryFrame& frame) -> CvResult {
    // The image stays registered in its engine until CvFinish.
    return frame.useImage(image, nullptr);
  });
}

CvResult CvScaleImage(CvImage source, CvImage destination) {
  return corvane::runEntry(corvane::kUnmarkedCatches, [&](EntryFrame&) -> CvResult {
    if (!scalableDescription(source) || !scalableDescription(destination))
      return CvPreconditionFailed;
    // A zero-sized destination would make the factor infinite.
    if (destination.width == 0 || destination.height == 0) return CvPreconditionFailed;
    CvInProgress progress(nullptr, nullptr, "Scale Image", false);
    corvane::reduceImage(corvane::wrapRgba8(source), corvane::wrapRgba8(destination), source.width,
                         source.height, destination.width, destination.height);
    return CvOk;
  });
}

// ---- Sessions

CvSession* CvBeginSession(CvEngine* engine, CvImage picture, CvProgressCallback callback,
                          void* context) {
  return corvane::runEntry(corvane::kConstructionCatches, [&](EntryFrame& frame) -> CvSession* {
    if (frame.useEngine(engine) != CvOk) return nullptr;
    if (!sessionPicture(picture)) return nullptr;
    return (new CvInSession(engine, picture, callback, context))->handle();
  });
}

CvSession* CvBeginSubSession(CvSession* parent, const CvSelection* selection, int32_t ownVariables,
                             CvProgressCallback callback, void* context) {
  return corvane::runEntry(corvane::kConstructionCatches, [&](EntryFrame& frame) -> CvSession* {
    CvInSession* session = nullptr;
    if (useSession(frame, parent, &session) != CvOk) return nullptr;
    if (!selection) return nullptr;
    corvane::Box box;
    CvInSession::Bytes mask;
    if (!CvInSession::clipSelection(*session, *selection, box, mask)) return nullptr;
    return (new CvInSession(session, box, mask, ownVariables != 0, callback, context))->handle();
  });
}

CvResult CvEndSession(CvSession* handle, CvProgressCallback callback, void* context) {
  return corvane::runSessionOperation(handle, [&](CvInSession& session) -> CvResult {
    CvInProgress progress(callback, context, "End Session", false);
    delete &session;
    return CvOk;
  });
}

CvResult CvSetStatus(CvSession* handle, CvImage* statusImage, const CvSelection* labels,
                     CvProgressCallback callback, void* context) {
  return corvane::runStatusImageOperation(
      handle, statusImage, [&](CvInSession& session, CvInImage* image) {
        return session.setStatus(image, labels, callback, context);
      });
}

CvResult CvSetStatusFromParent(CvSession* handle, CvImage* statusImage) {
  return corvane::runStatusImageOperation(
      handle, statusImage,
      [&](CvInSession& session, CvInImage* image) { return session.setStatusFromParent(image); });
}

CvResult CvSetParentStatus(CvSession* handle, CvImage* statusImage) {
  return corvane::runStatusImageOperation(
      handle, statusImage,
      [&](CvInSession& session, CvInImage* image) { return session.setParentStatus(image); });
}

CvResult CvUndo(CvSession* handle, CvProgressCallback callback, void* context) {
  return corvane::runSessionOperation(
      handle, [&](CvInSession& session) -> CvResult { return session.undo(callback, context); });
}

CvResult CvRedo(CvSession* handle, CvProgressCallback callback, void* context) {
  return corvane::runSessionOperation(
      handle, [&](CvInSession& session) -> CvResult { return session.redo(callback, context); });
}

CvResult CvNumAvailableUndo(CvSession* handle, uint32_t* count) {
  return corvane::runSessionOperation(handle, [&](CvInSession& session) -> CvResult {
    if (count) *count = session.classification().undoStack().undoCount();
    return CvOk;
  });
}

CvResult CvNumAvailableRedo(CvSession* handle, uint32_t* count) {
  return corvane::runSessionOperation(handle, [&](CvInSession& session) -> CvResult {
    if (count) *count = session.classification().undoStack().redoCount();
    return CvOk;
  });
}

CvResult CvCommitUndoStep(CvSession* handle) {
  return corvane::runSessionOperation(handle, [&](CvInSession& session) -> CvResult {
    session.classification().undoStack().commit();
    return CvOk;
  });
}

CvResult CvClearUndoRedo(CvSession* handle) {
  return corvane::runSessionOperation(handle, [&](CvInSession& session) -> CvResult {
    session.classification().undoStack().clear();
    return CvOk;
  });
}

CvResult CvSetAnalysisParameters(CvSession* handle, float tolerance, uint32_t edgeWidth,
                                 uint32_t choices) {
  return corvane::runSessionOperation(handle, [&](CvInSession& session) -> CvResult {
    session.setAnalysisParameters(tolerance, edgeWidth, choices);
    return CvOk;
  });
}

CvResult CvSetVariable(CvSession* handle, const char* name, float proportion) {
  return corvane::runSessionOperation(handle, [&](CvInSession& session) -> CvResult {
    return session.setVariable(name, proportion);
  });
}

CvResult CvGetVariable(CvSession* handle, const char* name, CvVariable* record) {
  return corvane::runSessionOperation(handle, [&](CvInSession& session) -> CvResult {
    const CvVariable* found = session.getVariable(name);
    if (!found || !record) return CvPreconditionFailed;
    *record = *found;
    return CvOk;
  });
}
