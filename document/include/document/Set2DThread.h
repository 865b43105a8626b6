#pragma once

#include <QImage>

#include "document/HighlightThread.h"
#include "kestrum/qt/ColourSpace.h"

// Highlights the pixels whose pair of values on two channels of one colour model is selected.
class Set2DThread : public HighlightThread {
 public:
  explicit Set2DThread(QObject* parent = nullptr);

  // Set by the owner between runs: a 256 × 256 plane whose pixel (x, y) has index 1 when the
  // pair (horizontal value x, vertical value y) is selected (a copy, made 1-bit), and the two
  // channels.
  void setSelection(const QImage& plane);
  void setChannels(kestrum::colour::channel horizontal, kestrum::colour::channel vertical) {
    horizontal_ = horizontal;
    vertical_ = vertical;
  }

 protected:
  // One pixel loop for each ordered pair of two different channels of one model; any other pair
  // (one mixing the models, or a channel twice) writes nothing.
  void process() override;

 private:
  QImage plane_;
  kestrum::colour::channel horizontal_ = kestrum::colour::Hue;
  kestrum::colour::channel vertical_ = kestrum::colour::Lightness;
};
