#pragma once

#include <QSize>
#include <QVBoxLayout>

// The vertical layout of a sub-window: its size hint is never narrower than a minimum width,
// which a floating window that matches its width sets to its own. GUI thread.
class GmSubWindowLayout : public QVBoxLayout {
 public:
  GmSubWindowLayout() = default;

  int minimumWidth() const { return minimumWidth_; }
  // -1: no minimum.
  void setMinimumWidth(int width);
  QSize sizeHint() const override;

 private:
  int minimumWidth_ = -1;
};
