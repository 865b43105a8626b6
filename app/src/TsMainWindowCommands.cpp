// TsMainWindow: what the window shows of the engine's commands, the title, and the document's
// image coming and going.

#include <QAction>
#include <QFileInfo>
#include <QProgressBar>
#include <QStatusBar>

#include "app/AppDialogs.h"
#include "app/AppIdentity.h"
#include "app/TsMainWindow.h"
#include "document/CorvaneCommand.h"
#include "document/CorvaneThread.h"
#include "document/CvCmdRedo.h"
#include "document/CvCmdUndo.h"
#include "document/GmModel.h"
#include "document/TsSourceImage.h"
#include "workspace/CutoutTools.h"
#include "workspace/DeleteLocalTool.h"
#include "workspace/NoTool.h"

void TsMainWindow::connectEngineThread() {
  CorvaneThread* thread = engineThread_;
  connect(thread, &CorvaneThread::commandStarted, this, &TsMainWindow::commandStartedSlot);
  connect(thread, &CorvaneThread::commandFinished, this, &TsMainWindow::commandFinishedSlot);
  connect(thread, &CorvaneThread::commandCancelling, this, &TsMainWindow::commandCancellingSlot);
  connect(thread, &CorvaneThread::commandDiscarded, this, &TsMainWindow::commandDiscardedSlot);
  connect(thread, &CorvaneThread::commandProgress, this,
          [this](int percent, void*) { commandProgressSlot(percent); });
  connect(thread, &CorvaneThread::stateChanged, this, &TsMainWindow::updateCancelEnabledness);
  connect(thread, &CorvaneThread::stateChanged, this, &TsMainWindow::installAwaitedBrush);
  connect(thread, &CorvaneThread::deadLibrary, this, &TsMainWindow::internalErrorSlot);
  connect(thread, &CorvaneThread::submissionRejectedLibraryDead, this,
          &TsMainWindow::submissionRejectedOnDeadLibSlot);
}

void TsMainWindow::commandStartedSlot(CorvaneCommand* command) {
  const QString& description = command->description();
  progressBar_->setToolTip(description);
  progressBar_->setTextVisible(true);
  statusBar()->showMessage(description);
}

void TsMainWindow::commandProgressSlot(int percent) {
  progressBar_->setValue(percent);
}

void TsMainWindow::commandFinishedSlot(CorvaneCommand*) {
  progressBar_->setValue(0);
  progressBar_->setTextVisible(false);
  statusBar()->clearMessage();
  progressBar_->setToolTip(QString());
}

void TsMainWindow::commandDiscardedSlot(CorvaneCommand*) {
  progressBar_->setValue(0);
  progressBar_->setTextVisible(false);
  progressBar_->setToolTip(QString());
}

void TsMainWindow::commandCancellingSlot(CorvaneCommand*) {
  statusBar()->showMessage(tr("Canceling...", "[all]"));
}

void TsMainWindow::submissionRejectedOnDeadLibSlot(CorvaneCommand*) {
  statusBar()->showMessage(tr("Please save project and exit", "[all]"));
}

void TsMainWindow::internalErrorSlot(QString commandDescription, QString error) {
  appDialogs().message(AppDialogs::simple(
      this, QMessageBox::Critical, tr("Internal Error", "[all]"),
      tr("<p>%1 has detected an internal error:</p><p><center>%2</center></p><p>while performing "
         "the operation:</p><p><center>%3</center></p>",
         "[all]%1 - product name, %2 - error message (of internal error), %3 - command "
         "description")
          .arg(productName(), error, commandDescription)));
}

// The window offers no cancel action: nothing to update.
void TsMainWindow::updateCancelEnabledness() {}

void TsMainWindow::undoSlot() {
  imageView_->ensureViewTab(ImageView::DeleteBackground, ImageView::DeleteBackground);
  if (engineThread_) engineThread_->submit(new CvCmdUndo(GmModel::instance()));
}

void TsMainWindow::redoSlot() {
  imageView_->ensureViewTab(ImageView::DeleteBackground, ImageView::DeleteBackground);
  if (engineThread_) engineThread_->submit(new CvCmdRedo(GmModel::instance()));
}

void TsMainWindow::actionNotImplementedSlot() {
  const auto* action = qobject_cast<const QAction*>(sender());
  statusBar()->showMessage(
      QStringLiteral("Action \"%1\" not yet implemented").arg(action ? action->text() : QString()),
      5000);
}

void TsMainWindow::setWindowTitleSlot() {
  QString title = productName();
  if (TsSourceImage* image = GmModel::instance()->segImage()) {
    title += QStringLiteral(": %1").arg(QFileInfo(image->fileName()).fileName());
    image->updateDisplayImage();
    const QImage& display = image->displayImage();
    title += QStringLiteral(" (%1 x %2)").arg(display.width()).arg(display.height());
    if (imageView_) title += QStringLiteral(" @ %1%").arg(imageView_->zoom() * 100.0, 0, 'f', 1);
  }
  setWindowTitle(title);
}

void TsMainWindow::imageChangedSlot(const TsSourceImage* image) {
  if (image) {
    showWelcomeTip();
  } else if (tools_ && GmTool::current() != tools_->noTool()) {
    tools_->noTool()->installSlot();
  }
  updateActionEnabledness(image);
}

void TsMainWindow::imageAnalysisHasBegunSlot() {
  if (!tools_ || GmTool::current() != tools_->noTool()) return;
  imageView_->ensureViewTab(ImageView::DeleteBackground, ImageView::DeleteBackground);
  // So the user can paint as soon as the analysis starts. The local brush floods analysis
  // regions, so it is usable once the first analysis is in: until then it waits.
  DeleteLocalTool* brush = tools_->deleteLocalTool();
  brushAwaitsAnalysis_ = !brush->isUsable();
  if (!brushAwaitsAnalysis_) brush->installSlot();
}

void TsMainWindow::installAwaitedBrush() {
  if (!brushAwaitsAnalysis_ || !tools_) return;
  if (!GmModel::instance()->segImage() || GmTool::current() != tools_->noTool()) {
    brushAwaitsAnalysis_ = false;
    return;
  }
  DeleteLocalTool* brush = tools_->deleteLocalTool();
  if (!brush->isUsable()) return;
  brushAwaitsAnalysis_ = false;
  brush->installSlot();
}
