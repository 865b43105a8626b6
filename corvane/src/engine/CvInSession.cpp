#include "engine/CvInSession.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <utility>

#include "engine/CvEngine.h"
#include "util/BlitzViews.h"
#include "util/BoxOps.h"
#include "util/NoLabel.h"
#include "util/SaturatingCast.h"

using classification::IiClassification;
using corvane::Box;

namespace {

CvInSession::Image wrapPicture(const CvImage& picture) {
  using Colour = IiClassification::Colour;
  return CvInSession::Image(static_cast<Colour*>(picture.data),
                            blitz::shape(int(picture.height), int(picture.width)),
                            blitz::shape(ptrdiff_t(picture.stride / 4), 1), blitz::neverDeleteData);
}

// Whether a label byte carries a bit above the class and flag bits.
bool anyMarked(const CvInSession::Bytes& labels) {
  const int columns = labels.extent(1);
  const ptrdiff_t step = labels.stride(1);
  for (int r = labels.lbound(0); r <= labels.ubound(0) && columns > 0; ++r) {
    const uint8_t* p = &labels(r, labels.lbound(1));
    uint8_t bits = 0;
    if (step == 1) {
      for (int c = 0; c < columns; ++c) bits |= p[c];
    } else {
      for (int c = 0; c < columns; ++c) bits |= p[c * step];
    }
    if (bits & ~CvStatusClassAndFlags) return true;
  }
  return false;
}

// Placed status bytes with their class and flag bits alone: the marks above them belong to
// "Generate mask", which would strip them later without an undo step. The host's bytes are
// copied only when one of them carries such a mark.
CvInSession::Bytes classAndFlagBits(const CvInSession::Bytes& labels) {
  if (labels.size() == 0 || !anyMarked(labels)) return labels;
  CvInSession::Bytes kept = labels.copy();
  for (uint8_t& b : kept) b &= CvStatusClassAndFlags;
  return kept;
}

void writeBox(std::ostream& out, const Box& box) {
  out << "[" << box.lowerRow << "," << box.lowerColumn << "], [" << box.upperRow << ","
      << box.upperColumn << "]";
}

}  // namespace

CvInSession::CvInSession(CvEngine* engine, const CvImage& picture, CvProgressCallback callback,
                         void* context)
    : CvSession(),
      CvInSessionBase(engine, nullptr),
      parentSession_(nullptr),
      image_(wrapPicture(picture)),
      progress_(callback, context, "Begin Session", true),
      range_(&progress_),
      classification_(std::make_unique<IiClassification>(nullptr, true, image_)),
      ownVariables_(true) {
  initialiseVariables();
  x = 0;
  y = 0;
  width = picture.width;
  height = picture.height;
  segmented = 0;
  regions = nullptr;
  regionCount = 0;
  changedX = changedY = 0;
  changedWidth = changedHeight = 0;
  progress_.finish();
  progress_.start();
  enterEngine(this);
}

CvInSession::CvInSession(CvInSession* parent, const Box& box, const Bytes& mask, bool ownVariables,
                         CvProgressCallback callback, void* context)
    : CvSession(),
      CvInSessionBase(parent->engine(), parent),
      parentSession_(parent),
      image_(corvane::subView(parent->image_, box.lowerRow, box.lowerColumn, box.upperRow,
                              box.upperColumn)),
      progress_(callback, context, "Begin sub-session", true),
      range_(&progress_),
      classification_(
          std::make_unique<IiClassification>(parent->classification_.get(), ownVariables, image_)),
      selectionMask_(mask),
      ownVariables_(ownVariables) {
  if (ownVariables_) initialiseVariables();
  parent->children_.push_back(this);
  try {
    segmented = 0;
    if (!ownVariables_ && parent->isSegmented()) classification_->setUpFromParent();
    if (selectionMask_.size() != 0) setMaskRegions();
    range_.report(corvane::kNoLabel, 1.0f);
  } catch (...) {
    parent->children_.pop_back();
    throw;
  }
  progress_.finish();
  progress_.start();
  x = box.lowerColumn;
  y = box.lowerRow;
  width = uint32_t(box.upperColumn - box.lowerColumn + 1);
  height = uint32_t(box.upperRow - box.lowerRow + 1);
  try {
    enterEngine(this);
  } catch (...) {
    parent->children_.pop_back();
    throw;
  }
}

