#include "document/CvCmdAnalyseImage.h"

#include <QDebug>

#include "document/CorvaneEntryPoints.h"
#include "document/CorvaneThread.h"
#include "document/CvCmdEndSession.h"
#include "document/EDOs.h"
#include "document/GmModel.h"
#include "document/GmRegion.h"
#include "document/SegmentationStuff.h"
#include "document/TsSourceImage.h"
#include "document/TuningVariableTable.h"

CvCmdAnalyseImage::CvCmdAnalyseImage(GmModel* model, GmRegion* patch, SegmentationStuff* settings)
    : CorvaneCommand(model, patch ? tr("Finding Edges in Patch...", "[ts3]")
                                  : tr("Finding Edges in Image...", "[ts3]")),
      patch_(patch),
      settings_(settings) {
  result_ = CvPreconditionFailed;
  const EDOs* values = settings ? &settings->values() : nullptr;
  // Sensitivity 1..100 gives a tolerance of 0..0.99.
  tolerance_ = values ? float((values->sensitivity.applied - 1) * 0.99 * 0.01010101) : 0.0f;
  width_ = values ? values->width.applied : 0;
  texture_ = values ? values->texture.applied : 0;
  contrast_ = values ? values->contrast.applied : 0;
}

bool CvCmdAnalyseImage::prepare() {
  if (!settings_) return false;
  subSession_ = settings_->subSession();
  if (!subSession_) {
    session_ = documentSession();
    if (session_ && patch_) {
      mask_ = patch_->snapshotMask();
      if (!mask_.isNull()) selection_ = describePositionedImage(mask_);
    }
  }
  if (!subSession_ && !(session_ && !mask_.isNull())) return false;
  settings_->clearEdges();
  return true;
}

void CvCmdAnalyseImage::execute() {
  CorvaneEntryPoints& engine = corvaneEntryPoints();
  if (!subSession_) {
    created_ = engine.CvBeginSubSession(session_, &selection_, 1, &CorvaneThread::progressCallback,
                                        nullptr);
    qWarning().noquote() << QStringLiteral("CvBeginSubSession (for analysis) finished (%1)")
                                .arg(handleString(created_));
    subSession_ = created_;
  }
  if (!subSession_) return;
  result_ = engine.CvSetAnalysisParameters(subSession_, tolerance_, uint32_t(width_),
                                           uint32_t(contrast_) | uint32_t(texture_) << 8);
  if (result_ == CvOk)
    result_ = engine.CvAnalyseImage(subSession_, &CorvaneThread::progressCallback, nullptr);
}

void CvCmdAnalyseImage::finish() {
  checkCorvaneResult(result_);
  GmModel* model = liveModel();
  if (created_) {
    if (settings_) {
      settings_->setSubSession(created_);
      settings_->adoptEdges();
    } else if (CorvaneThread* thread = CorvaneThread::instance()) {
      // Nobody holds the new sub-session any more: the engine releases it.
      thread->submit(new CvCmdEndSession(model, nullptr, created_));
    }
  }
  if (!settings_) return;
  if (result_ == CvOk && settings_->subSession()) {
    if (model) emit model->smegChanged();
    settings_->adoptEdges();
  } else {
    settings_->values().restoreStored();
  }
  if (model && !settings_->owner())
    model->tuningVariables()->refresh(model->segmentation()->session());
}
