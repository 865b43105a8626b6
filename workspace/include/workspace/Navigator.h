#pragma once

#include <memory>

#include <QCursor>
#include <QPixmap>
#include <QPoint>
#include <QRectF>
#include <QWidget>

#include "document/ImageRectF.h"

// The navigator's thumbnail of the whole photo with a red frame around the part the image view
// shows. Dragging the frame moves the view; a press outside it first centres the view there.
// Everything happens only while a photo is shown (the scale is then above 0). GUI thread.
class Navigator : public QWidget {
  Q_OBJECT

 public:
  explicit Navigator(QWidget* parent = nullptr);
  ~Navigator() override;

  // 80 wide; as high as the present width gives the thumbnail, at least 80.
  QSize sizeHint() const override;
  // The part of the image the view shows (image pixels; all 0: none reported).
  void setRect(const QRectF& rect);
  const QRectF& viewRect() const { return viewRect_; }
  // Thumbnail pixels per image pixel (0 without a photo) and the thumbnail's top-left.
  double scale() const { return scale_; }
  QPoint offset() const { return offset_; }
  // Where `imageRect` lies on the thumbnail, in widget pixels.
  QRectF thumbnailRect(const QRectF& imageRect) const;

 signals:
  // A new top-left for the view; width and height -1 (the view keeps its size).
  void rectChanged(const ImageRectF& rect);
  // The image point the view is to centre on.
  void rectCenterChanged(QPoint p);
  // After updateImage: the photo may be another one.
  void imageUpdated();

 public slots:
  void updateImage();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // The photo's display pixmap; null without a photo.
  const QPixmap* photo() const;
  // The scale and offset for the present size and photo.
  void place();
  void hoverCursor(const QPoint& at);

  QRectF viewRect_{0, 0, 0, 0};
  QRectF dragStart_;
  QPoint pressPos_;
  std::unique_ptr<QCursor> pointingHand_;
  std::unique_ptr<QCursor> openHand_;
  std::unique_ptr<QCursor> grabbingHand_;
  double scale_ = 0;
  QPoint offset_;
  // The photo scaled once per photo and size.
  QPixmap thumbnail_;
  qint64 thumbnailOf_ = 0;
};
