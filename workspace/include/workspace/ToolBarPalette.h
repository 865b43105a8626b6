#pragma once

#include <memory>

#include <QToolBar>

#include "workspace/ImageView.h"

class GmTool;
class QAction;

// The tool bar of the tools and actions registered for the current view tab, grouped under
// small captions in the "1. Delete Background" tab. It remembers the tool last used in each tab
// and reinstates it on the way back. GUI thread.
class ToolBarPalette : public QToolBar {
  Q_OBJECT

 public:
  explicit ToolBarPalette(QWidget* parent = nullptr);
  ~ToolBarPalette() override;

  // Registers `tool` under `caption` (may be empty); its tabs are asked each time.
  void addTool(GmTool* tool, const QString& caption);
  void addActionEntry(QAction* action, int viewTabMask, const QString& caption);
  // Wraps `widget` in an action of the palette's own.
  void addWidgetEntry(QWidget* widget, int viewTabMask, const QString& caption,
                      bool separatorBefore);

  // The tab shown; 0 before the first viewChanged.
  int currentViewTab() const;
  // The tool remembered for `tab`, or null.
  GmTool* rememberedTool(int tab) const;

 public slots:
  void viewChanged(ImageView::ViewTab tab);
  void removeAction(QAction* action);
  void updateView();
  void actionDestroyed(QObject* action);

 private:
  struct Entry;
  struct Private;

  void registerEntry(std::unique_ptr<Entry> entry);
  void showEntry(Entry& entry);
  void forget(QObject* action);

  std::unique_ptr<Private> d_;
};
