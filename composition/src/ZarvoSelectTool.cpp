#include "composition/ZarvoSelectTool.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QGraphicsScene>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QMenu>
#include <QToolButton>
#include <QWidget>

#include "composition/CompositionResources.h"
#include "composition/CutoutController.h"
#include "composition/CutoutInstanceItem.h"
#include "composition/ZarvoObject.h"
#include "composition/ZarvoWidget.h"
#include "workspace/WidgetFunctions.h"

namespace {

// The front-most instance under `scenePoint` (its visible pixels), or null.
CutoutInstanceItem* instanceAt(const QGraphicsScene* scene, const QPointF& scenePoint) {
  for (QGraphicsItem* item : scene->items(scenePoint)) {
    for (QGraphicsItem* at = item; at; at = at->parentItem())
      if (at->type() == CutoutInstanceItem::Type) return static_cast<CutoutInstanceItem*>(at);
  }
  return nullptr;
}

}  // namespace

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
  for (QAction* command :
       {bringToFront_, moveToBack_, moveForward_, moveBackward_, delete_, clone_})
    connect(command, &QAction::triggered, ZarvoObject::instance(), &ZarvoObject::noteUserChange);
  const struct {
    QAction* action;
    QString tip;
    QString help;
  } described[] = {
      {bringToFront_, tr("Bring the cut-out in front of all others"),
       tr("Puts the selected cut-out in front of every other cut-out on the canvas.")},
      {moveForward_, tr("Move the cut-out one step forward"),
       tr("Puts the selected cut-out in front of the next cut-out before it.")},
      {moveBackward_, tr("Move the cut-out one step backward"),
       tr("Puts the selected cut-out behind the next cut-out behind it.")},
      {moveToBack_, tr("Move the cut-out behind all others"),
       tr("Puts the selected cut-out behind every other cut-out on the canvas.")},
      {clone_, tr("Place a copy of the cut-out"),
       tr("Places a copy of the selected cut-out a little right of and below it, in front of "
          "all others; the copy is selected.")},
      {delete_, tr("Remove the cut-out from the picture"),
       tr("Removes the selected cut-out from the canvas.")},
  };
  for (const auto& entry : described) {
    entry.action->setToolTip(entry.tip);
    entry.action->setWhatsThis(QStringLiteral("<p><b>%1</b></p><p>%2</p>")
                                   .arg(entry.action->text().toHtmlEscaped(), entry.help));
  }
  delete_->setToolTip(delete_->toolTip() + QStringLiteral(" (") +
                      QKeySequence(Qt::Key_Delete).toString(QKeySequence::NativeText) +
                      QStringLiteral(")"));
  // The Delete key works while the composition view shows; activate() gives the key to the
  // action only while this tool is current, so it never deletes for another tool.
  if (view_) {
    for (QAction* action : offeredActions())
      if (action) view_->addAction(action);
    if (QWidget* viewport = view_->viewport()) viewport->installEventFilter(this);
  }
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

QList<QAction*> ZarvoSelectTool::offeredActions() const {
  return {bringToFront_, moveForward_, moveBackward_, moveToBack_, nullptr, clone_, delete_};
}

QWidget* ZarvoSelectTool::createOptionsWidget() {
  auto* page = new QWidget;
  auto* layout = new QHBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  for (QAction* action : offeredActions()) {
    if (!action) {
      layout->addWidget(createSeparatorLine());
      continue;
    }
    // The button follows its action: text, tips, enabledness.
    auto* button = new QToolButton;
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setDefaultAction(action);
    layout->addWidget(button);
  }
  layout->addStretch(1);
  return page;
}

void ZarvoSelectTool::activate(GmTool*) {
  delete_->setShortcut(QKeySequence(Qt::Key_Delete));
  CutoutController::setEditingAndRefresh(true);
  selectedCutoutInstanceItemChanged();
}

void ZarvoSelectTool::deactivate(GmTool*) {
  delete_->setShortcut(QKeySequence());
  CutoutController::setEditingAndRefresh(false);
}

bool ZarvoSelectTool::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::ContextMenu || current() != this || !view_ ||
      watched != view_->viewport() || !view_->scene())
    return GmTool::eventFilter(watched, event);
  auto* request = static_cast<QContextMenuEvent*>(event);
  CutoutInstanceItem* instance = instanceAt(view_->scene(), view_->mapToScene(request->pos()));
  // Elsewhere the window's own menu stays.
  if (!instance) return false;
  if (!instance->isSelected()) {
    view_->scene()->clearSelection();
    instance->setSelected(true);
  }
  auto* menu = new QMenu(view_);
  menu->setAttribute(Qt::WA_DeleteOnClose);
  for (QAction* action : offeredActions()) {
    if (action)
      menu->addAction(action);
    else
      menu->addSeparator();
  }
  menu->popup(request->globalPos());
  return true;
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
