#include "workspace/EdgeBlendingTool.h"

#include <QFrame>
#include <QHBoxLayout>

#include "workspace/WidgetFunctions.h"
#include "workspace/WorkspaceResources.h"

EdgeBlendingTool::EdgeBlendingTool(QActionGroup* group, ToolOptions* options)
    : GmTool(QStringLiteral("Edge Blending Options"), tr("Edge Blending Options"),
             resourceIcon(QStringLiteral(":zarvo/tool_edge_blending.png")), tr("O"),
             tr("<p>Use to change the width and type of edge blending.</p>") +
                 learnMoreTip(QStringLiteral("deleting_backgrounds/edge_blending.htm")),
             group, nullptr, nullptr, options) {
  setOptionPage(createOptionsPage());
  connect(this, &EdgeBlendingTool::setAutoBlueWidthToChoiceSignal, panel_.get(),
          &CommonBlendOptsWidget::setAutoBlueWidthToChoice);
  connect(this, &EdgeBlendingTool::setBinaryBlendRatioSignal, panel_.get(),
          &CommonBlendOptsWidget::setBinaryBlendRatio);
}

EdgeBlendingTool::~EdgeBlendingTool() {
  panel_.reset();
}

QWidget* EdgeBlendingTool::createOptionsPage() {
  if (!panel_) panel_ = std::make_unique<CommonBlendOptsWidget>(true);
  auto* page = new QWidget;
  page->setObjectName(QStringLiteral("Edge Blending Tool Options"));
  auto* layout = new QHBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  if (QWidget* row = panel_->blendWidthRow()) layout->addWidget(row);
  layout->addWidget(createSeparatorLine());
  if (QWidget* row = panel_->ratioRow()) layout->addWidget(row);
  layout->addStretch(1);
  return page;
}
