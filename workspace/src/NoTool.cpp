#include "workspace/NoTool.h"

#include <QLabel>

NoTool::NoTool(ToolOptions* options)
    : GmTool(QStringLiteral("No Tool"), tr("No Tool"), QIcon(), QString(), QString(), nullptr,
             nullptr, nullptr, options) {
  becomeDefaultTool();
  setOptionPage(new QLabel(QString()));
  setEnabledSlot();
}

ImageView::ViewTabs NoTool::viewTabs() const {
  return ImageView::ViewTabs(127);
}

void NoTool::activate(GmTool*) {
  clearGesture();
}

void NoTool::deactivate(GmTool*) {
  clearGesture();
}
