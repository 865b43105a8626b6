#include "workspace/ColourWorkspaceSelectTool.h"

#include <cmath>

#include <QMouseEvent>

#include "document/GmModel.h"
#include "workspace/WidgetFunctions.h"
#include "workspace/WorkspaceResources.h"

ColourWorkspaceSelectTool::ColourWorkspaceSelectTool(QActionGroup* group, QWidget* menu,
                                                     ToolOptions* options)
    : GmTool(QStringLiteral("Colour Pick Tool"), tr("Pick Colors"),
             resourceIcon(QStringLiteral(":images/tool_colour_pick.png")), QString(), QString(),
             group, nullptr, menu, options) {
  setWhatsThisText(
      tr("<p>Click on the image to highlight every pixel of the color under the pointer. Hold "
         "<b>Shift</b> to add a color, <b>Alt</b> to take one away. The Color Workspace then "
         "gives every highlighted pixel a new status.</p>"));
  setOptionPage(nullptr);
  setEnabledSlot();
}

QCursor ColourWorkspaceSelectTool::cursor() const {
  return QCursor(Qt::CrossCursor);
}

void ColourWorkspaceSelectTool::mousePressEvent(QMouseEvent* event, const QPointF& point) {
  if (event->button() != Qt::LeftButton || colourImage_.isNull()) return;
  const int resolution = GmModel::instance()->resolution();
  const QPoint working(int(std::floor(point.x() / resolution)),
                       int(std::floor(point.y() / resolution)));
  if (!colourImage_.valid(working)) return;
  emit colourPicked(QColor::fromRgb(colourImage_.pixel(working)), event->modifiers());
}

void ColourWorkspaceSelectTool::activate(GmTool*) {
  clearGesture();
}

void ColourWorkspaceSelectTool::deactivate(GmTool*) {
  clearGesture();
}
