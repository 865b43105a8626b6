#include "workspace/DeleteLocalTool.h"

#include "Corvane.h"
#include "document/UserColours.h"
#include "workspace/WidgetFunctions.h"
#include "workspace/WorkspaceResources.h"

DeleteLocalTool::DeleteLocalTool(QActionGroup* group, QWidget* menu, ToolOptions* options)
    : SelectTool(
          QStringLiteral("Delete Local Brush"), tr("Delete Local Brush", "[ts3, zarvo]"),
          resourceIcon(QStringLiteral(":images/tool_delete_local.png")), tr("Shift+D"),
          tr("<p>Flood-fills <b>Delete</b> up to the <b>Delete Edges</b>. Where painted it will "
             "show as "
             "a red overlay on your image.</p><p>See the affect of painting <b>Delete</b> in the "
             "<b>Vuvidarir Viewer.</b></p><p>A band of blue <b>Blend</b> is painted automatically "
             "at the edges of <b>Delete</b>; its width is set in the <b>Edge Blending</b> "
             "options.</p>",
             "[tip]") +
              learnMoreTip(brushHelpPage()),
          CvStatusDelete, true, group, nullptr, menu, options) {}

QColor DeleteLocalTool::cursorColour() const {
  return UserColours::instance()->colour(UserColours::DeleteMask)->color();
}
