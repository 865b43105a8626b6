#include "document/GmRegion.h"

#include <QBrush>
#include <QPen>

#include "document/CorvaneThread.h"
#include "document/CvCmdAnalyseImage.h"
#include "document/CvCmdBeginSubSession.h"
#include "document/CvCmdEndSession.h"
#include "document/CvCmdProtect.h"
#include "document/DocumentKeys.h"
#include "document/GmModel.h"
#include "document/SegmentationStuff.h"
#include "document/Shape.h"

GmRegion::GmRegion() : segmentation_(new SegmentationStuff(this, this)), blending_(this) {}

GmRegion::GmRegion(const QVariantMap& base)
    : segmentation_(new SegmentationStuff(base.value(documentKeys::smeg).toMap(), this, this)),
      blending_(base.value(documentKeys::blendage).toMap(), this),
      protected_(base.value(documentKeys::isProtected).toBool()) {}

GmRegion::~GmRegion() = default;

QVariantMap GmRegion::baseVariant() const {
  QVariantMap map;
  map.insert(documentKeys::smeg, segmentation_->toVariant());
  map.insert(documentKeys::blendage, blending_.toVariant());
  map.insert(documentKeys::isProtected, protected_);
  return map;
}

void GmRegion::activate() {
  GmModel::instance()->setActiveRegion(this, 1);
}

void GmRegion::deactivate() {
  GmModel* model = GmModel::existingInstance();
  if (model && model->activeRegion() == this) model->setActiveRegion(nullptr);
}

bool GmRegion::isActive() const {
  const GmModel* model = GmModel::existingInstance();
  return model && model->activeRegion() == this;
}

void GmRegion::shapeEdited() {
  ++editCount_;
  CorvaneThread* thread = CorvaneThread::instance();
  if (thread && segmentation_->analysisCommand())
    thread->cancelCommand(segmentation_->analysisCommand());
  removeFromEngine(false);
  GmModel::instance()->setActiveRegion(this, 1);
  submitToEngine();
}

void GmRegion::submitToEngine() {
  GmModel* model = GmModel::instance();
  CorvaneThread::submitToInstance(new CvCmdBeginSubSession(model, this));
  if (segmentation_->ownSettings()) segmentation_->findEdges();
  if (protected_) CorvaneThread::submitToInstance(new CvCmdProtect(model, this));
}

void GmRegion::removeFromEngine(bool deleteAfterwards) {
  GmModel* model = GmModel::instance();
  segmentation_->clearEdges();
  if (protected_) {
    protected_ = false;
    model->reapplyProtection();
    protected_ = true;
  }
  CorvaneThread* thread = CorvaneThread::instance();
  if (!deleteAfterwards) {
    CorvaneThread::submitToInstance(new CvCmdEndSession(model, segmentation_, &shape()));
  } else if (thread && thread->isOpen()) {
    thread->submit(new CvCmdEndSession(model, this));
  } else {
    // Nothing is sent while the thread is closed; the patch is deleted all the same.
    delete this;
  }
}

void GmRegion::setProtected(bool isProtected) {
  protected_ = isProtected;
  GmModel* model = GmModel::instance();
  if (protected_)
    CorvaneThread::submitToInstance(new CvCmdProtect(model, this));
  else
    model->reapplyProtection();
  emit model->protectionChanged(this);
}

void GmRegion::adoptOutline(const CvRegion* regions, uint32_t count) {
  shape().setOutline(regions, count);
  emit GmModel::instance()->rectDirty(ImageRectF(shape().boundingRect()), DirtyHint::Outline,
                                      PatchPreviewWanted::No);
}

QRect GmRegion::snapshotRect() {
  shape().prepareSnapshot(QPen(Qt::NoPen), QBrush(Qt::color1));
  return shape().snapshot().maskRect();
}

QImage GmRegion::snapshotMask() {
  return shape().prepareSnapshot(QPen(Qt::NoPen), QBrush(Qt::color1));
}
