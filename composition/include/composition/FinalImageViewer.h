#pragma once

#include <QPixmap>
#include <QRect>
#include <QWidget>

// Paints the finished picture as the hub last delivered it, over the checkerboard that shows
// through transparent parts: fitted into the widget, or at actual size (1:1, centred), where
// the widget asks for the picture's size plus 3 pixels so that its scroll area shows scroll
// bars. GUI thread only.
class FinalImageViewer : public QWidget {
  Q_OBJECT

 public:
  explicit FinalImageViewer(QWidget* parent = nullptr);

  const QPixmap& picture() const { return picture_; }
  bool fitScreen() const { return fitScreen_; }
  // Where the picture is drawn for the current size and mode; empty without a picture.
  QRect pictureRect() const;

 public slots:
  // Takes the hub's picture.
  void updateImage();
  void setFitScreen(bool fit);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void updateSize();

  QPixmap picture_;
  bool fitScreen_ = true;
};
