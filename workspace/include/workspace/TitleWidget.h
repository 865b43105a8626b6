#pragma once

#include <QWidget>

class QLabel;
class TitleButton;

// The title bar of a docked sub-window: its title in white on blue (0, 189, 242) and a close
// button with the style's title-bar close icon. Starts hidden. GUI thread.
class TitleWidget : public QWidget {
  Q_OBJECT

 public:
  explicit TitleWidget(QWidget* parent = nullptr);

  QLabel* label() const { return label_; }
  TitleButton* closeButton() const { return closeButton_; }

 private:
  QLabel* label_;
  TitleButton* closeButton_;
};
