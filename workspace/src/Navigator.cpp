#include "workspace/Navigator.h"

#include <algorithm>
#include <cmath>

#include <QBitmap>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPen>
#include <QResizeEvent>

#include "document/GmModel.h"
#include "document/TsSourceImage.h"
#include "kestrum/qt/UnsplitImageWork.h"
#include "workspace/WorkspaceResources.h"

namespace {

// A cursor from a drawing and its mask: dark pixels of the drawing are black, the mask's dark
// pixels are where the cursor is opaque.
std::unique_ptr<QCursor> bitmapCursor(const char* data, const char* mask, int hotX, int hotY) {
  const QBitmap bits = QBitmap::fromImage(QImage(QString::fromLatin1(data)));
  const QBitmap opaque = QBitmap::fromImage(QImage(QString::fromLatin1(mask)));
  return std::make_unique<QCursor>(bits, opaque, hotX, hotY);
}

bool isEmpty(const QRectF& rect) {
  return rect.width() == 0 && rect.height() == 0;
}

}  // namespace

Navigator::Navigator(QWidget* parent) : QWidget(parent) {
  initWorkspaceResources();
  setMouseTracking(true);
  setMinimumSize(80, 80);
  pointingHand_ =
      bitmapCursor(":/images/curs_data_handpoint.png", ":/images/curs_mask_handpoint.png", 5, 1);
  openHand_ =
      bitmapCursor(":/images/curs_data_handopen.png", ":/images/curs_mask_handopen.png", 7, 7);
  grabbingHand_ =
      bitmapCursor(":/images/curs_data_handgrab.png", ":/images/curs_mask_handgrab.png", 8, 9);
}

Navigator::~Navigator() = default;

const QPixmap* Navigator::photo() const {
  const TsSourceImage* image = GmModel::instance()->segImage();
  if (!image || !image->isValid() || image->displayPixmap().isNull()) return nullptr;
  return &image->displayPixmap();
}

QSize Navigator::sizeHint() const {
  const QPixmap* pixmap = photo();
  if (!pixmap) return QSize(80, 80);
  const int height = int(qint64(pixmap->height()) * width() / pixmap->width());
  return QSize(80, std::max(height, 80));
}

void Navigator::place() {
  const QPixmap* pixmap = photo();
  if (!pixmap) {
    scale_ = 0;
    offset_ = QPoint();
    return;
  }
  const float scale =
      std::min(float(height()) / float(pixmap->height()), float(width()) / float(pixmap->width()));
  scale_ = scale;
  // Halves round up.
  offset_ = QPoint(int(std::floor((width() - pixmap->width() * scale_) / 2 + 0.5)),
                   int(std::floor((height() - pixmap->height() * scale_) / 2 + 0.5)));
}

QRectF Navigator::thumbnailRect(const QRectF& imageRect) const {
  return QRectF(offset_.x() + imageRect.x() * scale_, offset_.y() + imageRect.y() * scale_,
                imageRect.width() * scale_, imageRect.height() * scale_);
}

void Navigator::updateImage() {
  place();
  updateGeometry();
  if (photo())
    setCursor(*pointingHand_);
  else
    setCursor(Qt::ArrowCursor);
  update();
  emit imageUpdated();
}

void Navigator::setRect(const QRectF& rect) {
  const QRectF old = viewRect_;
  viewRect_ = rect;
  if (isEmpty(old) || isEmpty(rect) || scale_ == 0) {
    update();
    return;
  }
  const QRect before = thumbnailRect(old).toAlignedRect().adjusted(-3, -3, 3, 3);
  const QRect after = thumbnailRect(rect).toAlignedRect().adjusted(-3, -3, 3, 3);
  if (before.intersects(after)) {
    update(before | after);
  } else {
    update(before);
    update(after);
  }
}

void Navigator::paintEvent(QPaintEvent*) {
  place();
  const QPixmap* pixmap = photo();
  if (!pixmap || scale_ == 0) return;
  const QSize size(std::max(1, int(std::lround(pixmap->width() * scale_))),
                   std::max(1, int(std::lround(pixmap->height() * scale_))));
  if (thumbnailOf_ != pixmap->cacheKey() || thumbnail_.size() != size) {
    thumbnail_ = kestrum::unsplitSmoothScaled(*pixmap, size);
    thumbnailOf_ = pixmap->cacheKey();
  }
  QPainter painter(this);
  painter.drawPixmap(offset_, thumbnail_);
  painter.setRenderHint(QPainter::Antialiasing);
  QPen pen(Qt::red);
  pen.setCosmetic(true);
  painter.setPen(pen);
  painter.setBrush(Qt::NoBrush);
  const QRectF frame = thumbnailRect(isEmpty(viewRect_) ? QRectF(pixmap->rect()) : viewRect_);
  // On pixel centres, so the one-pixel line stays crisp.
  const QRectF snapped(QPointF(std::floor(frame.left()) + 0.5, std::floor(frame.top()) + 0.5),
                       QPointF(std::ceil(frame.right()) - 0.5, std::ceil(frame.bottom()) - 0.5));
  painter.drawRect(snapped);
}

void Navigator::mousePressEvent(QMouseEvent* event) {
  place();
  if (scale_ == 0 || event->button() != Qt::LeftButton) return;
  setCursor(*grabbingHand_);
  if (!thumbnailRect(viewRect_).contains(event->pos()))
    emit rectCenterChanged(QPoint(int(std::lround((event->x() - offset_.x()) / scale_)),
                                  int(std::lround((event->y() - offset_.y()) / scale_))));
  // After the centring, whose report has moved the frame already.
  pressPos_ = event->pos();
  dragStart_ = viewRect_;
}

void Navigator::mouseMoveEvent(QMouseEvent* event) {
  place();
  if (scale_ == 0) return;
  if (event->buttons() & Qt::LeftButton) {
    const QPointF topLeft = dragStart_.topLeft() + QPointF(event->pos() - pressPos_) / scale_;
    emit rectChanged(ImageRectF(topLeft.x(), topLeft.y(), -1, -1));
  } else {
    hoverCursor(event->pos());
  }
}

void Navigator::mouseReleaseEvent(QMouseEvent* event) {
  place();
  if (scale_ == 0) return;
  hoverCursor(event->pos());
}

void Navigator::hoverCursor(const QPoint& at) {
  if (!photo()) return;
  setCursor(thumbnailRect(viewRect_).contains(at) ? *openHand_ : *pointingHand_);
}

void Navigator::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  place();
  if (event->oldSize().height() != event->size().height()) updateGeometry();
}
