// TsMainWindow: keys, the context menu, the unsaved-changes question and closing.

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QGraphicsScene>
#include <QKeyEvent>
#include <QMenuBar>
#include <QStatusBar>
#include <QThread>
#include <QToolBar>

#include "app/AppDialogs.h"
#include "app/AppIdentity.h"
#include "app/FileHandler.h"
#include "app/Flogger.h"
#include "app/TsApp.h"
#include "app/TsMainWindow.h"
#include "composition/CompositionTools.h"
#include "composition/ZarvoObject.h"
#include "composition/ZarvoPanTool.h"
#include "composition/ZarvoWidget.h"
#include "document/CorvaneThread.h"
#include "document/GmModel.h"
#include "workspace/CutoutTools.h"
#include "workspace/GmTool.h"
#include "workspace/PanTool.h"

namespace {

bool engineWorking(const CorvaneThread* thread) {
  return thread && thread->hasWork();
}

}  // namespace

// ---- Keys

void TsMainWindow::keyPressEvent(QKeyEvent* event) {
  // Holding a key gives one press, not one per repeat.
  if (event->isAutoRepeat()) return;
  GmTool* current = GmTool::current();
  const bool control = event->modifiers() == Qt::ControlModifier;
  switch (event->key()) {
    case Qt::Key_Escape:
      if (current) current->escapePressed();
      break;
    case Qt::Key_Period:
      if (control && current) current->escapePressed();
      break;
    case Qt::Key_Space: {
      // Any modifier forgets the tool a pan would return to.
      panReturnTool_ = nullptr;
      if (event->modifiers() != Qt::NoModifier) break;
      PanTool* pan = tools_ ? tools_->panTool() : nullptr;
      if (pan && pan != current && pan->isUsable() && pan->isAvailableInCurrentTab()) {
        panReturnTool_ = current;
        pan->installSlot();
        break;
      }
      ZarvoPanTool* compositionPan = compositionTools_ ? compositionTools_->panTool() : nullptr;
      if (compositionPan && compositionPan != current && compositionPan->isUsable() &&
          compositionPan->isAvailableInCurrentTab()) {
        // A focused item (a text being typed) would take the space itself.
        if (QGraphicsScene* scene = compositionWidget_->scene()) scene->clearFocus();
        panReturnTool_ = current;
        compositionPan->installSlot();
      }
      break;
    }
    case Qt::Key_Backspace: {
      GmModel* model = GmModel::instance();
      if (GmRegion* active = model->activeRegion()) model->deleteRegion(active);
      break;
    }
    default:
      break;
  }
  if (GmTool* tool = GmTool::current()) tool->keyEvent(event);
}

void TsMainWindow::keyReleaseEvent(QKeyEvent* event) {
  if (event->isAutoRepeat()) return;
  if (event->key() == Qt::Key_Space && panReturnTool_) stopPanningSlot();
  if (GmTool* tool = GmTool::current()) tool->keyEvent(event);
}

void TsMainWindow::stopPanningSlot() {
  GmTool* current = GmTool::current();
  const bool panning = current && ((tools_ && current == tools_->panTool()) ||
                                   (compositionTools_ && current == compositionTools_->panTool()));
  if (panning) {
    GmTool* back = panReturnTool_;
    if (back && back->isUsable()) {
      if (back != current && back->action()) back->action()->trigger();
    } else {
      selectFallbackTool();
    }
  }
  panReturnTool_ = nullptr;
}

void TsMainWindow::escapeKeyPressedSlot(QKeyEvent* event) {
  keyPressEvent(event);
}

// The focus-time clean-up of a hosting application's windows has nothing to do here: the slots
// stay in the window's interface, connected to nothing.
void TsMainWindow::focusChangedSlot(QWidget*, QWidget*) {}

void TsMainWindow::hidePhotoshopWindowsSlot() {}

bool TsMainWindow::selectFallbackTool() {
  return GmTool::selectFallbackTool(panReturnTool_);
}

// ---- Context menu

void TsMainWindow::contextMenuEvent(QContextMenuEvent* event) {
  // A tool bar or the menu bar offers no menu of its own: the window's would only hide them.
  for (QWidget* widget = childAt(event->pos()); widget && widget != this;
       widget = widget->parentWidget()) {
    if (qobject_cast<QToolBar*>(widget) || qobject_cast<QMenuBar*>(widget)) {
      event->accept();
      return;
    }
  }
  QMainWindow::contextMenuEvent(event);
}

// ---- Closing

bool TsMainWindow::querySaveChanges(const QString& title) {
  TsApp* app = TsApp::instance();
  if (app) app->setHostExitCode(0);
  // "Save and Apply" has decided already: the result goes back whether or not anything changed.
  if (promptOnClose_ == 0) return true;
  const GmModel* model = GmModel::instance();
  bool cutoutChanged = !model->isUnmodified();
  if (cutoutChanged && isNormalRun()) {
    const int count = engineThread_ ? engineThread_->commandCount() : 0;
    cutoutChanged = count != fileHandler_->exportedCommandCount() &&
                    count != fileHandler_->projectCommandCount();
  }
  // A stroke still on its way shows in the undo counts only once it has finished; no export
  // can hold it yet.
  if (engineThread_ && engineThread_->editInFlight()) cutoutChanged = true;
  if (!cutoutChanged && !ZarvoObject::instance()->hasUnsavedChanges()) {
    if (app) app->setHostExitCode(2);
    return true;
  }
  AppDialogs::Message question;
  question.parent = this;
  question.icon = QMessageBox::Critical;
  question.title = title;
  question.text =
      tr("You have made modifications.\nDo you want to save your changes?", "[qor,zarvo]");
  question.buttons = QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel;
  question.defaultButton = QMessageBox::Save;
  switch (appDialogs().message(question).standard) {
    case QMessageBox::Save:
      return fileSaveSlot();
    case QMessageBox::Discard:
      if (app) app->setHostExitCode(1);
      return true;
    default:
      return false;
  }
}

void TsMainWindow::closeEvent(QCloseEvent* event) {
  CorvaneThread* thread = engineThread_;
  if (closingRequested_) {
    if (engineWorking(thread)) {
      flog() << "Closed several times";
      flogEndl();
      event->ignore();
      return;
    }
    finishClosing(event);
    return;
  }
  // Work the question starts (an export) must still reach the engine.
  if (thread && !thread->isOpen()) thread->setOpen(true);
  if (!querySaveChanges(tr("Unsaved changes", "[all]"))) {
    event->ignore();
    return;
  }
  statusBar()->showMessage(
      tr("Exiting %1 ...", "[all] %1 is the name of the product").arg(productName()));
  QApplication::setOverrideCursor(Qt::WaitCursor);
  overrideCursorSet_ = true;
  setEnabled(false);
  saveWindowState();
  GmModel::instance()->finish();
  if (thread) {
    thread->setOpen(false);
    if (thread->isRunning()) thread->setPriority(QThread::HighPriority);
  }
  if (engineWorking(thread)) {
    connect(thread, &CorvaneThread::closureComplete, this, &QWidget::close);
    closingRequested_ = true;
    event->ignore();
    return;
  }
  finishClosing(event);
}

void TsMainWindow::finishClosing(QCloseEvent* event) {
  if (overrideCursorSet_) {
    QApplication::restoreOverrideCursor();
    overrideCursorSet_ = false;
  }
  if (engineThread_) engineThread_->deleteLater();
  engineThread_ = nullptr;
  event->accept();
}
