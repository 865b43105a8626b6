#pragma once

#include "workspace/GmTool.h"

class QAction;
class ZarvoWidget;

// "Select Tool": while it is current the cut-out instances are selectable, and the selected
// one is movable with its handles (the scene and the items do the work). Offers six stacking
// and editing actions on the selected instance, each calling the cut-out controller's
// operation of the same name: as buttons on its option page, in a context menu over an
// instance of the composition view, and "Delete" on the Delete key while the tool is current.
// GUI thread only.
class ZarvoSelectTool : public GmTool {
  Q_OBJECT

 public:
  // `view` is the composition view (borrowed, may be null).
  explicit ZarvoSelectTool(ZarvoWidget* view, QActionGroup* group = nullptr,
                           QWidget* menu = nullptr, ToolOptions* options = nullptr);

  ImageView::ViewTabs viewTabs() const override;
  int defaultViewTab() const override;
  void activate(GmTool* previous) override;
  void deactivate(GmTool* next) override;
  // A row of buttons for the six actions.
  virtual QWidget* createOptionsWidget();

  // Owned by the tool: "Bring to front", "Move to back", "Move forward", "Move backward",
  // "Delete", "Clone".
  QAction* bringToFrontAction() const { return bringToFront_; }
  QAction* moveToBackAction() const { return moveToBack_; }
  QAction* moveForwardAction() const { return moveForward_; }
  QAction* moveBackwardAction() const { return moveBackward_; }
  QAction* deleteAction() const { return delete_; }
  QAction* cloneAction() const { return clone_; }
  ZarvoWidget* view() const { return view_; }
  // The six actions in the order they are offered: stacking, then editing; null separates.
  QList<QAction*> offeredActions() const;

 protected:
  // A right-click over an instance while this tool is current selects it and offers the
  // actions in a menu.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private slots:
  void bringCutOutToFront();
  void moveCutOutToBack();
  void moveCutOutForward();
  void moveCutOutBack();
  void deleteCutOut();
  void cloneCutOut();
  // Actions that need a selected instance follow the controller's selection.
  void selectedCutoutInstanceItemChanged();

 private:
  QAction* bringToFront_;
  QAction* moveToBack_;
  QAction* moveForward_;
  QAction* moveBackward_;
  QAction* delete_;
  QAction* clone_;
  ZarvoWidget* view_;
};
