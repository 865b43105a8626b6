#include "workspace/ComplexExactTool.h"

#include "Corvane.h"
#include "document/UserColours.h"
#include "workspace/WidgetFunctions.h"
#include "workspace/WorkspaceResources.h"

ComplexExactTool::ComplexExactTool(QActionGroup* group, QWidget* menu, ToolOptions* options)
    : SelectTool(
          QStringLiteral("Blend Exact Brush"), tr("Blend Exact Brush", "[ts3]"),
          resourceIcon(QStringLiteral(":images/tool_complex_exact.png")), QString(),
          tr("<p>Paints <b>Blend</b> over a precise area. Blend lies between those areas you want "
             "to "
             "keep and those you wish to delete.</p><p>See the affect of painting <b>Blend</b> in "
             "the <b>Vuvidarir Viewer.</b></p><p>Paint <b>Blend</b> where the object and its "
             "background mix, as in hair, fur or soft edges: there every pixel gets its own share "
             "of the object.</p>",
             "[tip]") +
              learnMoreTip(brushHelpPage()),
          CvStatusBlend, false, group, nullptr, menu, options) {}

QColor ComplexExactTool::cursorColour() const {
  return UserColours::instance()->colour(UserColours::BlendMask)->color();
}