CvInSession::~CvInSession() {
  // A sub-session's state holds views into its parent's: end the children first.
  while (!children_.empty()) delete children_.back();
  if (parentSession_) {
    auto& siblings = parentSession_->children_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  }
  selectionMask_.free();
  statusCopies_.clear();
  freeRegions();
  leaveEngine();
}

bool CvInSession::clipSelection(const CvInSession& parent, const CvSelection& selection, Box& box,
                                Bytes& mask) {
  const CvSelectionArray placed = CvInImage::makeArray(selection);
  if (!placed.readable) return false;
  box = corvane::intersectBox(placed.box, parent.area());
  if (placed.box.empty() || box.empty()) return false;
  mask.free();
  // A copy: the host may free its mask as soon as the sub-session exists.
  if (placed.array.size() != 0) {
    mask.reference(
        corvane::subView(placed.array, box.lowerRow, box.lowerColumn, box.upperRow, box.upperColumn)
            .copy());
  }
  return true;
}

void CvInSession::initialiseVariables() {
  variables = variables_.records();
  variableCount = uint32_t(variables_.size());
  resetVariables();
  variables_.clampIntoRange();
  variables_.rememberAll();
  variables_.updateRecords();
  variables_.updateTexts();
  loadParameters();
}

// ---- Operations

CvResult CvInSession::setStatus(CvInImage* image, const CvSelection* labels,
                                CvProgressCallback callback, void* context) {
  if (!labels) return CvPreconditionFailed;
  const CvSelectionArray placed = CvInImage::makeArray(*labels);
  if (!placed.readable) return CvPreconditionFailed;
  const Bytes placedStatuses = classAndFlagBits(placed.array);
  Bytes status = reindexStatus(image);
  return runOperation("SetStatus", callback, context, [&](ProgressRange&) {
    // A plain rectangle places no statuses.
    if (placedStatuses.size() == 0) return;
    classification_->setStatus(status, placedStatuses);
  });
}

CvResult CvInSession::setStatusFromParent(CvInImage* image) {
  if (!parentSession_) return CvPreconditionFailed;
  const CvInImage* parentView = parentSession_->statusImage(image);
  statusImage(image);
  CvSelection placed{parentSession_->x, parentSession_->y, *parentView};
  return setStatus(image, &placed, nullptr, nullptr);
}

CvResult CvInSession::setParentStatus(CvInImage* image) {
  if (!parentSession_) return CvPreconditionFailed;
  const CvInImage* own = statusImage(image);
  CvSelection placed{x, y, *own};
  return parentSession_->setStatus(image, &placed, nullptr, nullptr);
}

CvResult CvInSession::undo(CvProgressCallback callback, void* context) {
  return stepHistory("Undo", &classification::IiClassification::undo, callback, context);
}

CvResult CvInSession::redo(CvProgressCallback callback, void* context) {
  return stepHistory("Redo", &classification::IiClassification::redo, callback, context);
}

// Undo and redo cannot be cancelled; running out of memory half-way leaves the statuses and
// the history out of step, so it fails the engine (8) rather than rolling back (3).
CvResult CvInSession::stepHistory(const char* label,
                                  void (classification::IiClassification::*step)(),
                                  CvProgressCallback callback, void* context) {
  CvInProgress progress(callback, context, label, false);
  CvResult result = CvOk;
  try {
    (classification_.get()->*step)();
  } catch (const std::bad_alloc&) {
    markEngineFailed();
    result = CvUndoOutOfMemory;
  } catch (...) {
    markEngineFailed();
    result = CvException;
  }
  takeChangedRect();
  return result;
}

