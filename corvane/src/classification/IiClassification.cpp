#include "classification/IiClassification.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "classification/IiUndoModifyStatus.h"
#include "classification/RancourStage.h"
#include "util/ArrayDomain.h"
#include "util/BlitzViews.h"
#include "util/BoxOps.h"
#include "util/ByteColour.h"
#include "util/SaturatingCast.h"

namespace classification {

using corvane::Box;
using corvane::domainOf;
using corvane::subView;

namespace {

// Every non-zero value over `box` replaces its status, except where the status is 0 (outside
// the picture), which no operation may change.
void writeStatuses(const blitz::Array<uint8_t, 2>& values, blitz::Array<uint8_t, 2>& status,
                   const Box& box) {
  const ptrdiff_t vs = values.stride(1);
  const ptrdiff_t ss = status.stride(1);
  for (int r = box.lowerRow; r <= box.upperRow; ++r) {
    const uint8_t* v = &values(r, box.lowerColumn);
    uint8_t* s = &status(r, box.lowerColumn);
    for (int c = box.lowerColumn; c <= box.upperColumn; ++c, v += vs, s += ss) {
      if (*v != 0 && *s != 0) *s = *v;
    }
  }
}

// Gives `frame` the domain `box`, reusing its storage when the extents stay the same.
template <class T>
void resizeFrame(blitz::Array<T, 2>& frame, const Box& box) {
  const int rows = box.upperRow - box.lowerRow + 1;
  const int columns = box.upperColumn - box.lowerColumn + 1;
  if (frame.extent(0) != rows || frame.extent(1) != columns) {
    frame.resize(rows, columns);
  }
  frame.reindexSelf(blitz::TinyVector<int, 2>(box.lowerRow, box.lowerColumn));
}

// Fills the rows of `box` inside `array`, column range clipped to it.
template <class T>
void fillBox(blitz::Array<T, 2>& array, const Box& box, T value) {
  const Box b = corvane::intersectBox(
      box, Box{array.lbound(0), array.lbound(1), array.ubound(0), array.ubound(1)});
  if (b.empty()) return;
  for (int r = b.lowerRow; r <= b.upperRow; ++r) {
    if (array.stride(1) == 1) {
      std::fill_n(&array(r, b.lowerColumn), b.upperColumn - b.lowerColumn + 1, value);
    } else {
      for (int c = b.lowerColumn; c <= b.upperColumn; ++c) array(r, c) = value;
    }
  }
}

}  // namespace

IiClassification::IiClassification(IiClassification* parent, bool independent, const Image& image)
    : parent_(parent),
      image_(image),
      imageBox_{image.lbound(0), image.lbound(1), image.ubound(0), image.ubound(1)},
      undoStack_(UndoStack::kSessionLimit),
      independent_(independent) {
  AnalysisParameters& block = segmentation_.baseRecord;
  block.histogramBits = 5;
  block.reservedFloat1 = -1.0f;
  block.reservedFloat2 = -1.0f;
  block.levelThreshold = 1.1f;
  block.innerScale = 2.0f;
  block.focus = 0.0f;
  block.reservedFloat6 = -1.0f;
  block.blockHistogramKind = 0;
  block.blockSize = 8;
  block.windowRadius = 1;
  block.histogramMode = -1;
  block.valueLimit = 2;
  block.blendMode = 0;
  block.foregroundSampling = 1;
  block.backgroundSampling = 1;
  segmentation_.channelFlags.fill(true);

  // The work mask frame: the image's rectangle widened by one pixel, its border 1 and its
  // interior 0 (a flood that never wrote a pixel must find 0 there).
  Box frame = imageBox_;
  corvane::expandDomain(frame, 1);
  resizeFrame(workMaskFrame_, frame);
  workMaskFrame_ = 1;
  workMask_.reference(subView(workMaskFrame_, imageBox_.lowerRow, imageBox_.lowerColumn,
                              imageBox_.upperRow, imageBox_.upperColumn));
  clearWorkMask();
}

IiClassification::~IiClassification() {
  // Steps hold views of status arrays; the history goes before anything else.
  undoStack_.clear();
  privateRecords_.clear();
}

namespace {

// `array` restricted to `box`, as far as it covers it; empty when it does not meet the box.
template <class T>
blitz::Array<T, 2> restricted(const blitz::Array<T, 2>& array, const Box& box) {
  const Box shared = corvane::intersectBox(
      box, Box{array.lbound(0), array.lbound(1), array.ubound(0), array.ubound(1)});
  if (array.size() == 0 || shared.empty()) return blitz::Array<T, 2>();
  return subView(array, shared.lowerRow, shared.lowerColumn, shared.upperRow, shared.upperColumn);
}

}  // namespace

void IiClassification::setUpFromParent() {
  if (!parent_) return;
  IiClassification& p = *parent_;
  Segmentation& own = segmentation_;
  Segmentation& theirs = p.segmentation_;

  own.setImage(restricted(theirs.image, imageBox_));
  own.baseRecord = theirs.baseRecord;
  partitionLevel = p.partitionLevel;
  partitionLabelCount = p.partitionLabelCount;

  if (own.baseRecord.innerScale > 1.0f) {
    own.regionMap.reference(restricted(theirs.regionMap, imageBox_));
  } else {
    own.innerLabels.free();
    own.regionMap.free();
  }
  finalLabels_.reference(restricted(p.finalLabels_, imageBox_));
  own.gradientView.reference(restricted(theirs.gradientView, imageBox_));
  own.gradientImage.reference(theirs.gradientImage);
  own.gradientScale = theirs.gradientScale;
  // The view keeps the parent's gradient image alive through its source.
  own.localValueMap = theirs.localValueMap;
  own.localValueMap.array().reference(restricted(theirs.localValueMap.array(), imageBox_));
}

float IiClassification::radiusAt(int32_t row, int32_t column) const {
  return static_cast<float>(segmentation_.localValues()(row, column)) * 0.5f;
}

void IiClassification::runRancours(ProgressRange progress) {
  if (rancourState == 2) return;
  if (workingImageState != 1) {
    workingImage_.reference(image_);
    workingImageState = 1;
  }
  RancourStage stage(texture, tPercent, maxBits);
  const RancourStage::Output output = stage.run(workingImage_, progress);
  workingImage_.free();
  workingImageState = 0;
  segmentation_.setImage(output);
  globalClassification_.setImage(output);
  rancourState = 2;
}

void IiClassification::clearWorkMask() {
  fillBox<uint8_t>(workMask_, imageBox_, 0);
}

void IiClassification::clearWorkMask(const Box& box) {
  fillBox<uint8_t>(workMask_, box, 0);
}

void IiClassification::applyChanges(Bytes& status, UndoStack* stack) {
  if (pending_.changedRect.empty()) return;
  // Only where the work mask and the status array both are.
  const Box box = corvane::intersectBox(
      corvane::intersectBox(pending_.changedRect, domainOf(status)), domainOf(workMask_));
  if (box.empty()) return;
  const Bytes newValues =
      subView(workMask_, box.lowerRow, box.lowerColumn, box.upperRow, box.upperColumn);
  Bytes statusView = subView(status, box.lowerRow, box.lowerColumn, box.upperRow, box.upperColumn);

  if (stack) {
    stack->record(std::make_unique<IiUndoModifyStatus>(newValues, statusView));
  } else if (operationOpen_) {
    privateRecords_.reserve(privateRecords_.size() + 1);
    privateRecords_.push_back(std::make_unique<IiUndoModifyStatus>(newValues, statusView));
  }

  writeStatuses(newValues, statusView, box);
  widenDirtyRect(box);
}

void IiClassification::setStatus(Bytes& status, const Bytes& labels) {
  const Box box = corvane::intersectBox(domainOf(status), domainOf(labels));
  if (box.empty()) return;
  const Bytes labelView =
      subView(labels, box.lowerRow, box.lowerColumn, box.upperRow, box.upperColumn);
  Bytes statusView = subView(status, box.lowerRow, box.lowerColumn, box.upperRow, box.upperColumn);
  undoStack_.record(std::make_unique<IiUndoModifyStatus>(labelView, statusView));

  writeStatuses(labelView, statusView, box);
  widenDirtyRect(box);
  pending_.changedRect = Box{2147483647, 2147483647, -2147483647 - 1, -2147483647 - 1};
}

void IiClassification::undo() {
  undoStack_.undo(*this);
  pending_.emptyRect();
}

void IiClassification::redo() {
  undoStack_.redo(*this);
  pending_.emptyRect();
}

void IiClassification::beginOperation() {
  if (operationOpen_) endOperation();
  privateRecords_.clear();
  undoStack_.beginJournal();
  operationOpen_ = true;
}

void IiClassification::endOperation() noexcept {
  if (!operationOpen_) return;
  operationOpen_ = false;
  undoStack_.keepJournal();
  privateRecords_.clear();
}

void IiClassification::rollBackOperation() noexcept {
  if (!operationOpen_) return;
  operationOpen_ = false;
  // Every record holds exclusive-or differences, so the order of reverting does not matter.
  revertPrivateRecords();
  undoStack_.revertJournal(*this);
}

void IiClassification::revertPrivateRecords() noexcept {
  for (auto it = privateRecords_.rbegin(); it != privateRecords_.rend(); ++it) (*it)->undo(*this);
  privateRecords_.clear();
}

void IiClassification::widenDirtyRect(const Box& box) {
  if (!hasDirtyRect_) {
    dirtyRect_ = box;
    hasDirtyRect_ = true;
    return;
  }
  corvane::uniteBox(dirtyRect_, box);
}

bool IiClassification::takeDirtyRect(Box& box) {
  if (!hasDirtyRect_) return false;
  box = dirtyRect_;
  hasDirtyRect_ = false;
  return true;
}

void IiClassification::resizeFinalLabels(const Box& box) {
  Box frame = box;
  corvane::expandDomain(frame, 2);
  resizeFrame(finalLabelsFrame_, frame);
  finalLabels_.reference(
      subView(finalLabelsFrame_, box.lowerRow, box.lowerColumn, box.upperRow, box.upperColumn));
}

void IiClassification::relaxColours(const Bytes& labels, const Box& rectangle,
                                    blitz::Array<blitz::TinyVector<unsigned char, 3>, 2> colours,
                                    int32_t passes) {
  static const int kOffsets[4][2] = {{-1, 0}, {1, 0}, {0, -1}, {0, 1}};
  for (int32_t pass = 0; pass < passes; ++pass) {
    for (int r = rectangle.lowerRow; r <= rectangle.upperRow; ++r) {
      for (int c = rectangle.lowerColumn; c <= rectangle.upperColumn; ++c) {
        if (labels(r, c) != 0) continue;
        int32_t n = 0;
        int32_t sum[3] = {0, 0, 0};
        for (const auto& o : kOffsets) {
          if (labels(r + o[0], c + o[1]) == 2) continue;
          const auto& neighbour = colours(r + o[0], c + o[1]);
          ++n;
          for (int k = 0; k < 3; ++k) sum[k] += neighbour[k];
        }
        auto& pixel = colours(r, c);
        if (n == 0) {
          pixel = blitz::TinyVector<unsigned char, 3>(0, 0, 0);
          continue;
        }
        int32_t relaxed[3];
        for (int k = 0; k < 3; ++k) {
          const float v = pixel[k];
          relaxed[k] = corvane::saturatingCast<int32_t>(
              0.5f - 0.5f * v + 1.5f * static_cast<float>(sum[k]) / static_cast<float>(n));
        }
        const auto clamped = corvane::clampToByteColour(relaxed[0], relaxed[1], relaxed[2]);
        for (int k = 0; k < 3; ++k) pixel[k] = clamped[k];
      }
    }
  }
}

}  // namespace classification
