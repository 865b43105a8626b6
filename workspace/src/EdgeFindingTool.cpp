#include "workspace/EdgeFindingTool.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QToolButton>

#include "workspace/WidgetFunctions.h"
#include "workspace/WorkspaceResources.h"

EdgeFindingTool::EdgeFindingTool(QActionGroup* group, ToolOptions* options)
    : GmTool(QStringLiteral("Edge Finding Options"), tr("Edge Finding Options"),
             resourceIcon(QStringLiteral(":zarvo/tool_edge_finding.png")), tr("F"),
             tr("<p>Increase or reduce the number of <b>Delete Edges</b> in the image.</p>") +
                 learnMoreTip(QStringLiteral("deleting_backgrounds/edge_finding.htm")),
             group, nullptr, nullptr, options) {
  setOptionPage(createOptionsPage());
}

EdgeFindingTool::~EdgeFindingTool() {
  panel_.reset();
}

QWidget* EdgeFindingTool::createOptionsPage() {
  if (!panel_) panel_ = std::make_unique<EdgeDetectionOptions>(true);
  auto* page = new QWidget;
  page->setObjectName(QStringLiteral("Edge Finding Tool Options"));
  auto* layout = new QHBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  if (QWidget* row = panel_->sensitivityRow()) layout->addWidget(row);
  layout->addWidget(createSeparatorLine());
  if (QWidget* row = panel_->widthRow()) layout->addWidget(row);
  layout->addWidget(createSeparatorLine());
  layout->addWidget(panel_->defaultsButton());
  layout->addStretch(1);
  return page;
}
