#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QToolButton>

class QAction;

// A palette button that can carry a second action, reached by a double click instead of a
// second toggle; a button with more than one action shows a small triangle. GUI thread.
class ToolPaletteButton : public QToolButton {
  Q_OBJECT

 public:
  explicit ToolPaletteButton(QWidget* parent = nullptr);

  // Borrowed; the button also carries it among its actions.
  void setSecondAction(QAction* action);
  QAction* secondAction() const { return second_; }

 protected:
  void nextCheckState() override;
  void paintEvent(QPaintEvent* event) override;

 private:
  QPointer<QAction> second_;
  QElapsedTimer lastClick_;
};
