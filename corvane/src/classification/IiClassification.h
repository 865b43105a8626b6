#pragma once

#include <blitz/array.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "classification/GlobalClassification.h"
#include "classification/Segmentation.h"
#include "classification/UndoStack.h"
#include "kestrum/utility/Colour.h"
#include "kestrum/utility/ProgressRange.h"
#include "util/Box.h"

namespace classification {

class IiUndoModifyStatus;

// The status change that the next status application writes: Select and auto fill fill it,
// despeckle reads it. `changedRect` is the working rectangle of one operation, grown by every
// pixel written into the work mask.
struct PendingChange {
  uint8_t selectValue = 0;
  corvane::Box changedRect{2147483647, 2147483647, -2147483647 - 1, -2147483647 - 1};
  int32_t selectMode = 0;
  uint8_t selectWriteMask = 0;
  uint8_t selectTarget = 0;
  uint8_t selectTargetMask = 0;

  // How select, auto fill, undo and redo mark the rectangle empty.
  void emptyRect() {
    changedRect.lowerRow = 1;
    changedRect.upperRow = 0;
  }
};

// The analysis parameters a session copies from its tuning variables: the segmentation's
// parameter block.
using AnalysisParameters = classification::LevelRecord;

// The classification state of one session or sub-session: the session's colour image, the
// work mask through which every status change passes, the pending change, the changed
// rectangle the session reports after each operation, the final label map of the analysis,
// the undo history, and the parameters copied from the session's tuning variables.
//
// A sub-session's state is set up from its parent's: its image is the parent's over the
// sub-session's rectangle, indexed in the parent's coordinates, and a dependent sub-session
// shares the parent's analysis (setUpFromParent). The parent must outlive it.
//
// Status arrays are passed to each operation: they are the host's status images (or a
// sub-session's own copy), indexed like the image.
class IiClassification {
 public:
  using Colour = kestrum::utility::Colour<unsigned char>;
  using Image = blitz::Array<Colour, 2>;
  using Bytes = blitz::Array<uint8_t, 2>;
  using Labels = blitz::Array<int32_t, 2>;

  // Builds the state on `image` (shared, not copied). `parent` is the parent session's state
  // or null; `independent` tells whether a sub-session analyses its rectangle itself.
  IiClassification(IiClassification* parent, bool independent, const Image& image);
  ~IiClassification();
  IiClassification(const IiClassification&) = delete;
  IiClassification& operator=(const IiClassification&) = delete;

  // Takes over the parent's analysis results for this state's rectangle, sharing the parent's
  // memory: the segmentation image and parameters, the region map, the gradient images, the
  // local value map, the partition level and the final label map. Nothing is computed.
  void setUpFromParent();

  IiClassification* parent() const { return parent_; }
  bool independent() const { return independent_; }
  const Image& image() const { return image_; }
  // The image's rectangle (in the parent's coordinates for a sub-session).
  const corvane::Box& imageBox() const { return imageBox_; }

  // ---- Work mask: the new status of every pixel that is to change, 0 elsewhere, over the
  // image's rectangle. It is the interior of a frame one pixel wider on every side whose
  // border holds 1, so that floods may look one pixel beyond the rectangle.
  Bytes& workMask() { return workMask_; }
  const Bytes& workMask() const { return workMask_; }
  const Bytes& workMaskFrame() const { return workMaskFrame_; }
  // Zeroes the whole work mask (region floods rely on untouched pixels being 0).
  void clearWorkMask();
  // Zeroes the work mask where it meets `box`.
  void clearWorkMask(const corvane::Box& box);

  PendingChange& pendingChange() { return pending_; }
  const PendingChange& pendingChange() const { return pending_; }

  // ---- Status application.
  // Applies the work mask over the pending change's rectangle to `status`: every pixel whose
  // work-mask value and status are both non-zero takes the work-mask value. With a stack the
  // change is recorded there first (opening a user-level step when none is open for it);
  // without one it is recorded only for the roll-back of the running operation. The rectangle
  // joins the changed rectangle. Nothing happens when the pending rectangle is empty.
  void applyChanges(Bytes& status, UndoStack* stack);
  // Copies `labels` into `status` where both are non-zero, over the overlap of their domains,
  // as one recorded step; the whole overlap joins the changed rectangle even when nothing
  // changes. Does nothing, records nothing, when they do not overlap.
  void setStatus(Bytes& status, const Bytes& labels);

