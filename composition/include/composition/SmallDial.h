#pragma once

#include <QDial>
#include <QSize>

// The shadow's direction dial: a QDial (value, wrapping and mouse handling unchanged) drawn as a
// small face with an arrow that points the way the shadow falls (value 0 down, turning
// clockwise as the value grows), flanked by two arcs with arrowheads that say "turn me". It
// keeps its width at least 1.6 times its height. GUI thread only.
class SmallDial : public QDial {
 public:
  explicit SmallDial(QWidget* parent = nullptr);

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

  // The largest rectangle of width : height = 1.3 centred in a widget of `size`.
  static QRect frameRect(const QSize& size);
  // The arrow's direction for the slider position, radians counter-clockwise from the positive
  // x axis with y pointing up.
  double arrowAngle() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
};