void CvInSession::takeChangedRect() {
  Box box;
  if (classification_->takeDirtyRect(box) && !box.empty()) {
    changedX = box.lowerColumn;
    changedY = box.lowerRow;
    changedWidth = uint32_t(int64_t(box.upperColumn) - box.lowerColumn + 1);
    changedHeight = uint32_t(int64_t(box.upperRow) - box.lowerRow + 1);
  } else {
    changedX = changedY = 0;
    changedWidth = changedHeight = 0;
  }
}

void CvInSession::markEngineFailed() {
  if (CvEngine* e = engine()) e->failed = true;
}

// ---- Status arrays

CvInImage* CvInSession::statusImage(CvInImage* image) {
  if (!parentSession_) return image;
  auto found = statusCopies_.find(image);
  if (found != statusCopies_.end()) return found->second.view.get();

  // First use: start from the parent's statuses where the parent has them, 0 elsewhere.
  const Box& box = area();
  StatusCopy copy;
  copy.storage.resize(box.upperRow - box.lowerRow + 1, box.upperColumn - box.lowerColumn + 1);
  copy.storage = 0;
  const Bytes parentStatus = parentSession_->statusArray(image, false);
  const Box parentBox{parentStatus.lbound(0), parentStatus.lbound(1), parentStatus.ubound(0),
                      parentStatus.ubound(1)};
  const Box shared = corvane::intersectBox(box, parentBox);
  if (!shared.empty() && parentStatus.size() != 0) {
    Bytes target = copy.storage;
    target.reindexSelf(blitz::TinyVector<int, 2>(box.lowerRow, box.lowerColumn));
    corvane::subView(target, shared.lowerRow, shared.lowerColumn, shared.upperRow,
                     shared.upperColumn) =
        corvane::subView(parentStatus, shared.lowerRow, shared.lowerColumn, shared.upperRow,
                         shared.upperColumn);
  }
  copy.view = std::make_unique<CvInImage>(copy.storage, 0, 0, uint32_t(copy.storage.extent(1)),
                                          uint32_t(copy.storage.extent(0)));
  CvInImage* view = copy.view.get();
  statusCopies_.emplace(image, std::move(copy));
  return view;
}

CvInSession::Bytes CvInSession::reindexStatus(CvInImage* image) {
  return statusArray(image, true);
}

CvInSession::Bytes CvInSession::statusArray(CvInImage* image, bool log) {
  if (!parentSession_) {
    if (!image->data || image->width == 0 || image->height == 0) return Bytes();
    return Bytes(static_cast<uint8_t*>(image->data),
                 blitz::shape(int(image->height), int(image->width)),
                 blitz::shape(ptrdiff_t(image->stride), 1), blitz::neverDeleteData);
  }
  statusImage(image);
  Bytes status = statusCopies_.at(image).storage;
  const Box from{status.lbound(0), status.lbound(1), status.ubound(0), status.ubound(1)};
  const Box& to = area();
  if (log) {
    std::ostringstream line;
    line << "status array's dimensions: ";
    writeBox(line, from);
    line << "\nReindexing from ";
    writeBox(line, from);
    line << " to ";
    writeBox(line, to);
    line << "\n";
    std::cerr << line.str();
  }
  status.reindexSelf(blitz::TinyVector<int, 2>(to.lowerRow, to.lowerColumn));
  return status;
}

// ---- Tuning variables

CvResult CvInSession::setVariable(const char* name, float proportion) {
  if (parentSession_ || !name) return CvPreconditionFailed;
  try {
    variables_.set(name, proportion);
  } catch (const corvane::Variables::VariableNotFound&) {
    return CvPreconditionFailed;
  } catch (const corvane::Variables::InvalidProportion&) {
    return CvPreconditionFailed;
  }
  variables_.updateTexts();
  refreshParameters();
  return CvOk;
}

