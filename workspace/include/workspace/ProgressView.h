#pragma once

#include <QPixmap>
#include <QRect>
#include <QWidget>

class ProgressWindow;
class TsSourceImage;

// The cut-out viewer's picture: the cut-out fitted into the view at its top-left, never
// stretched. The fitted picture is scaled once per cut-out and size. GUI thread.
class ProgressView : public QWidget {
  Q_OBJECT

 public:
  // `window` (borrowed) records the cut-out's size.
  explicit ProgressView(ProgressWindow* window, QWidget* parent = nullptr);

  // The display pixmap of the document's cut-out image; null when none.
  const QPixmap& cutout() const { return cutout_; }
  // Where the cut-out is drawn; empty without one.
  QRect cutoutRect() const;

 public slots:
  // Takes the document's present cut-out. Without one the window returns to its small size.
  void updateCutoutImage();
  // Another photo or none: the view empties until the next cut-out.
  void perhapsClose(const TsSourceImage* image);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  ProgressWindow* window_;
  QPixmap cutout_;
  QPixmap fitted_;
  qint64 fittedOf_ = 0;
};
