// The session operations "Auto fill" and "Generate mask".

#include <new>

#include "classification/AutoFill.h"
#include "engine/CvInSession.h"
#include "mask/GenerateMask.h"
#include "util/BlitzViews.h"
#include "util/BoxOps.h"

using classification::IiClassification;
using corvane::Box;

namespace {

// The session whose tuning variables apply: a sub-session without its own uses its parent's.
CvInSession& variableOwner(CvInSession& session) {
  CvInSession* s = &session;
  while (!s->ownVariables() && s->parentSession()) s = s->parentSession();
  return *s;
}

template <class PixelType>
CvResult generateMaskFor(CvInSession& session, IiClassification& state,
                         blitz::Array<typename PixelType::Pixel, 2> output,
                         const blitz::Array<typename PixelType::Pixel, 2>& source,
                         CvInImage* statusImage, const CvInSession::MaskRecords& records,
                         CvProgressCallback callback) {
  // Auto fill and the mask passes need the analysis's blend radii; a dependent sub-session
  // has them only once its parent was analysed.
  const CvInSession::Bytes radii = session.blendRadii();
  if ((session.ownVariables() && !session.isSegmented()) || radii.size() == 0)
    return CvNeedsSegmentation;

  CvInProgress progress(callback, nullptr, "Generate mask", true);
  ProgressRange range(&progress);

  corvane::mask::MaskRequest request;
  request.hasRect = records.rect != nullptr;
  if (records.rect) request.rect = *records.rect;
  request.scale = corvane::mask::MaskScale{records.rowScale, records.columnScale};
  request.blendWidth = records.blendWidth;
  request.blendRatio = records.blendRatio;
  request.patches.reserve(records.patchCount);
  for (uint32_t i = 0; i < records.patchCount; ++i)
    request.patches.push_back(corvane::mask::maskPatchFromRequest(records.patches[i]));
  request.forcedEdges =
      corvane::mask::forcedEdgesFromRequests(records.forcedEdges, records.forcedEdgeCount);

  CvInSession::Bytes status = session.reindexStatus(statusImage);
  corvane::Variables& variables = variableOwner(session).tuningVariables();
  state.bSmooth = variables.bSmooth.effectiveValue();
  state.bCareful = variables.bCareful.effectiveValue();
  state.bGreedy = variables.bGreedy.effectiveValue();

  CvResult result;
  state.beginOperation();
  try {
    result = static_cast<CvResult>(corvane::mask::generateMaskVariant<PixelType>(
        state, output, source, status, std::move(request), radii, range.subRange(0.75f)));
    state.endOperation();
  } catch (...) {
    state.rollBackOperation();
    session.takeChangedRect();
    throw;
  }
  session.takeChangedRect();
  return result;
}

}  // namespace

CvInSession::Bytes CvInSession::blendRadii() const {
  const Bytes& map = classification_->segmentation().localValues();
  const Box& box = area();
  if (map.size() == 0 || box.empty()) return Bytes();
  const Box mapBox{map.lbound(0), map.lbound(1), map.ubound(0), map.ubound(1)};
  if (corvane::intersectBox(box, mapBox) != box) return Bytes();
  return corvane::subView(map, box.lowerRow, box.lowerColumn, box.upperRow, box.upperColumn);
}

CvResult CvInSession::autoFill(CvInImage* image, uint32_t /*reserved*/, uint8_t value,
                               float radiusFactor, CvProgressCallback callback, void* context) {
  const bool segmentedHere = isSegmented() || (parentSession_ && parentSession_->isSegmented());
  const Bytes radii = blendRadii();
  // Without blend radii there is no band to lay.
  if (!segmentedHere || radii.size() == 0) radiusFactor = 0.0f;
  Bytes status = reindexStatus(image);
  IiClassification& state = *classification_;
  return runOperation("Auto fill", callback, context, [&](ProgressRange& range) {
    classification::autoFill(state, status, nullptr, value, radiusFactor, radii, &state.undoStack(),
                             range);
  });
}

CvResult CvInSession::generateMask8(Image output, const Image& source, CvInImage* statusImage,
                                    const MaskRecords& records, CvProgressCallback callback) {
  return generateMaskFor<corvane::mask::MaskPixel8>(*this, *classification_, output, source,
                                                    statusImage, records, callback);
}

CvResult CvInSession::generateMask16(Image16 output, const Image16& source, CvInImage* statusImage,
                                     const MaskRecords& records, CvProgressCallback callback) {
  return generateMaskFor<corvane::mask::MaskPixel16>(*this, *classification_, output, source,
                                                     statusImage, records, callback);
}

CvResult CvInSession::generateMask15(Image16 output, const Image16& source, CvInImage* statusImage,
                                     const MaskRecords& records, CvProgressCallback callback) {
  return generateMaskFor<corvane::mask::MaskPixelHalf16>(*this, *classification_, output, source,
                                                         statusImage, records, callback);
}
