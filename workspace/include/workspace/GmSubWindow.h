#pragma once

#include <QByteArray>
#include <QPoint>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QWidget>

#include "workspace/FakeDock.h"
#include "workspace/ImageView.h"

class GmSubWindowLayout;
class QAction;
class QKeyEvent;
class QSizeGrip;
class TitleWidget;

// A dockable tool window of the cut-out workspace (navigator, cut-out viewer, tips). Docked, it
// is a child of its FakeDock with its own title bar; floating, it is a tool window of its parent
// with a size grip. It shows exactly while the user wants it, the main window does not suppress
// it and its toggle action is enabled (the current view tab is one of viewTabs()). GUI thread.
class GmSubWindow : public QWidget {
  Q_OBJECT

 public:
  // `name` follows "DockWidget: " in the object name. The checkable toggle action joins
  // `actionContainer` (a menu or tool bar) when given, with `shortcut` when not empty; a
  // shortcut also goes into the window's and the action's tool tips. `parent` is the parent
  // while floating (the window starts as a hidden tool window of it).
  GmSubWindow(const QString& name, const QString& title, QWidget* actionContainer,
              const QString& shortcut, QWidget* parent);
  ~GmSubWindow() override;

  virtual bool visibleByDefault() const = 0;
  // Floating: a tool window of the parent (an already floating one, unless `quiet`, only
  // updates its visibility). Docking, only with a dock: a child of the dock with its title bar.
  // `quiet` keeps the saved geometry and leaves the visibility alone.
  virtual void setFloating(bool floating, bool quiet = false);
  // The view tabs the window belongs to; every tab by default.
  virtual ImageView::ViewTabs viewTabs() const;

  bool isFloating() const { return isWindow(); }
  // The container while docked (borrowed); without one the window never docks.
  FakeDock* dock() const { return dock_; }
  void setDock(FakeDock* dock) { dock_ = dock; }

  // The old content leaves the layout (it stays a hidden child); `widget` fills the rest.
  void setContentWidget(QWidget* widget);
  QWidget* contentWidget() const { return content_; }
  TitleWidget* titleWidget() const { return titleBar_; }
  QAction* toggleAction() const { return toggleAction_; }

  bool wantedVisible() const { return wantedVisible_; }
  // Also clears the suppression.
  void setWantedVisible(bool wanted);
  bool suppressed() const { return suppressed_; }
  // Hides the window for the moment without changing what the user wants.
  void setSuppressed(bool suppressed);
  // Whether the last event of the window was a close rather than a show.
  bool closed() const { return closed_; }

  bool resizable() const { return resizable_; }
  // Takes effect at the next change between floating and docked.
  void setResizable(bool resizable) { resizable_ = resizable; }
  void setMatchWidth(bool match) { matchWidth_ = match; }
  // Used while floating when no geometry was saved.
  QPoint floatingPosition() const { return floatingPosition_; }
  void setFloatingPosition(const QPoint& position) { floatingPosition_ = position; }
  void setFloatingSize(const QSize& size) { floatingSize_ = size; }
  // The floating geometry in QWidget::saveGeometry's form; empty when none was taken.
  QByteArray savedGeometry() const { return savedGeometry_; }
  void setSavedGeometry(const QByteArray& bytes) { savedGeometry_ = bytes; }

  // One byte (wanted visible) followed by the saved geometry, taken anew while floating.
  QByteArray saveState();
  // The reverse of saveState, then the visibility is updated (a floating window also takes the
  // geometry). Empty bytes, a first byte other than 0 or 1, or a tail that is no saved geometry
  // change nothing and answer false.
  bool restoreState(const QByteArray& state);
  // Shows or hides the window by the rule above; nothing when it already is as it should be.
  void updateVisibility();

 signals:
  void visibilityChanged();
  void escapeKeyPressed(QKeyEvent* event);

 public slots:
  void userShow();
  void viewTabChangedSlot(ImageView::ViewTab tab);
  void toggleViewSlot(bool show);
  void closeViewSlot();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void changeEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  bool shouldShow() const;
  bool visibleToParent() const;
  void takeGeometry();
  void applyFloatingGeometry();
  void placeSizeGrip();

  QWidget* floatingParent_;
  QPointer<FakeDock> dock_;
  GmSubWindowLayout* layout_;
  TitleWidget* titleBar_;
  QWidget* content_ = nullptr;
  bool suppressed_ = false;
  bool wantedVisible_ = false;
  bool closed_ = false;
  QSizeGrip* sizeGrip_ = nullptr;
  bool resizable_ = false;
  bool matchWidth_ = false;
  QAction* toggleAction_;
  QPoint floatingPosition_{0, 0};
  QSize floatingSize_{-1, -1};
  QByteArray savedGeometry_;
};
