#include "composition/FinalImageViewer.h"

#include <QPainter>

#include "composition/ZarvoObject.h"
#include "kestrum/qt/Checkerboard.h"

namespace {
constexpr int kBorder = 3;
}

FinalImageViewer::FinalImageViewer(QWidget* parent) : QWidget(parent) {
  ZarvoObject* hub = ZarvoObject::instance();
  connect(hub, &ZarvoObject::updateImage, this, &FinalImageViewer::updateImage);
  connect(hub, &ZarvoObject::outputTypeChanged, this, &FinalImageViewer::updateImage);
  updateImage();
}

void FinalImageViewer::updateImage() {
  picture_ = ZarvoObject::instance()->finalPixmap();
  updateSize();
  update();
}

void FinalImageViewer::setFitScreen(bool fit) {
  fitScreen_ = fit;
  updateSize();
  update();
}

void FinalImageViewer::updateSize() {
  if (fitScreen_ || picture_.isNull())
    setMinimumSize(0, 0);
  else
    setMinimumSize(picture_.size() + QSize(kBorder, kBorder));
}

QRect FinalImageViewer::pictureRect() const {
  if (picture_.isNull()) return QRect();
  const int W = width(), H = height();
  int w = picture_.width(), h = picture_.height();
  // Fitted: rescaled when it does not fit with room to spare (equality included). At actual
  // size it is drawn 1:1, even where the widget is only just large enough.
  if (fitScreen_ && (W - kBorder <= w || H - kBorder <= h)) {
    const double rw = double(W - kBorder) / w, rh = double(H - kBorder) / h;
    if (rh <= rw) {
      w = int(w * rh);
      h = H - 6;
    } else {
      h = int(h * rw);
      w = W - 6;
    }
  }
  return QRect((W - w) / 2, (H - h) / 2, w, h);
}

void FinalImageViewer::paintEvent(QPaintEvent*) {
  const QRect target = pictureRect();
  if (target.isEmpty()) return;
  QPainter painter(this);
  painter.setPen(Qt::darkGray);
  painter.drawPixmap(target.topLeft(), kestrum::checkerboardPixmap(target.size()));
  painter.drawRect(target.x() - 1, target.y() - 1, target.width() + 1, target.height() + 1);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawPixmap(target, picture_);
}
