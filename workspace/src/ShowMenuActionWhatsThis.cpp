#include "workspace/ShowMenuActionWhatsThis.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>

#include "workspace/TipWindow.h"

namespace {

ShowMenuActionWhatsThis* processInstance = nullptr;

void deleteProcessInstance() {
  delete processInstance;
  processInstance = nullptr;
}

}  // namespace

ShowMenuActionWhatsThis::ShowMenuActionWhatsThis(QObject* parent) : QTimer(parent) {
  connect(this, &QTimer::timeout, this, &ShowMenuActionWhatsThis::timeoutSlot);
}

ShowMenuActionWhatsThis* ShowMenuActionWhatsThis::instance() {
  return processInstance;
}

ShowMenuActionWhatsThis* ShowMenuActionWhatsThis::ensureInstance() {
  if (!processInstance) {
    processInstance = new ShowMenuActionWhatsThis;
    // Runs as the application object is destroyed, while it still exists.
    qAddPostRoutine(deleteProcessInstance);
  }
  return processInstance;
}

void ShowMenuActionWhatsThis::menuShown() {
  if (auto* menu = qobject_cast<QMenu*>(sender()))
    connect(menu, &QMenu::hovered, this, &ShowMenuActionWhatsThis::menuHovered,
            Qt::UniqueConnection);
}

void ShowMenuActionWhatsThis::menuHidden() {
  if (auto* menu = qobject_cast<QMenu*>(sender()))
    disconnect(menu, &QMenu::hovered, this, &ShowMenuActionWhatsThis::menuHovered);
  stop();
}

void ShowMenuActionWhatsThis::menuHovered(QAction* action) {
  if (action != action_) {
    menu_ = qobject_cast<QMenu*>(sender());
    action_ = action;
  }
  start(700);
}

void ShowMenuActionWhatsThis::timeoutSlot() {
  if (menu_ && action_) TipWindow::showActionTip(action_);
  stop();
  menu_ = nullptr;
  action_ = nullptr;
}
