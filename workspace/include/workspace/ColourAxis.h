#pragma once

#include <QWidget>

#include "kestrum/qt/ColourSpace.h"

// A ruler beside the colour display: the 256 values of one channel in their colours, rising to
// the right (horizontal) or upwards (vertical). GUI thread.
class ColourAxis : public QWidget {
  Q_OBJECT

 public:
  explicit ColourAxis(Qt::Orientation orientation, QWidget* parent = nullptr);

  kestrum::colour::channel channel() const { return channel_; }
  void setChannel(kestrum::colour::channel channel);
  Qt::Orientation orientation() const { return orientation_; }

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  Qt::Orientation orientation_;
  kestrum::colour::channel channel_ = kestrum::colour::Hue;
};