  // ---- Undo history (limit 200).
  UndoStack& undoStack() { return undoStack_; }
  const UndoStack& undoStack() const { return undoStack_; }
  // Undoes or redoes one user-level step and empties the pending rectangle.
  void undo();
  void redo();

  // ---- One session operation. Between beginOperation and endOperation every status change
  // is revocable: rollBackOperation restores the statuses, the undo history and its counts
  // exactly as they were at beginOperation, reverting changes recorded on the stack and those
  // applied without it alike. Operations do not nest.
  void beginOperation();
  void endOperation() noexcept;
  void rollBackOperation() noexcept;
  bool operationOpen() const { return operationOpen_; }

  // ---- Changed rectangle: the union of every change since the session last took it.
  void widenDirtyRect(const corvane::Box& box);
  // Hands the rectangle out and clears it; false (and `box` untouched) when none is held.
  bool takeDirtyRect(corvane::Box& box);
  bool hasDirtyRect() const { return hasDirtyRect_; }
  const corvane::Box& dirtyRect() const { return dirtyRect_; }

  // ---- Final label map: one label per pixel, written by the analysis. It is the interior of
  // a frame two pixels wider on every side.
  Labels& finalLabels() { return finalLabels_; }
  const Labels& finalLabels() const { return finalLabels_; }
  Labels& finalLabelsFrame() { return finalLabelsFrame_; }
  // Gives the map the domain `box`, keeping the storage when the extents stay the same.
  void resizeFinalLabels(const corvane::Box& box);
  int32_t partitionLevel = -1;
  int32_t partitionLabelCount = 0;

  // ---- Parameters copied from the session's tuning variables.
  AnalysisParameters& baseRecord() { return segmentation_.baseRecord; }
  const AnalysisParameters& baseRecord() const { return segmentation_.baseRecord; }
  int32_t texture = 1;
  float tPercent = 0.16f;
  int32_t maxBits = 8;
  float maskFactor = 1.0f;
  int32_t bSmooth = 0;
  int32_t bCareful = 0;
  int32_t bGreedy = 0;
  int32_t outlinePointRule = 0;
  float outlineTolerance = 1.0f;
  float outlineCornerCut = 1.0f;

  // ---- The analysers.
  using Segmentation = classification::Segmentation<6, 0>;
  Segmentation& segmentation() { return segmentation_; }
  const Segmentation& segmentation() const { return segmentation_; }
  using Global = GlobalClassification<unsigned char, 6, int>;
  Global& globalClassification() { return globalClassification_; }
  const Global& globalClassification() const { return globalClassification_; }

  // ---- The analysis-image stage and its bookkeeping.
  // Builds the six-channel analysis image from the image with "#texture", "t%" and "#maxBits"
  // and hands it to the analysers, unless it was built already (rancourState 2). Reports no
  // progress of its own; throws CvExCancel or the worker-failure text with the stage state
  // left at 0.
  void runRancours(ProgressRange progress);
  Image& workingImage() { return workingImage_; }
  int32_t workingImageState = 0;
  // 2 once the stage has run for the current image; the session sets it back to 0 when the
  // stage's variables change.
  int32_t rancourState = 0;

  // ---- Small services of other operations.
  // The blend radius at a (row, column) point: half the local value map's value there.
  float radiusAt(int32_t row, int32_t column) const;
  // Each label-0 pixel of `rectangle` takes the over-relaxed mean of its neighbours not
  // labelled 2, `passes` times, in place; one whose neighbours are all labelled 2 becomes
  // black. The rectangle lies at least one pixel inside both arrays.
  static void relaxColours(const Bytes& labels, const corvane::Box& rectangle,
                           blitz::Array<blitz::TinyVector<unsigned char, 3>, 2> colours,
                           int32_t passes);

 private:
  void revertPrivateRecords() noexcept;

  Segmentation segmentation_;
  PendingChange pending_;
  IiClassification* parent_;
  Global globalClassification_;
  Image image_;
  corvane::Box imageBox_;
  Image workingImage_;
  Bytes workMask_;
  Bytes workMaskFrame_;
  UndoStack undoStack_;
  bool hasDirtyRect_ = false;
  corvane::Box dirtyRect_{2147483647, 2147483647, -2147483647 - 1, -2147483647 - 1};
  Labels finalLabels_;
  Labels finalLabelsFrame_;
  bool independent_;

  bool operationOpen_ = false;
  // Changes applied without the undo stack during the running operation.
  std::vector<std::unique_ptr<IiUndoModifyStatus>> privateRecords_;
};

}  // namespace classification
