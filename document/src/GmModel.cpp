#include "document/GmModel.h"

#include <cmath>

#include <QAction>
#include <QIcon>
#include <QKeySequence>

#include "document/ArrowTargets.h"
#include "document/AutoCut.h"
#include "document/BlendingStuff.h"
#include "document/CorvaneThread.h"
#include "document/CvCmdAnalyseImage.h"
#include "document/CvCmdAutoFill.h"
#include "document/CvCmdGenerateMask.h"
#include "document/CvCmdProtect.h"
#include "document/CvCmdSelect.h"
#include "document/DocumentMetaTypes.h"
#include "document/DocumentResources.h"
#include "document/DocumentUiHooks.h"
#include "document/ForcedEdge.h"
#include "document/GmRegion.h"
#include "document/GmStatusArray.h"
#include "document/Rectangle.h"
#include "document/RegionalProperties.h"
#include "document/SegmentationStuff.h"
#include "document/TsSourceImage.h"
#include "document/TuningVariableTable.h"

namespace {

GmModel* theInstance = nullptr;

const QRectF noBounds(0, 0, -1, -1);

bool hasArea(const QRectF& rect) {
  return rect.width() > 0 && rect.height() > 0;
}

// The view tabs the document asks for (ImageView's tab bits).
constexpr int kMaskTab = 2;
constexpr int kCutoutTab = 4;

}  // namespace

GmModel* GmModel::instance() {
  if (!theInstance) theInstance = new GmModel;
  return theInstance;
}

GmModel* GmModel::existingInstance() {
  return theInstance;
}

void GmModel::destroyInstance() {
  GmModel* model = theInstance;
  if (!model) return;
  // Finished while still the instance: its targets and commands find it.
  model->finish();
  theInstance = nullptr;
  delete model;
}

GmModel::GmModel() {
  registerDocumentMetaTypes();
  blending_ = new BlendingStuff(nullptr);
  segmentation_ = new SegmentationStuff(nullptr, this);
  statusArray_ = new GmStatusArray(this);
  tuningVariables_ = new TuningVariableTable(this);
  autoCut_ = new AutoCut(this);
  regionalProperties_ = new RegionalProperties(this);
}

GmModel::~GmModel() {
  // The instance is already cleared: targets and strokes dying now do not reach back here.
  const QList<GmRegion*> patches = patches_;
  const QList<ForcedEdge*> edges = forcedEdges_;
  patches_.clear();
  forcedEdges_.clear();
  activeRegion_ = nullptr;
  activeForcedEdge_ = nullptr;
  qDeleteAll(patches);
  qDeleteAll(edges);
  delete toolRectangle_;
  delete zoomRectangle_;
  delete segImage_;
  delete blendImage_;
  delete blending_;
}

void GmModel::ensureActions() {
  if (deletePatchAction_) return;
  deletePatchAction_ = new QAction(tr("Delete Patch"), this);
  connect(deletePatchAction_, &QAction::triggered, this, &GmModel::deleteActiveRegionSlot);
  deleteForcedEdgeAction_ = new QAction(tr("Delete Forced Edge"), this);
  connect(deleteForcedEdgeAction_, &QAction::triggered, this, &GmModel::deleteActiveForcedEdgeSlot);
  eraseMaskAction_ = new QAction(tr("Erase Mask in Patch"), this);
  connect(eraseMaskAction_, &QAction::triggered, this, &GmModel::clearMaskInActiveRegionSlot);
  protectPatchAction_ = new QAction(tr("Protect Patch"), this);
  protectPatchAction_->setCheckable(true);
  connect(protectPatchAction_, &QAction::triggered, this, &GmModel::protectActiveRegionSlot);
  initDocumentResources();
  previewPatchAction_ = new QAction(QIcon(QStringLiteral(":images/tool_mark_preview.png")),
                                    tr("Preview Cut-out in Patch"), this);
  connect(previewPatchAction_, &QAction::triggered, this, &GmModel::testRenderActiveRegionSlot);
  updatePatchActions();
  deleteForcedEdgeAction_->setEnabled(activeForcedEdge_ != nullptr);
  if (activeRegion_ || activeForcedEdge_) moveDeleteShortcut(deleteKeyOnForcedEdge_);
}

QAction* GmModel::deletePatchAction() {
  ensureActions();
  return deletePatchAction_;
}

QAction* GmModel::deleteForcedEdgeAction() {
  ensureActions();
  return deleteForcedEdgeAction_;
}

QAction* GmModel::eraseMaskInPatchAction() {
  ensureActions();
  return eraseMaskAction_;
}

