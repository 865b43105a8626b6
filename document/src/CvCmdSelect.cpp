#include "document/CvCmdSelect.h"

#include <QBrush>
#include <QPen>

#include "document/BlendingStuff.h"
#include "document/Brushing.h"
#include "document/CorvaneEntryPoints.h"
#include "document/CorvaneThread.h"
#include "document/DocumentUiHooks.h"
#include "document/ForcedEdge.h"
#include "document/GmBrushing.h"
#include "document/GmModel.h"
#include "document/GmRegion.h"
#include "document/GmStatusArray.h"
#include "document/SegmentationStuff.h"
#include "document/TsSourceImage.h"

namespace {

// The strength of the clean-up after a stroke of keep over delete or delete over keep.
constexpr uint8_t kStrokeDespeckle = 3;

}  // namespace

CvCmdSelect::CvCmdSelect(GmModel* model, GmRegion* patch, int targetClasses, int mode)
    : CorvaneCommand(model, tr("Making Selection...", "[ts3]")),
      form_(Form::Selection),
      targetClasses_(targetClasses),
      mode_(mode),
      patch_(patch),
      withPatch_(patch != nullptr) {
  if (patch) {
    settings_ = patch->segmentation();
    mask_ = patch->snapshotMask();
  }
}

CvCmdSelect::CvCmdSelect(GmModel* model, Brushing* stroke, int targetClasses, int mode, bool local,
                         bool extra)
    : CorvaneCommand(model, tr("Brushing...", "[ts3]")),
      form_(Form::Brushing),
      targetClasses_(targetClasses),
      mode_(mode),
      local_(local),
      extra_(extra),
      weight_(float(documentUiHooks().brushStrength())),
      stroke_(stroke) {
  if (!model) return;
  GmRegion* active = model->activeRegion();
  settings_ = active ? active->segmentation() : model->segmentation();
  autoComplexWidth_ = active ? active->blending()->options().autoBlueWidthF_
                             : model->blending()->options().autoBlueWidthF_;
}

CvCmdSelect::CvCmdSelect(GmModel* model, GmBrushing* stroke, int targetClasses, int mode,
                         bool local, bool extra)
    : CvCmdSelect(model, static_cast<Brushing*>(nullptr), targetClasses, mode, local, extra) {
  liveStroke_.reset(stroke);
}

CvCmdSelect::CvCmdSelect(GmModel* model, ForcedEdge* edge)
    : CorvaneCommand(model, tr("Creating Forced Edge...", "[ts3]")),
      form_(Form::ForcedEdge),
      targetClasses_(CvStatusInPicture),
      mode_(CvStatusForcedEdge),
      edge_(edge) {
  if (edge) mask_ = edge->prepareSnapshot();
}

CvCmdSelect::~CvCmdSelect() = default;

Brushing* CvCmdSelect::brushing() const {
  return liveStroke_ ? &liveStroke_->brushing() : stroke_.get();
}

bool CvCmdSelect::prepare() {
  GmModel* model = liveModel();
  if (!model) return false;
  session_ = model->segmentation()->session();
  statusImage_ = model->statusArray()->engineImage();
  switch (form_) {
    case Form::Brushing:
      if (!prepareStroke(model)) return false;
      break;
    case Form::ForcedEdge:
      if (!edge_ || mask_.isNull()) return false;
      target_ = session_;
      break;
    case Form::Selection:
      if (withPatch_) {
        if (!patch_) return false;  // deleted while the command waited
        if (mask_.isNull()) return false;
        target_ = patch_->segmentation()->session();
        inPatch_ = true;
      } else {
        target_ = session_;
      }
      break;
  }
  if (mask_.isNull()) {
    // The whole session: its rectangle, no mask.
    if (!target_) return false;
    selection_ = CvSelection{target_->x, target_->y,
                             CvImage{target_->width, target_->height, 0, CvKindStatus, nullptr}};
  } else {
    selection_ = describePositionedImage(mask_);
  }
  opensUndoStep_ = mode_ != targetClasses_ && form_ != Form::ForcedEdge &&
                   mode_ != CvStatusProtected && targetClasses_ != CvStatusProtected;
  const int present = model->statusArray()->statusesPresent();
  cleansUp_ = form_ == Form::Brushing && !extra_ &&
              ((mode_ == CvStatusKeep && (present & CvStatusDelete)) ||
               (mode_ == CvStatusDelete && (present & CvStatusKeep)));
  return target_ && statusImage_;
}

bool CvCmdSelect::prepareStroke(GmModel* model) {
  Brushing* stroke = brushing();
  if (!settings_ || !stroke) return false;
  const bool inUse = settings_->ownSettings();
  if (local_ && inUse && !settings_->hasAnalysis()) {
    documentUiHooks().showTip(tr("Use the <b>Apply</b> button to analyze the patch", "[tip,ts3]"));
    return false;
  }
  target_ = local_ && inUse ? settings_->subSession() : settings_->session();
  inPatch_ = settings_->owner() != nullptr;
  Q_UNUSED(model);
  mask_ = stroke->renderMask(QPen(Qt::NoPen), QBrush(Qt::color1));
  // A stroke that painted nothing selects nothing (a null mask would mean the whole image).
  return !mask_.isNull();
}

void CvCmdSelect::execute() {
  CorvaneEntryPoints& engine = corvaneEntryPoints();
  if (CorvaneThread::stopRequested()) {
    result_ = CvCancelled;
    return;
  }
  result_ = CvOk;
  bool opened = false;
  trackChanges();
  // The engine reports the changes of the picture's session. A sub-session writes only its own
  // area of the status image, and that area stands for whatever it changed.
  const bool whole = target_ == session_;
  if (!whole)
    noteChangedArea(QRect(target_->x, target_->y, int(target_->width), int(target_->height)));
  auto changed = [&] {
    if (whole) noteChanged(target_);
  };
  if (inPatch_) result_ = engine.CvSetStatusFromParent(target_, statusImage_);
  if (result_ == CvOk && opensUndoStep_) result_ = openUndoStep(session_, &opened);
  if (result_ == CvOk) {
    result_ =
        engine.CvSelect(target_, statusImage_, &selection_, uint8_t(mode_), uint8_t(targetClasses_),
                        local_ ? 1 : 0, weight_, &CorvaneThread::progressCallback, nullptr);
    changed();
  }
  if (result_ == CvCancelled && opened) withdrawUndoStep(session_);
  if (result_ == CvOk && cleansUp_) {
    // The stroke is in: the cleaning that completes it is not stopped half way.
    result_ = engine.CvAutoComplex(target_, statusImage_, autoComplexWidth_,
                                   &CorvaneThread::progressReportCallback, nullptr);
    changed();
    if (result_ == CvOk) {
      result_ = engine.CvDespeckleSelection(target_, statusImage_, kStrokeDespeckle,
                                            &CorvaneThread::progressReportCallback, nullptr);
      changed();
    }
  }
  if (result_ == CvOk && inPatch_) result_ = engine.CvSetParentStatus(target_, statusImage_);
  if (result_ != CvOk) forgetChanges();
}

void CvCmdSelect::finish() {
  checkCorvaneResult(result_);
  if (result_ == CvNeedsSegmentation)
    documentUiHooks().showTip(
        tr("Brushing failed because no segmentation was available. Apply some Edge Detection "
           "options to create a segmentation",
           "[tip]"));
  // The command held its own copy of the edge's line; the next send renders it afresh.
  if (edge_) edge_->shape().snapshot().clear();
  refreshStatuses();
}
