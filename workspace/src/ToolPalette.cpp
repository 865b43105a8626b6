#include "workspace/ToolPalette.h"

#include <QDataStream>
#include <QDesktopServices>
#include <QIODevice>
#include <QLayout>
#include <QUrl>

namespace {

constexpr int streamVersion = 7;
// A point as two 32-bit integers, then two flag bytes.
constexpr int stateSize = 10;

}  // namespace

ToolPalette::ToolPalette(const QString& title, QWidget* parent) : QDockWidget(title, parent) {
  setObjectName(QStringLiteral("ToolPalette"));
  connect(this, &QDockWidget::topLevelChanged, this, &ToolPalette::slotTopLevelChanged);
}

void ToolPalette::invokeHeaderLink() {
  if (!headerLink_.isEmpty()) QDesktopServices::openUrl(QUrl(headerLink_));
}

void ToolPalette::slotTopLevelChanged(bool topLevel) {
  if (!layout()) return;
  if (topLevel) {
    layout()->setSizeConstraint(QLayout::SetFixedSize);
  } else {
    layout()->setSizeConstraint(QLayout::SetNoConstraint);
    floatingPosition_ = pos();
  }
}

void ToolPalette::tabToggle(bool hide) {
  hiddenByTab_ = hide;
  QWidget* owner = parentWidget();
  if (hide) {
    wasVisible_ = owner ? isVisibleTo(owner) : isVisible();
    if (wasVisible_) QDockWidget::hide();
  } else if (wasVisible_ && !isVisible()) {
    show();
  }
}

QByteArray ToolPalette::saveState() {
  if (isFloating()) floatingPosition_ = pos();
  // Visible to its main window: a window being closed may already be hidden when it saves.
  if (!hiddenByTab_) wasVisible_ = parentWidget() ? isVisibleTo(parentWidget()) : isVisible();
  QByteArray state;
  QDataStream out(&state, QIODevice::WriteOnly);
  out.setVersion(streamVersion);
  out << floatingPosition_ << quint8(wasVisible_) << quint8(0);
  return state;
}

bool ToolPalette::restoreState(const QByteArray& state) {
  if (state.size() != stateSize) return false;
  QDataStream in(state);
  in.setVersion(streamVersion);
  QPoint position;
  quint8 visible = 0, further = 0;
  in >> position >> visible >> further;
  if (in.status() != QDataStream::Ok || visible > 1 || further > 1) return false;
  floatingPosition_ = position;
  wasVisible_ = visible;
  further_ = further;
  if (isFloating()) move(position);
  if (!hiddenByTab_) setVisible(visible != 0);
  return true;
}
