#pragma once

#include <QFlags>
#include <QList>
#include <QObject>
#include <QPair>
#include <QPoint>
#include <QSize>
#include <QWidget>

#include "document/ImagePointF.h"
#include "document/ImageRectF.h"
#include "workspace/GRectF.h"

class IVTabWidget;
class QAction;
class QActionGroup;
class QTabBar;
class TsWorkspace;

// The main window's central widget: a bar of view tabs over a stack of pages. The first page is
// the cut-out workspace with the image canvas; the main window adds the composition, effects and
// final-image tabs. The view tab decides which tools, windows and tool bars apply. GUI thread.
class ImageView : public QWidget {
  Q_OBJECT

 public:
  // The view tabs as bit flags; 1 and 4 occur only inside tool masks.
  enum ViewTab { DeleteBackground = 2, ComposePicture = 8, AddEffects = 16, FinalImage = 32 };
  Q_ENUM(ViewTab)
  Q_DECLARE_FLAGS(ViewTabs, ViewTab)

  explicit ImageView(QWidget* parent = nullptr);

  // Adds a tab titled `title` (every "&" removed) showing `page`: a new page unless `page` is
  // one already. The tab goes last and gets a checkable action in the view's exclusive group,
  // announced by addTabAction.
  void addViewTab(QWidget* page, const QString& title, const QString& whatsThis,
                  const QString& toolTip, int tab);
  // The current tab's flag; 2 when the bar's index is outside the tabs.
  int currentViewTab() const;
  // Nothing when the current tab's flag is in `mask`; else the first tab whose flag is
  // `defaultTab` becomes current (none: nothing).
  void ensureViewTab(int mask, int defaultTab);

  TsWorkspace* workspace() const { return workspace_; }
  QTabBar* tabBar() const { return tabBar_; }
  IVTabWidget* tabWidget() const { return tabWidget_; }
  const QList<QAction*>& tabActions() const { return tabActions_; }
  // The cut-out canvas's zoom: widget pixels per image pixel.
  double zoom() const;
  QSize minimumSizeHint() const override;

 signals:
  void sayViewportRectChanged(GRectF rect, qreal zoom);
  void viewTabChanged(ImageView::ViewTab tab);
  void activateArrowTargetAt(ImagePointF point);
  void zoomChanged(double zoom);
  void addTabAction(QAction* action);
  void switchToTab(int page);

 public slots:
  void fitImageOnScreenSlot();
  void minCheckedMoveImageViewportToSlot(ImageRectF rect);
  void moveImageViewportToSlot(ImageRectF rect);
  void panImageViewportSlot(QPoint delta);
  void centreViewportOnSlot(QPoint point);
  void zoomInSlot();
  void zoomOutSlot();
  void zoomToSlot(double zoom);
  void zoomTo100PercentSlot();
  void currentTabChanged(int index);
  void switchTab();

 private:
  QTabBar* tabBar_;
  IVTabWidget* tabWidget_;
  int pageCounter_ = 0;
  TsWorkspace* workspace_;
  QActionGroup* tabGroup_;
  QList<QAction*> tabActions_;
  // Per tab, in tab order: its flag and the page it shows.
  QList<QPair<int, int>> entries_;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(ImageView::ViewTabs)