QAction* GmModel::protectPatchAction() {
  ensureActions();
  return protectPatchAction_;
}

QAction* GmModel::previewPatchAction() {
  ensureActions();
  return previewPatchAction_;
}

// ---- Images

QSize GmModel::imageSize() const {
  return segImage_ ? segImage_->displayImage().size() : QSize();
}

QRect GmModel::imageRect() const {
  return QRect(QPoint(0, 0), imageSize());
}

QRect GmModel::workingRect() const {
  const QSize size = imageSize();
  if (size.isEmpty()) return QRect();
  return QRect(QPoint(0, 0), workingSizeOf(size, resolution_));
}

CvImage GmModel::workingPicture() {
  if (!segImage_ || !segImage_->isValid()) return CvImage{};
  const CvImage picture = describeImage(segImage_->prepareWorkingImage(resolution_));
  return picture.kind == CvKindRgba8 ? picture : CvImage{};
}

// ---- Resolution

QPointF GmModel::toWorking(const QPointF& imagePoint) const {
  return imagePoint * (1.0 / resolution_);
}

ImagePointF GmModel::toImage(const QPointF& workingPoint) const {
  return ImagePointF(workingPoint * double(resolution_));
}

QRectF GmModel::toWorking(const QRectF& imageRect) const {
  return QRectF(toWorking(imageRect.topLeft()), toWorking(imageRect.bottomRight()));
}

ImageRectF GmModel::toImage(const QRectF& workingRect) const {
  return ImageRectF(QRectF(toImage(workingRect.topLeft()), toImage(workingRect.bottomRight())));
}

// ---- Engine

void GmModel::setStatusImageHandle(CvImage* handle) {
  statusArray_->setStatusImage(handle);
  const QImage& image = statusArray_->statusImage();
  emit statusImageChanged(image.isNull() ? nullptr : &image);
}

void GmModel::forgetEngineHandles() {
  if (statusArray_->engineImage()) setStatusImageHandle(nullptr);
  segmentation_->setSession(nullptr);
  segmentation_->setSubSession(nullptr);
  segmentation_->adoptEdges();
  for (GmRegion* patch : patches_) {
    patch->segmentation()->setSession(nullptr);
    patch->segmentation()->setSubSession(nullptr);
    patch->segmentation()->adoptEdges();
  }
  tuningVariables_->refresh(nullptr);
}

void GmModel::setUndoCounts(uint32_t numUndos, uint32_t numRedos) {
  numUndos_ = numUndos;
  numRedos_ = numRedos;
  emit cvUndoStackChanged(numUndos_, numRedos_);
}

void GmModel::takeSessionDefaults(const GmSession::AnalysisDefaults& defaults,
                                  GmSession::SettingsPreservation preservation) {
  EDOs& values = segmentation_->values();
  // Tolerance 0..0.99 back to sensitivity 1..100, halves up.
  const int sensitivity = int(std::floor(double(defaults.tolerance) * 99 * 1.010101 + 1 + 0.5));
  values.sensitivity.defaultValue = sensitivity;
  values.width.defaultValue = defaults.width;
  values.contrast.defaultValue = defaults.contrast;
  values.texture.defaultValue = defaults.texture;
  if (!documentUiHooks().keepsSettings() && preservation == GmSession::TakeDefaults) {
    values.sensitivity.current = sensitivity;
    values.width.current = defaults.width;
    values.contrast.current = defaults.contrast;
    values.texture.current = defaults.texture;
  }
  values.applyCurrent();
  emit sessionHasBegun();
  connect(statusArray_, &GmStatusArray::statusChanged, autoCut_, &AutoCut::cutoutNeededSlot,
          Qt::UniqueConnection);
  connect(this, &GmModel::imageBlendRatioChanged, autoCut_, &AutoCut::cutoutNeededSlot,
          Qt::UniqueConnection);
}

// ---- Patches and forced edges

QList<ArrowTarget*> GmModel::arrowTargets() const {
  QList<ArrowTarget*> targets;
  targets.reserve(patches_.size() + forcedEdges_.size());
  for (GmRegion* patch : patches_) targets.append(patch);
  for (ForcedEdge* edge : forcedEdges_) targets.append(edge);
  return targets;
}

bool GmModel::containsTarget(ArrowTarget* target) const {
  return target && arrowTargets().contains(target);
}

void GmModel::addPatch(GmRegion* patch) {
  if (patch && !patches_.contains(patch)) patches_.append(patch);
}

