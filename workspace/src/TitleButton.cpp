#include "workspace/TitleButton.h"

#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QStyleOptionToolButton>

TitleButton::TitleButton(QWidget* parent) : QAbstractButton(parent) {}

QSize TitleButton::sizeHint() const {
  ensurePolished();
  const int side = style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, this);
  const int margin =
      2 * style()->pixelMetric(QStyle::PM_DockWidgetTitleBarButtonMargin, nullptr, this);
  return icon().actualSize(QSize(side, side)) + QSize(margin, margin);
}

QSize TitleButton::minimumSizeHint() const {
  return sizeHint();
}

void TitleButton::enterEvent(QEvent* event) {
  if (isEnabled()) update();
  QAbstractButton::enterEvent(event);
}

void TitleButton::leaveEvent(QEvent* event) {
  if (isEnabled()) update();
  QAbstractButton::leaveEvent(event);
}

void TitleButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const bool hovered = isEnabled() && underMouse();
  if (hovered) {
    QStyleOptionToolButton option;
    option.initFrom(this);
    option.state |= QStyle::State_AutoRaise;
    option.state |= isDown() ? QStyle::State_Sunken : QStyle::State_Raised;
    style()->drawPrimitive(QStyle::PE_PanelButtonTool, &option, &painter, this);
  }
  const int side = style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, this);
  const QIcon::Mode mode = !isEnabled() ? QIcon::Disabled : hovered ? QIcon::Active : QIcon::Normal;
  const QPixmap pixmap = icon().pixmap(QSize(side, side), mode, isDown() ? QIcon::On : QIcon::Off);
  const QSizeF size = QSizeF(pixmap.size()) / pixmap.devicePixelRatioF();
  painter.drawPixmap(QPointF((width() - size.width()) / 2, (height() - size.height()) / 2), pixmap);
}
