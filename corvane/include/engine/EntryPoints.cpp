// The engine's entry points: each validates its handles and runs its body inside the shared
// frame, which answers the host a result code or a null handle for every exception.

#include <climits>
#include <cstdint>
#include <memory>

#include "Corvane.h"
#include "engine/CvEngine.h"
#include "engine/CvInImage.h"
#include "engine/CvInProgress.h"
#include "engine/EntryFrame.h"
#include "engine/ImageScaling.h"
#include "engine/PixelStatus.h"

using corvane::EntryFrame;

namespace {

// A kind-1 description the reduction may wrap: sizes that fit the array shape, rows of at
// least width pixels, data present unless empty. Sizes are compared in 64 bits.
bool scalableDescription(const CvImage& image) {
  if (image.kind != CvKindRgba8) return false;
  if (image.width > INT_MAX || image.height > INT_MAX) return false;
  if (uint64_t{image.stride} < uint64_t{4} * image.width) return false;
  return image.data != nullptr || image.width == 0 || image.height == 0;
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
