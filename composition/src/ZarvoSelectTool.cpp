#include "composition/ZarvoSelectTool.h"

#include <QAction>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QWidget>

#include "composition/CompositionResources.h"
#include "composition/CutoutController.h"

ZarvoSelectTool::ZarvoSelectTool(ZarvoWidget* view, QActionGroup* group, QWidget* menu,
                                 ToolOptions* options)
    : GmTool(QStringLiteral("Select Tool"), tr("Select Tool"),
             compositionIcon(QStringLiteral(":images/tool_select.png")), QStringLiteral("E"),
             tr("<p>TODO.</p>"), group, nullptr, menu, options),
      bringToFront_(new QAction(tr("Bring to front"), this)),
      moveToBack_(new QAction(tr("Move to back"), this)),
      moveForward_(new QAction(tr("Move forward"), this)),
      moveBackward_(new QAction(tr("Move backward"), this)),
      delete_(new QAction(tr("Delete"), this)),
      clone_(new QAction(tr("Clone"), this)),
      view_(view) {
  if (GmAction* tool = action())
    tool->setToolTip(tr("Select and manipulate the cutout") + QStringLiteral(" (") +
                     tool->shortcut().toString(QKeySequence::PortableText) + QStringLiteral(")"));
  connect(bringToFront_, &QAction::triggered, this, &ZarvoSelectTool::bringCutOutToFront);
  connect(moveToBack_, &QAction::triggered, this, &ZarvoSelectTool::moveCutOutToBack);
  connect(moveForward_, &QAction::triggered, this, &ZarvoSelectTool::moveCutOutForward);
  connect(moveBackward_, &QAction::triggered, this, &ZarvoSelectTool::moveCutOutBack);
  connect(delete_, &QAction::triggered, this, &ZarvoSelectTool::deleteCutOut);
  connect(clone_, &QAction::triggered, this, &ZarvoSelectTool::cloneCutOut);
  if (CutoutController* controller = CutoutController::instance())
    connect(controller, &CutoutController::selectedCutoutInstanceItemChanged, this,
            &ZarvoSelectTool::selectedCutoutInstanceItemChanged);
  selectedCutoutInstanceItemChanged();
  setOptionPage(createOptionsWidget());
}

ImageView::ViewTabs ZarvoSelectTool::viewTabs() const {
  return ImageView::ComposePicture;
}

int ZarvoSelectTool::defaultViewTab() const {
  return ImageView::ComposePicture;
}

QWidget* ZarvoSelectTool::createOptionsWidget() {
  auto* page = new QWidget;
  auto* layout = new QHBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addStretch(1);
  return page;
}

void ZarvoSelectTool::activate(GmTool*) {
  CutoutController::setEditingAndRefresh(true);
  selectedCutoutInstanceItemChanged();
}

void ZarvoSelectTool::deactivate(GmTool*) {
  CutoutController::setEditingAndRefresh(false);
}

void ZarvoSelectTool::selectedCutoutInstanceItemChanged() {
  CutoutController* controller = CutoutController::instance();
  const bool selected = controller && controller->selectedInstance();
  // "Move forward" and "Move backward" stay enabled: with nothing selected they do nothing.
  for (QAction* action : {bringToFront_, moveToBack_, delete_, clone_})
    action->setEnabled(selected);
}

void ZarvoSelectTool::bringCutOutToFront() {
  if (CutoutController* controller = CutoutController::instance()) controller->bringCutOutToFront();
}

void ZarvoSelectTool::moveCutOutToBack() {
  if (CutoutController* controller = CutoutController::instance()) controller->moveCutOutToBack();
}

void ZarvoSelectTool::moveCutOutForward() {
  if (CutoutController* controller = CutoutController::instance()) controller->moveCutOutForward();
}

void ZarvoSelectTool::moveCutOutBack() {
  if (CutoutController* controller = CutoutController::instance()) controller->moveCutOutBack();
}

void ZarvoSelectTool::deleteCutOut() {
  if (CutoutController* controller = CutoutController::instance()) controller->deleteCutOut();
}

void ZarvoSelectTool::cloneCutOut() {
  if (CutoutController* controller = CutoutController::instance()) controller->cloneCutOut();
}
