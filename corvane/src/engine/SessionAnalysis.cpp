// The session's "Analyse Image" and "Select" operations.

#include <cmath>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "classification/AnalyseImage.h"
#include "classification/Select.h"
#include "engine/CvInSession.h"
#include "util/FreedMemory.h"
#include "util/NoLabel.h"

using classification::IiClassification;
using corvane::Box;

namespace {

bool anyChanged(const corvane::Variables& variables, std::initializer_list<const char*> names) {
  for (const char* name : names) {
    const corvane::VariableBase* variable = variables.findVariable(name);
    if (variable && variable->changed()) return true;
  }
  return false;
}

// Outlines (of analysis regions or of the selection mask) as the host reads them: each a
// list of (column, row) pairs.
template <class Outline>
std::vector<std::vector<float>> hostOutlines(const std::vector<Outline>& outlines) {
  std::vector<std::vector<float>> result;
  result.reserve(outlines.size());
  for (const Outline& outline : outlines) {
    std::vector<float> points;
    points.reserve(outline.size() * 2);
    for (const auto& p : outline) {
      points.push_back(float(p[1]));
      points.push_back(float(p[0]));
    }
    result.push_back(std::move(points));
  }
  return result;
}

}  // namespace

CvResult CvInSession::analyseImage(CvProgressCallback callback, void* context) {
  if (!ownVariables_) return CvNeedsSegmentation;
  freeRegions();
  const bool wasSegmented = isSegmented();
  setSegmented(false);

  // Outside the try block: the variables are put back before the closing report.
  CvInProgress progress(callback, context, "Analyse Image", true);
  IiClassification& state = *classification_;
  CvResult result = CvOk;
  try {
    ProgressRange range(&progress);
    state.outlinePointRule = variables_.vMdPt.effectiveValue();
    state.outlineTolerance = variables_.vSmplf.effectiveValue();
    state.outlineCornerCut = variables_.vSmth.effectiveValue();
    std::vector<classification::Outline> outlines;
    if (!analyseParallel(wasSegmented, range.subRange(0.9f), outlines))
      classification::traceOutlines(state, outlines);
    setSegmented(true);
    setRegions(hostOutlines(outlines));
    variables_.clampIntoRange();
    variables_.rememberAll();
    variables_.updateRecords();
    variables_.updateTexts();
    refreshDependentChildren();
  } catch (const CvExCancel&) {
    result = CvCancelled;
  } catch (const std::bad_alloc&) {
    result = CvOutOfMemory;
  } catch (...) {
    markEngineFailed();
    result = CvException;
  }
  if (result != CvOk) {
    // An analysis that did not finish leaves no segmentation and the variables as they were.
    setSegmented(false);
    freeRegions();
    variables_.restoreAll();
    variables_.updateRecords();
    variables_.updateTexts();
    refreshParameters();
    loadParameters();
  }
  takeChangedRect();
  corvane::releaseFreedMemory();
  return result;
}

bool CvInSession::analyseParallel(bool wasSegmented, ProgressRange range,
                                  std::vector<classification::Outline>& outlines) {
  IiClassification& state = *classification_;
  bool run = false;
  if (!wasSegmented || anyChanged(variables_, {"#maxBits", "t%", "#texture"})) {
    loadParameters();
    state.rancourState = 0;
    run = true;
  } else if (anyChanged(variables_, {"imageTol", "featureTol", "focus", "#colourBits",
                                     "interpolation", "#resolution", "overlap"})) {
    loadParameters();
    run = true;
  }
  if (run) {
    const Bytes* mask = selectionMask_.size() != 0 ? &selectionMask_ : nullptr;
    classification::analyse(state, mask, range.subRange(0.8f), &outlines);
  }
  range.report(corvane::kNoLabel, 1.0f);
  return run;
}

void CvInSession::setMaskRegions() {
  std::vector<classification::IntegerOutline> outlines;
  classification::traceMaskOutlines(selectionMask_, outlines);
  setRegions(hostOutlines(outlines));
}

CvResult CvInSession::select(CvInImage* image, const CvSelection* stroke, int32_t mode,
                             uint8_t value, uint8_t writeMask, uint8_t target, uint8_t targetMask,
                             int32_t levelPlusOne, CvProgressCallback callback, void* context) {
  // Only the pixel select works without a segmentation: the others read the analysis.
  const bool segmentation = isSegmented() || (parentSession_ && parentSession_->isSegmented());
  if (mode != classification::kSelectPixels && !segmentation) return CvNeedsSegmentation;

  Bytes status = reindexStatus(image);
  Box strokeRect{1, 1, 0, 0};
  Bytes strokeMask;
  if (stroke) {
    const CvSelectionArray placed = CvInImage::makeArray(*stroke);
    if (!placed.readable) return CvPreconditionFailed;
    strokeRect = placed.box;
    strokeMask.reference(placed.array);
  }
  const classification::SelectRequest request{mode,   value,      writeMask,
                                              target, targetMask, levelPlusOne};
  return runOperation("Select", callback, context, [&](ProgressRange& range) {
    classification::select(*classification_, strokeRect,
                           strokeMask.size() != 0 ? &strokeMask : nullptr, status, request, range);
  });
}
