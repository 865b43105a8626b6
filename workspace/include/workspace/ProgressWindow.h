#pragma once

#include <QSize>

#include "workspace/GmSubWindow.h"

class ProgressView;
class QAction;

// The "Vuvidarir Viewer": the cut-out as it is now, beside the view while the user paints, in
// one of three square sizes (150 pixels, 80 % of the primary screen's available height, and
// half-way) chosen by three buttons, or any size by hand. Only on the cut-out tab. GUI thread.
class ProgressWindow : public GmSubWindow {
  Q_OBJECT

 public:
  // The toggle action joins `menu` when given, with `shortcut` when not empty.
  explicit ProgressWindow(QWidget* parent = nullptr, QWidget* menu = nullptr,
                          const QString& shortcut = QString());

  bool visibleByDefault() const override { return true; }
  ImageView::ViewTabs viewTabs() const override;

  ProgressView* view() const { return view_; }
  QAction* smallAction() const { return smallAction_; }
  QAction* mediumAction() const { return mediumAction_; }
  QAction* largeAction() const { return largeAction_; }
  int smallSide() const { return smallSide_; }
  int mediumSide() const { return mediumSide_; }
  int largeSide() const { return largeSide_; }
  // The size of the last cut-out shown; invalid when none.
  QSize cutoutSize() const { return cutoutSize_; }
  void setCutoutSize(const QSize& size) { cutoutSize_ = size; }

 public slots:
  // The sending action's square, keeping the right and top edges; the small one then goes to
  // the floating position.
  void sizeActionTriggered();

 protected:
  // A size of one of the squares checks its action; any other unchecks all three.
  void resizeEvent(QResizeEvent* event) override;

 private:
  QAction* smallAction_;
  QAction* mediumAction_;
  QAction* largeAction_;
  int smallSide_;
  int largeSide_;
  int mediumSide_;
  QSize cutoutSize_;
  ProgressView* view_;
};
