#include "workspace/EraseExactTool.h"

#include "Corvane.h"
#include "workspace/WidgetFunctions.h"
#include "workspace/WorkspaceResources.h"

EraseExactTool::EraseExactTool(QActionGroup* group, QWidget* menu, ToolOptions* options)
    : SelectTool(
          QStringLiteral("Erase Exact Brush"), tr("Erase Exact Brush", "[ts3,zarvo]"),
          resourceIcon(QStringLiteral(":images/tool_erase_exact.png")), QString(),
          tr("<p>Paint over an area of <b>Delete or Blend</b> you want to erase to reveal the "
             "underlying image.</p><p>See the affect of using <b>Erase</b> in the <b>Vuvidarir "
             "Viewer.</b>",
             "[tip]") +
              learnMoreTip(brushHelpPage()),
          CvStatusKeep, false, group, nullptr, menu, options) {}

QColor EraseExactTool::cursorColour() const {
  return QColor(Qt::gray);
}
