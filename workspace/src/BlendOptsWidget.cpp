#include "workspace/BlendOptsWidget.h"

#include <QPainter>
#include <QStyleOption>

#include "workspace/WorkspaceHost.h"

BlendOptsWidget::BlendOptsWidget(bool persist, QWidget* parent)
    : QWidget(parent), persist_(persist) {}

bool BlendOptsWidget::savesControls() const {
  return persist_ && workspaceHost().persistOptions();
}

void BlendOptsWidget::paintEvent(QPaintEvent*) {
  QStyleOption option;
  option.initFrom(this);
  QPainter painter(this);
  style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}
