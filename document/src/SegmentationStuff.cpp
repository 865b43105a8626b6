#include "document/SegmentationStuff.h"

#include "document/DocumentKeys.h"
#include "document/CorvaneThread.h"
#include "document/CvCmdAnalyseImage.h"
#include "document/GmModel.h"

SegmentationStuff::SegmentationStuff(GmRegion* owner, QObject* parent)
    : QObject(parent), owner_(owner) {
  if (owner_) {
    values_.copyValues(GmModel::instance()->segmentation()->values());
    values_.revertCurrent();
  }
}

SegmentationStuff::SegmentationStuff(const QVariantMap& map, GmRegion* owner, QObject* parent)
    : QObject(parent),
      owner_(owner),
      values_(map.value(documentKeys::edos).toMap()),
      ownSettings_(map.value(documentKeys::isChecked).toBool()) {}

QVariantMap SegmentationStuff::toVariant() const {
  QVariantMap map;
  map.insert(documentKeys::isChecked, ownSettings_);
  map.insert(documentKeys::edos, values_.toVariant());
  return map;
}

void SegmentationStuff::findEdges(QObject* panel) {
  GmModel* model = GmModel::instance();
  values_.applyCurrent();
  CorvaneThread* thread = CorvaneThread::instance();
  if (thread && analysisCommand_) thread->cancelCommand(analysisCommand_);
  auto* command = new CvCmdAnalyseImage(model, owner_, this);
  analysisCommand_ = command;
  if (!owner_) emit model->imageAnalysisHasBegun();
  if (panel) {
    // Connected before the submission, which deletes a command it refuses.
    QMetaObject::invokeMethod(panel, "setEnablednessOfButtons");
    connect(command, SIGNAL(destroyed()), panel, SLOT(setEnablednessOfButtons()));
  }
  CorvaneThread::submitToInstance(command);
  emit model->smegChanged();
}

void SegmentationStuff::clearEdges() {
  edgeOutline_.clear();
  GmModel::instance()->signalDirtyImageSlot(PatchPreviewWanted::No);
}

void SegmentationStuff::adoptEdges() {
  GmModel* model = GmModel::instance();
  if (subSession_)
    edgeOutline_.setFromEngine(subSession_->regions, subSession_->regionCount, model->resolution());
  else
    edgeOutline_.clear();
  model->signalDirtyImageSlot(PatchPreviewWanted::Yes);
}
