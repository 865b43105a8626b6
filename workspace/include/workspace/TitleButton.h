#pragma once

#include <QAbstractButton>
#include <QSize>

// A small icon button for a title bar: flat until the pointer is over it, then a raised tool
// button panel (sunken while pressed). GUI thread.
class TitleButton : public QAbstractButton {
  Q_OBJECT

 public:
  explicit TitleButton(QWidget* parent = nullptr);

  // The style's small-icon pixmap of the icon plus the style's title-bar button margins.
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void enterEvent(QEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
};
