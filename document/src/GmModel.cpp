#include "document/GmModel.h"

#include "document/BlendingStuff.h"
#include "document/DocumentMetaTypes.h"
#include "document/SegmentationStuff.h"

namespace {

GmModel* theInstance = nullptr;

int dividedRoundingUp(int side, int divisor) { return side <= 0 ? 0 : (side - 1) / divisor + 1; }

}  // namespace

GmModel* GmModel::instance() {
  if (!theInstance) theInstance = new GmModel;
  return theInstance;
}

GmModel* GmModel::existingInstance() { return theInstance; }

void GmModel::destroyInstance() {
  GmModel* model = theInstance;
  theInstance = nullptr;
  delete model;
}

GmModel::GmModel() {
  registerDocumentMetaTypes();
  blending_ = new BlendingStuff(nullptr);
  segmentation_ = new SegmentationStuff(nullptr, this);
}

GmModel::~GmModel() { delete blending_; }

void GmModel::setImageSize(const QSize& displaySize) {
  imageSize_ = displaySize.isValid() ? displaySize : QSize();
}

QRect GmModel::imageRect() const { return QRect(QPoint(0, 0), imageSize_); }

QRect GmModel::workingRect() const {
  if (imageSize_.isEmpty()) return QRect();
  return QRect(0, 0, dividedRoundingUp(imageSize_.width(), resolution_),
               dividedRoundingUp(imageSize_.height(), resolution_));
}

void GmModel::setResolution(int resolution) {
  const int old = resolution_;
  // A resolution below 1 would divide every working coordinate by zero or flip it.
  if (resolution >= 1) resolution_ = resolution;
  emit resolutionChanged(old, resolution_);
}

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

void GmModel::addLiveStroke(GmBrushing* stroke) {
  if (stroke && !liveStrokes_.contains(stroke)) liveStrokes_.append(stroke);
}

void GmModel::removeLiveStroke(GmBrushing* stroke) { liveStrokes_.removeAll(stroke); }
