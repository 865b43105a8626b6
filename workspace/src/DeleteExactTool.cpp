#include "workspace/DeleteExactTool.h"

#include "Corvane.h"
#include "document/UserColours.h"
#include "workspace/WidgetFunctions.h"
#include "workspace/WorkspaceResources.h"

DeleteExactTool::DeleteExactTool(QActionGroup* group, QWidget* menu, ToolOptions* options)
    : SelectTool(
          QStringLiteral("Delete Exact Brush"), tr("Delete Exact Brush", "[ts3, zarvo]"),
          resourceIcon(QStringLiteral(":images/tool_delete_exact.png")), QString(),
          tr("<p>Paints <b>Delete</b> over a precise area. Where painted it will show as a red "
             "overlay "
             "on your image. See the affect of painting <b>Delete</b> in the <b>Vuvidarir "
             "Viewer.</b></p><p>A band of blue <b>Blend</b> is painted automatically at the edges "
             "of <b>Delete</b>; its width is set in the <b>Edge Blending</b> options.</p>",
             "[tip]") +
              learnMoreTip(brushHelpPage()),
          CvStatusDelete, false, group, nullptr, menu, options) {}

QColor DeleteExactTool::cursorColour() const {
  return UserColours::instance()->colour(UserColours::DeleteMask)->color();
}
