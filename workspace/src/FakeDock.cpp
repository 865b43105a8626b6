#include "workspace/FakeDock.h"

#include <algorithm>
#include <climits>

#include <QEvent>
#include <QSplitter>
#include <QVBoxLayout>

#include "workspace/GmSubWindow.h"

FakeDock::FakeDock(QWidget* parent) : QWidget(parent), layout_(new QVBoxLayout(this)) {
  layout_->setContentsMargins(0, 0, 0, 0);
  layout_->addStretch();
}

void FakeDock::addSubWindow(GmSubWindow* window) {
  if (!window || layout_->indexOf(window) >= 0) return;
  layout_->insertWidget(layout_->count() - 1, window, window->resizable() ? 10000 : 0);
  connect(window, &GmSubWindow::visibilityChanged, this, &FakeDock::childVisibilityChanged);
  window->installEventFilter(this);
  if (isHidden() && anyShown()) childVisibilityChanged();
}

void FakeDock::removeSubWindow(GmSubWindow* window) {
  if (!window || layout_->indexOf(window) < 0) return;
  layout_->removeWidget(window);
  disconnect(window, &GmSubWindow::visibilityChanged, this, &FakeDock::childVisibilityChanged);
  window->removeEventFilter(this);
  if (layout_->count() == 1 && !isHidden()) hide();
}

bool FakeDock::anyShown() const {
  for (GmSubWindow* child : findChildren<GmSubWindow*>(QString(), Qt::FindDirectChildrenOnly))
    if (!child->isWindow() && !child->isHidden()) return true;
  return false;
}

void FakeDock::childVisibilityChanged() {
  // Showing the dock shows its windows to it, which calls here again: the outer call measures.
  if (showing_ || !anyShown()) return;
  auto* splitter = qobject_cast<QSplitter*>(parentWidget());
  if (isHidden()) {
    showing_ = true;
    show();
    showing_ = false;
    // The splitter gives a pane shown again the width it had at its next layout; until then the
    // dock is 0 wide and would be pinned to its windows' minimum.
    if (splitter) splitter->refresh();
  }
  int extra = INT_MIN;
  for (GmSubWindow* child : findChildren<GmSubWindow*>(QString(), Qt::FindDirectChildrenOnly))
    if (!child->isWindow() && !child->isHidden())
      extra = std::max(extra, child->minimumSizeHint().width() - width());
  if (extra <= 0 || !splitter || splitter->orientation() != Qt::Horizontal ||
      splitter->count() < 2 || splitter->widget(1) != this)
    return;
  // The first pane keeps at least its own minimum.
  QWidget* first = splitter->widget(0);
  QList<int> sizes = splitter->sizes();
  const int floor = std::max(first->minimumWidth(), first->minimumSizeHint().width());
  const int take = std::min(extra, std::max(0, sizes.at(0) - floor));
  if (take <= 0) return;
  sizes[0] -= take;
  sizes[1] += take;
  splitter->setSizes(sizes);
}

bool FakeDock::eventFilter(QObject* watched, QEvent* event) {
  if (qobject_cast<GmSubWindow*>(watched)) {
    if (event->type() == QEvent::ShowToParent)
      childVisibilityChanged();
    else if (event->type() == QEvent::HideToParent && !anyShown() && !isHidden())
      hide();
  }
  return QWidget::eventFilter(watched, event);
}