void GmModel::addForcedEdge(ForcedEdge* edge) {
  if (edge && !forcedEdges_.contains(edge)) forcedEdges_.append(edge);
}

QRectF GmModel::boundsOf(ArrowTarget* target) {
  return target ? target->shape().boundingRect() : noBounds;
}

void GmModel::setActiveRegion(GmRegion* region, int ready) {
  if (region) setActiveForcedEdge(nullptr);
  if (region != activeRegion_) {
    GmRegion* old = activeRegion_;
    if (region && patches_.removeOne(region)) patches_.append(region);
    activeRegion_ = region;
    emit activeRegionChanged(region);
    updatePatchActions();
    if (region) moveDeleteShortcut(false);
    signalRectsDirty(boundsOf(old), boundsOf(region));
  } else if (region) {
    emit activeRegionChanged(region);
  }
  if (!region && ready == 1) emit activeRegionReady(nullptr);
}

void GmModel::setActiveForcedEdge(ForcedEdge* edge) {
  if (edge) setActiveRegion(nullptr);
  if (edge == activeForcedEdge_) return;
  ForcedEdge* old = activeForcedEdge_;
  activeForcedEdge_ = edge;
  if (deleteForcedEdgeAction_) deleteForcedEdgeAction_->setEnabled(edge != nullptr);
  signalRectsDirty(boundsOf(old), boundsOf(edge));
  if (edge) moveDeleteShortcut(true);
}

void GmModel::updatePatchActions() {
  if (!deletePatchAction_) return;
  GmRegion* region = activeRegion_;
  deletePatchAction_->setEnabled(region != nullptr);
  eraseMaskAction_->setEnabled(region && !region->isProtected());
  protectPatchAction_->setEnabled(region != nullptr);
  protectPatchAction_->setChecked(region && region->isProtected());
  previewPatchAction_->setEnabled(region && region->isConcretePatch());
}

void GmModel::moveDeleteShortcut(bool toForcedEdge) {
  deleteKeyOnForcedEdge_ = toForcedEdge;
  if (!deletePatchAction_) return;
  const QKeySequence deleteKey(tr("Delete"));
  deletePatchAction_->setShortcut(toForcedEdge ? QKeySequence() : deleteKey);
  deleteForcedEdgeAction_->setShortcut(toForcedEdge ? deleteKey : QKeySequence());
}

void GmModel::withdrawArrowTargets() {
  for (ArrowTarget* target : arrowTargets()) {
    target->removeFromEngine(false);
    if (target->isBrushRegion()) deleteRegion(target->toRegion());
  }
}

void GmModel::deleteAllArrowTargets() {
  while (!patches_.isEmpty() || !forcedEdges_.isEmpty()) {
    if (!patches_.isEmpty()) {
      deleteRegion(patches_.first());
    } else {
      ForcedEdge* edge = forcedEdges_.takeFirst();
      edge->deactivate();
      delete edge;
    }
  }
}

void GmModel::deleteRegion(GmRegion* region) {
  if (!region || !patches_.contains(region)) return;
  regionalProperties_->forgetPatch(region);
  CorvaneThread* thread = CorvaneThread::instance();
  if (thread && region->segmentation()->analysisCommand())
    thread->cancelCommand(region->segmentation()->analysisCommand());
  patches_.removeOne(region);
  region->deactivate();
  const QRectF bounds = region->shape().boundingRect();
  if (hasArea(bounds)) emit rectDirty(ImageRectF(bounds), DirtyHint::Handles);
  region->removeFromEngine(true);
}

void GmModel::deleteForcedEdge(ForcedEdge* edge) {
  if (!edge || !forcedEdges_.removeOne(edge)) return;
  edge->deactivate();
  delete edge;
}

void GmModel::reapplyProtection() {
  CorvaneThread::submitToInstance(new CvCmdSelect(this, nullptr, CvStatusProtected, 1));
  for (GmRegion* patch : patches_)
    if (patch->isProtected()) CorvaneThread::submitToInstance(new CvCmdProtect(this, patch));
}

// ---- Rubber bands

void GmModel::setToolRectangle(const QPointF& point) {
  clearToolRectangle();
  toolRectangle_ = new ts::Rectangle(point);
}

void GmModel::clearToolRectangle() {
  if (!toolRectangle_) return;
  const QRectF bounds = toolRectangle_->boundingRect();
  if (hasArea(bounds)) emit rectDirty(ImageRectF(bounds), DirtyHint::Outline);
  delete toolRectangle_;
  toolRectangle_ = nullptr;
}

void GmModel::setZoomRectangle(const QPointF& point) {
  clearZoomRectangle();
  zoomRectangle_ = new ts::Rectangle(point);
}

