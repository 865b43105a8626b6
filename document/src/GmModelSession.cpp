// GmModel: installing and finishing images, the resolution and the engine session's barrier.

#include <algorithm>
#include <memory>

#include <QDebug>

#include "document/AutoCut.h"
#include "document/BlendingStuff.h"
#include "document/CorvaneThread.h"
#include "document/CvCmdBeginSession.h"
#include "document/CvCmdDeleteStatusImage.h"
#include "document/CvCmdDespeckleSelection.h"
#include "document/CvCmdEndSession.h"
#include "document/CvCmdFinish.h"
#include "document/CvCmdInit.h"
#include "document/CvCmdNewStatusImage.h"
#include "document/DocumentUiHooks.h"
#include "document/ForcedEdge.h"
#include "document/GmModel.h"
#include "document/GmRegion.h"
#include "document/GmStatusArray.h"
#include "document/SegmentationStuff.h"
#include "document/Shape.h"
#include "document/TsSourceImage.h"

namespace {

// Pixels a working image holds at most before the resolution is halved again.
constexpr qint64 kWorkingPixelLimit = 4000000;

// The image itself, or null for one the shell owns: the images a host handed over (in the
// plug-in launch modes) stay with it; any other, also one read from a project over a host's
// pixels, is the document's.
TsSourceImage* ownImage(TsSourceImage* image) {
  const DocumentUiHooks& hooks = documentUiHooks();
  const int mode = hooks.launchMode();
  const bool hosted = mode >= 1 && mode <= 4;
  return hosted && (image == hooks.hostImage(0) || image == hooks.hostImage(1)) ? nullptr : image;
}

}  // namespace

// ---- Images

bool GmModel::setSourceImage(TsSourceImage* seg, TsSourceImage* blend,
                             GmSession::SettingsPreservation preservation, int sourceKind) {
  if (segImage_) {
    // Taking it would leave the old session without its images and start the engine twice.
    qWarning().noquote() << "An image was refused: the document holds one already"
                         << (seg ? seg->fileName() : QString());
    return false;
  }
  const bool usable =
      seg && seg->isValid() && blend != seg &&
      (!blend || (blend->isValid() && blend->displayImage().size() == seg->displayImage().size()));
  if (!usable) {
    qWarning().noquote() << "An image was refused: no pixels, or two images of two sizes"
                         << (seg ? seg->fileName() : QString());
    return false;
  }
  std::unique_ptr<TsSourceImage> copy;
  if (!blend) {
    copy = std::make_unique<TsSourceImage>(seg);
    if (!copy->isValid()) return false;  // out of memory, reported by the copy
  }
  sourceKind_ = sourceKind;
  segImage_ = seg;
  blendImage_ = blend ? blend : copy.release();
  const QSize display = segImage_->displayImage().size();
  if (preservation == GmSession::TakeDefaults && !documentUiHooks().keepsSettings())
    chooseResolution(qint64(display.width()) * display.height());
  CorvaneThread::submitToInstance(new CvCmdInit(this));
  segmentation_->setOwnSettings(true);  // the image's settings are in use
  emit smegChanged();
  openSession(preservation);
  // From the display size: the working image may not exist yet while the barrier waits.
  const QSize working = workingSizeOf(display, resolution_);
  const int side = std::min(working.width(), working.height());
  documentUiHooks().setBrushSize(side / 10);
  setDespeckleStrength(side / 50);
  return true;
}

bool GmModel::finish() {
  if (!segImage_) return true;
  deleteAllArrowTargets();
  closeSession(ownImage(segImage_), ownImage(blendImage_));
  segImage_ = nullptr;
  blendImage_ = nullptr;
  // An engine still being made is finished too, once it exists.
  if (engine_ || engineCreationPending()) CorvaneThread::submitToInstance(new CvCmdFinish(this));
  // The history goes with the photo now, not once the session's end has drained: the next
  // photo opens with none.
  setUndoCounts(0, 0);
  emit tellImageChanged(nullptr);
  sourceKind_ = 0;
  return true;
}

bool GmModel::isUnmodified() const {
  if (!patches_.isEmpty() || !forcedEdges_.isEmpty()) return false;
  switch (sourceKind_) {
    case 0:
      return true;
    case 1:
      return numUndos_ == 0 && numRedos_ == 0;
    case 2:
      return numUndos_ <= 1 && numRedos_ == 0;
    default:
      return false;
  }
}

void GmModel::restoreOriginalImage() {
  if (!segImage_ || !blendImage_) return;
  blendImage_->copyPixelsFrom(*segImage_);
  for (GmRegion* patch : patches_) patch->shape().snapshot().setSaved(false);
}

bool GmModel::engineCreationPending() const {
  const CorvaneThread* thread = CorvaneThread::instance();
  if (!thread) return false;
  if (qobject_cast<CvCmdInit*>(thread->currentCommand())) return true;
  for (CorvaneCommand* command : thread->queuedCommands())
    if (qobject_cast<CvCmdInit*>(command)) return true;
  return false;
}

// ---- Resolution

bool GmModel::isValidResolution(int resolution) {
  return resolution == 1 || resolution == 2 || resolution == 4 || resolution == 8;
}