CvVariable* CvInSession::getVariable(const char* name) {
  if (!ownVariables_ || !name) return nullptr;
  return variables_.findRecord(name);
}

void CvInSession::setAnalysisParameters(float tolerance, uint32_t edgeWidth, uint32_t choices) {
  CvVariable* record = variables_.findRecord("imageTol");
  if (!record) throw corvane::Variables::VariableNotFound();
  record->proportion = 1.0f - tolerance;
  variables_.imageTol.setScaled(1.0f - tolerance);
  variables_.inFocusEdgeWidth.setValue(static_cast<float>(edgeWidth));
  variables_.edgeContrast.setValue(int(choices & 0xFF));
  variables_.textureFilter.setValue(int((choices >> 8) & 0xFF));
  this->tolerance = tolerance;
  this->choices = choices & 0xFFFF;
  variables_.updateRecords();
  variables_.updateTexts();
}

void CvInSession::refreshParameters() {
  const CvVariable* record = variables_.findRecord("imageTol");
  tolerance = 1.0f - (record ? record->proportion : 0.0f);
  edgeWidth = variables_.inFocusEdgeWidth.effectiveValue();
  choices = uint32_t(uint8_t(variables_.edgeContrast.effectiveValue())) |
            uint32_t(uint8_t(variables_.textureFilter.effectiveValue())) << 8;
}

void CvInSession::resetVariables() {
  variables_.setDefaults(uint32_t(std::max(image_.extent(0), image_.extent(1))));
  refreshParameters();
}

void CvInSession::loadParameters() {
  classification::AnalysisParameters& block = classification_->baseRecord();
  block.histogramBits = variables_.colourBits.effectiveValue();
  block.valueLimit = variables_.inFocusEdgeWidth.effectiveValue();
  classification_->maxBits = variables_.maxBits.effectiveValue();
  block.blockHistogramKind = variables_.interpolation.effectiveValue();
  block.blockSize = corvane::saturatingCast<int32_t>(variables_.resolution.effectiveValue());
  block.windowRadius = variables_.overlap.effectiveValue();
  block.histogramMode = 4;
  block.levelThreshold = variables_.featureTol.effectiveValue();
  block.innerScale = variables_.imageTol.effectiveValue();
  block.focus = variables_.focus.effectiveValue();
  block.reservedFloat6 = 0.0f;
  classification_->tPercent = variables_.tPercent.effectiveValue();
  // A rank disc wider than the picture gains nothing, and wild "textureFilter" or
  // "inFocusEdgeWidth" inputs would otherwise ask the analysis for a disc of billions of pixels.
  classification_->texture =
      std::min(variables_.texture.effectiveValue(), std::max(image_.extent(0), image_.extent(1)));
  block.blendMode = variables_.blendMode.effectiveValue();
  block.foregroundSampling = variables_.fgSampling.effectiveValue();
  block.backgroundSampling = variables_.bgSampling.effectiveValue();
}

// ---- Analysis results

void CvInSession::setRegions(std::vector<std::vector<float>> outlines) {
  std::vector<CvRegion> records;
  records.reserve(outlines.size());
  for (auto& points : outlines)
    records.push_back(CvRegion{points.data(), uint32_t(points.size() / 2), 0});
  freeRegions();
  regionPoints_ = std::move(outlines);
  regionRecords_ = std::move(records);
  regions = regionRecords_.empty() ? nullptr : regionRecords_.data();
  regionCount = uint32_t(regionRecords_.size());
}

void CvInSession::freeRegions() noexcept {
  regions = nullptr;
  regionCount = 0;
  regionRecords_.clear();
  regionRecords_.shrink_to_fit();
  regionPoints_.clear();
  regionPoints_.shrink_to_fit();
}

void CvInSession::refreshDependentChildren() {
  if (!isSegmented()) return;
  for (CvInSession* child : children_) {
    if (!child->ownVariables_) child->classification_->setUpFromParent();
  }
}