void GmModel::clearZoomRectangle() {
  if (!zoomRectangle_) return;
  const QRectF bounds = zoomRectangle_->boundingRect();
  if (hasArea(bounds)) emit rectDirty(ImageRectF(bounds), DirtyHint::Outline);
  delete zoomRectangle_;
  zoomRectangle_ = nullptr;
}

void GmModel::signalRectsDirty(const QRectF& oldRect, const QRectF& newRect) {
  const bool oldValid = oldRect.isValid(), newValid = newRect.isValid();
  if (oldValid && newValid && oldRect.intersects(newRect)) {
    emit rectDirty(ImageRectF(oldRect | newRect), DirtyHint::Handles);
    return;
  }
  if (oldValid) emit rectDirty(ImageRectF(oldRect), DirtyHint::Handles);
  if (newValid) emit rectDirty(ImageRectF(newRect), DirtyHint::Handles);
}

// ---- Strokes in progress

void GmModel::addLiveStroke(GmBrushing* stroke) {
  if (stroke && !liveStrokes_.contains(stroke)) liveStrokes_.append(stroke);
}

void GmModel::removeLiveStroke(GmBrushing* stroke) {
  liveStrokes_.removeAll(stroke);
}

// ---- Slots

void GmModel::deleteActiveRegionSlot() {
  deleteRegion(activeRegion_);
}

void GmModel::deleteActiveForcedEdgeSlot() {
  if (!activeForcedEdge_) return;
  deleteForcedEdge(activeForcedEdge_);
  reapplyForcedEdges();
}

void GmModel::clearMaskInActiveRegionSlot() {
  // Without a patch the selection would take the whole image.
  if (!activeRegion_) return;
  documentUiHooks().ensureViewTab(kMaskTab, kMaskTab);
  CorvaneThread::submitToInstance(
      new CvCmdSelect(this, activeRegion_, CvStatusKeep | CvStatusDelete | CvStatusBlend, 1));
}

void GmModel::protectActiveRegionSlot() {
  if (!activeRegion_) return;
  activeRegion_->setProtected(!activeRegion_->isProtected());
  updatePatchActions();
}

void GmModel::signalDirtyImageSlot(PatchPreviewWanted wanted) {
  if (!segImage_) return;
  segImage_->updateDisplayImage();
  emit rectDirty(ImageRectF(segImage_->displayPixmap().rect()), DirtyHint::Exact, wanted);
}

void GmModel::signalDirtyWorkingRect(const QRect& working) {
  if (!segImage_) return;
  segImage_->updateDisplayImage();
  if (working.isEmpty()) return;
  const QRectF area =
      toImage(QRectF(working.adjusted(-1, -1, 1, 1))) & QRectF(segImage_->displayPixmap().rect());
  if (!area.isEmpty()) emit rectDirty(ImageRectF(area), DirtyHint::Exact);
}

void GmModel::signalDirtyOutputImageSlot() {
  if (!blendImage_) return;
  blendImage_->markChanged();
  blendImage_->updateDisplayImage();
  emit rectDirty(ImageRectF(blendImage_->displayPixmap().rect()), DirtyHint::Exact);
  emit cutoutChanged(blendImage_->displayImage());
}

void GmModel::submitAutoFill(bool activePatch, int fillCode) {
  if (activePatch && !activeRegion_) return;  // the whole image is another slot's
  CorvaneThread::submitToInstance(
      new CvCmdAutoFill(this, activePatch ? activeRegion_ : nullptr, fillCode));
}

void GmModel::autoFillImageSlot() {
  submitAutoFill(false, 0);
}
void GmModel::autoFillImageWithKeepSlot() {
  submitAutoFill(false, CvStatusDelete);
}
void GmModel::autoFillWithKeepSlot() {
  submitAutoFill(true, CvStatusDelete);
}
void GmModel::autoFillImageWithDeleteSlot() {
  submitAutoFill(false, CvStatusKeep);
}
void GmModel::autoFillWithDeleteSlot() {
  submitAutoFill(true, CvStatusKeep);
}

void GmModel::testRenderActiveRegionSlot() {
  if (activeRegion_) activeRegion_->requestPreview();
}

void GmModel::generateMaskSlot() {
  documentUiHooks().ensureViewTab(kCutoutTab, kCutoutTab);
  CorvaneThread::submitToInstance(new CvCmdGenerateMask(this));
}

void GmModel::dirtyRectSlot(ImageRectF r) {
  emit rectDirty(r, DirtyHint::Exact);
}