QSize GmModel::workingSizeOf(const QSize& displaySize, int resolution) {
  auto side = [resolution](int length) { return length <= 0 ? 0 : (length - 1) / resolution + 1; };
  return resolution < 1 ? QSize() : QSize(side(displaySize.width()), side(displaySize.height()));
}

void GmModel::chooseResolution(qint64 pixelCount) {
  const int old = resolution_;
  int r = 1;
  while (pixelCount / r > kWorkingPixelLimit && r < 8) r *= 2;
  resolution_ = r;
  emit resolutionChanged(old, r);
}

void GmModel::setResolution(int resolution) {
  const int old = resolution_;
  // Any other factor would divide by zero, flip the image or leave the engine's scaling
  // half done.
  if (!isValidResolution(resolution)) {
    qWarning() << "Resolution" << resolution << "refused: 1, 2, 4 or 8 only";
    emit resolutionChanged(old, old);
    return;
  }
  if (!segImage_) {
    resolution_ = resolution;
  } else if (resolution != old) {
    if (statusArray_->statusesPresent() & (CvStatusDelete | CvStatusBlend)) {
      const bool yes = documentUiHooks().askYesNo(
          tr("Confirm change of resolution"),
          tr("<p>When changing resolution, the image will be reverted, and masks laid down in "
             "the workspace will be lost.</p><p>Do you wish to continue?</p>"));
      if (!yes) {
        emit resolutionChanged(old, old);
        return;
      }
    }
    closeSession(nullptr, nullptr);
    resolution_ = resolution;
    openSession(GmSession::TakeDefaults);
    documentUiHooks().setBrushSize(documentUiHooks().brushSize() * old / resolution);
  }
  emit resolutionChanged(old, resolution_);
}

// ---- Engine session

void GmModel::openSession(GmSession::SettingsPreservation preservation) {
  pendingPreservation_ = preservation;
  if (barrierPending_) return;  // the waiting barrier opens it
  if (CorvaneThread* thread = CorvaneThread::instance()) {
    thread->setOpen(false);
    if (thread->hasWork()) {
      barrierPending_ = true;
      documentUiHooks().setBusy(true);
      connect(thread, &CorvaneThread::closureComplete, this, &GmModel::closureCompleteSlot,
              Qt::UniqueConnection);
      return;
    }
    thread->setOpen(true);
  }
  beginSessionOnImage();
}

void GmModel::closureCompleteSlot() {
  CorvaneThread* thread = CorvaneThread::instance();
  if (thread)
    disconnect(thread, &CorvaneThread::closureComplete, this, &GmModel::closureCompleteSlot);
  if (!barrierPending_) return;
  barrierPending_ = false;
  documentUiHooks().setBusy(false);
  if (thread) thread->setOpen(true);
  beginSessionOnImage();
}

void GmModel::beginSessionOnImage() {
  if (!segImage_) return;
  // A session that opened while the barrier waited belongs to no one: it ends first.
  if (segmentation_->session() || statusArray_->engineImage())
    releaseSessionHandles(nullptr, nullptr);
  // Only here, with the old session ended, may the working image be built anew.
  segImage_->prepareWorkingImage(resolution_);
  CorvaneThread::submitToInstance(new CvCmdNewStatusImage(this));
  CorvaneThread::submitToInstance(new CvCmdBeginSession(this, pendingPreservation_));
  for (ArrowTarget* target : arrowTargets()) target->submitToEngine();
  emit tellImageChanged(segImage_);
}

void GmModel::closeSession(QObject* first, QObject* second) {
  disconnect(statusArray_, &GmStatusArray::statusChanged, autoCut_, &AutoCut::cutoutNeededSlot);
  disconnect(this, &GmModel::imageBlendRatioChanged, autoCut_, &AutoCut::cutoutNeededSlot);
  CorvaneThread* thread = CorvaneThread::instance();
  if (thread)
    disconnect(thread, &CorvaneThread::closureComplete, this, &GmModel::closureCompleteSlot);
  if (barrierPending_) {
    // Nothing is to be opened any more: the thread opens again, so the session's end queues
    // behind what still drains.
    barrierPending_ = false;
    documentUiHooks().setBusy(false);
    if (thread) thread->setOpen(true);
  }
  if (thread) thread->cancelCommandsSlot();
  clearToolRectangle();
  withdrawArrowTargets();
  releaseSessionHandles(first, second);
}

void GmModel::releaseSessionHandles(QObject* first, QObject* second) {
  CvSession* session = segmentation_->session();
  // Without a session the objects to delete still go through the queue: a command ahead of
  // them may be using their pixels.
  if (session || first || second) {
    CvSession* subSession = segmentation_->subSession();
    segmentation_->setSubSession(nullptr);
    segmentation_->adoptEdges();
    segmentation_->setSession(nullptr);
    segmentation_->adoptEdges();
    CorvaneThread::submitToInstance(new CvCmdEndSession(this, session, subSession, first, second));
  }
  if (statusArray_->engineImage())
    CorvaneThread::submitToInstance(new CvCmdDeleteStatusImage(this));
}
