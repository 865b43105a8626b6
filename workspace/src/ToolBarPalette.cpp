#include "workspace/ToolBarPalette.h"

#include <vector>

#include <QAction>
#include <QHash>
#include <QLabel>
#include <QPointer>
#include <QWidgetAction>

#include "workspace/GmAction.h"
#include "workspace/GmTool.h"

struct ToolBarPalette::Entry {
  QPointer<GmTool> tool;  // null for a plain action or widget entry
  QPointer<QAction> action;
  int mask = 0;
  QString caption;
  QPointer<QAction> captionAction;
  bool separatorBefore = false;

  QAction* entryAction() const {
    return tool ? static_cast<QAction*>(tool->action()) : action.data();
  }
  int viewTabs() const { return tool ? int(tool->viewTabs()) : mask; }
  // The action whose destruction or removal ends the entry; compared, never followed.
  const QObject* key = nullptr;
};

struct ToolBarPalette::Private {
  std::vector<std::unique_ptr<Entry>> entries;
  int currentTab = 0;
  QHash<int, Entry*> lastTool;
  // Separators this palette made; deleted when the bar is cleared.
  QList<QAction*> separators;
};

ToolBarPalette::ToolBarPalette(QWidget* parent)
    : QToolBar(parent), d_(std::make_unique<Private>()) {}

ToolBarPalette::~ToolBarPalette() {
  // The palette's own actions die with the bar, after the entries.
  for (const auto& entry : d_->entries)
    if (QAction* action = entry->entryAction()) disconnect(action, nullptr, this, nullptr);
}

int ToolBarPalette::currentViewTab() const {
  return d_->currentTab;
}

GmTool* ToolBarPalette::rememberedTool(int tab) const {
  Entry* entry = d_->lastTool.value(tab);
  return entry ? entry->tool.data() : nullptr;
}

void ToolBarPalette::addTool(GmTool* tool, const QString& caption) {
  if (!tool || !tool->action()) return;
  auto entry = std::make_unique<Entry>();
  entry->tool = tool;
  entry->caption = caption;
  registerEntry(std::move(entry));
}

void ToolBarPalette::addActionEntry(QAction* action, int viewTabMask, const QString& caption) {
  if (!action) return;
  auto entry = std::make_unique<Entry>();
  entry->action = action;
  entry->mask = viewTabMask;
  entry->caption = caption;
  registerEntry(std::move(entry));
}

void ToolBarPalette::addWidgetEntry(QWidget* widget, int viewTabMask, const QString& caption,
                                    bool separatorBefore) {
  if (!widget) return;
  auto* action = new QWidgetAction(this);
  action->setDefaultWidget(widget);
  auto entry = std::make_unique<Entry>();
  entry->action = action;
  entry->mask = viewTabMask;
  entry->caption = caption;
  entry->separatorBefore = separatorBefore;
  registerEntry(std::move(entry));
}

void ToolBarPalette::registerEntry(std::unique_ptr<Entry> entry) {
  QAction* action = entry->entryAction();
  entry->key = action;
  connect(action, &QObject::destroyed, this, &ToolBarPalette::actionDestroyed);
  if (entry->viewTabs() & d_->currentTab) showEntry(*entry);
  d_->entries.push_back(std::move(entry));
}

void ToolBarPalette::showEntry(Entry& entry) {
  if (d_->currentTab == ImageView::DeleteBackground && !entry.caption.isEmpty()) {
    if (!actions().isEmpty()) d_->separators.append(addSeparator());
    if (!entry.captionAction) {
      auto* label = new QLabel(entry.caption);
      label->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
      label->show();
      entry.captionAction = addWidget(label);
    } else {
      addAction(entry.captionAction);
    }
  }
  QAction* action = entry.entryAction();
  if (!action) return;
  addAction(action);
  if (entry.separatorBefore) d_->separators.append(insertSeparator(action));
}

void ToolBarPalette::viewChanged(ImageView::ViewTab tab) {
  // What was in use where we leave.
  if (d_->currentTab != 0) {
    GmTool* current = GmTool::current();
    Entry* used = nullptr;
    if (current && current != GmTool::defaultTool())
      for (const auto& entry : d_->entries)
        if (entry->tool == current) used = entry.get();
    if (used)
      d_->lastTool.insert(d_->currentTab, used);
    else
      d_->lastTool.remove(d_->currentTab);
  }
  d_->currentTab = tab;
  Entry* candidate = d_->lastTool.value(tab);
  if (candidate && !(candidate->viewTabs() & tab)) candidate = nullptr;

  clear();
  qDeleteAll(d_->separators);
  d_->separators.clear();
  for (const auto& entry : d_->entries) {
    if (!(entry->viewTabs() & tab)) continue;
    showEntry(*entry);
    // Only tools are candidates: a plain action here could be "Undo" or "Export".
    if (!candidate && entry->tool && entry->entryAction() && entry->entryAction()->isEnabled())
      candidate = entry.get();
  }
  if (candidate && candidate->tool) {
    // Triggered even when current; one that cannot be used falls back through the host.
    GmTool* tool = candidate->tool;
    if (tool->isUsable() && tool->action()) {
      tool->setEnabledSlot();
      tool->action()->trigger();
    } else {
      tool->installSlot();
    }
    return;
  }
  GmTool* current = GmTool::current();
  if (!current || (current->viewTabs() & tab)) return;
  if (GmTool* fallback = GmTool::defaultTool()) fallback->installSlot();
}

void ToolBarPalette::updateView() {
  viewChanged(ImageView::ViewTab(d_->currentTab));
}

void ToolBarPalette::removeAction(QAction* action) {
  QToolBar::removeAction(action);
  forget(action);
}

void ToolBarPalette::actionDestroyed(QObject* action) {
  forget(action);
}

void ToolBarPalette::forget(QObject* action) {
  for (auto it = d_->entries.begin(); it != d_->entries.end(); ++it) {
    if ((*it)->key != action) continue;
    Entry* entry = it->get();
    for (auto memory = d_->lastTool.begin(); memory != d_->lastTool.end();) {
      if (memory.value() == entry)
        memory = d_->lastTool.erase(memory);
      else
        ++memory;
    }
    d_->entries.erase(it);
    return;
  }
}
