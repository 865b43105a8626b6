#include "workspace/ProgressView.h"

#include <cmath>

#include <QAction>
#include <QPainter>

#include "document/GmModel.h"
#include "document/TsSourceImage.h"
#include "kestrum/qt/UnsplitImageWork.h"
#include "workspace/ProgressWindow.h"

ProgressView::ProgressView(ProgressWindow* window, QWidget* parent)
    : QWidget(parent), window_(window) {
  setFocusPolicy(Qt::WheelFocus);
  GmModel* model = GmModel::instance();
  connect(model, &GmModel::cutoutChanged, this, &ProgressView::updateCutoutImage);
  connect(model, &GmModel::tellImageChanged, this, &ProgressView::perhapsClose);
}

void ProgressView::updateCutoutImage() {
  const TsSourceImage* image = GmModel::instance()->blendImage();
  cutout_ = image && image->isValid() ? image->displayPixmap() : QPixmap();
  window_->setCutoutSize(cutout_.size());
  if (cutout_.size().isValid() && !cutout_.isNull()) {
    window_->update();
  } else {
    window_->smallAction()->trigger();
  }
  update();
}

void ProgressView::perhapsClose(const TsSourceImage* image) {
  if (!image) {
    updateCutoutImage();
    return;
  }
  // A new photo: what showed was the old one's cut-out.
  cutout_ = QPixmap();
  update();
}

QRect ProgressView::cutoutRect() const {
  if (cutout_.isNull()) return QRect();
  int h = height();
  int w = int(std::lround(double(cutout_.width()) * h / cutout_.height()));
  if (w > width()) {
    w = width();
    h = int(std::lround(double(cutout_.height()) * w / cutout_.width()));
  }
  return QRect(0, 0, w, h);
}

void ProgressView::paintEvent(QPaintEvent*) {
  const QRect target = cutoutRect();
  if (target.isEmpty()) return;
  if (fittedOf_ != cutout_.cacheKey() || fitted_.size() != target.size()) {
    fitted_ = kestrum::unsplitSmoothScaled(cutout_, target.size());
    fittedOf_ = cutout_.cacheKey();
  }
  QPainter painter(this);
  painter.drawPixmap(target.topLeft(), fitted_);
}
