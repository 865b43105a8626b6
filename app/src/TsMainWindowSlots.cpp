// TsMainWindow: the clean-up, save-and-apply and revert commands, the screen modes, the switch
// between the view tabs, images to open, the help and web links, and the welcome tip.

#include <algorithm>

#include <QAction>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTimer>
#include <QUrl>

#include "app/AboutBox.h"
#include "app/AppIdentity.h"
#include "app/DistributorInfo.h"
#include "app/FileHandler.h"
#include "app/Flogger.h"
#include "app/TsApp.h"
#include "app/TsMainWindow.h"
#include "composition/ZarvoWidget.h"
#include "document/CorvaneThread.h"
#include "document/CvCmdDespeckleSelection.h"
#include "document/CvCmdGenerateMask.h"
#include "document/CvCmdSelect.h"
#include "document/GmModel.h"
#include "document/GmRegion.h"
#include "document/RegionalProperties.h"
#include "document/SavedCutoutState.h"
#include "document/SegmentationStuff.h"
#include "workspace/CutoutTools.h"
#include "workspace/DeleteLocalTool.h"
#include "workspace/GmSubWindow.h"
#include "workspace/TipWindow.h"
#include "workspace/TsWorkspace.h"
#include "workspace/ViewOptions.h"
#include "workspace/ZoomViewOptionsWidget.h"

namespace {

// The delay of a view tab's second application.
constexpr int kTabReapplyMs = 333;

// `rect` moved, and shortened where it must be, to lie inside `area`.
QRect clampedInto(QRect rect, const QRect& area) {
  rect.setWidth(std::min(rect.width(), area.width()));
  rect.setHeight(std::min(rect.height(), area.height()));
  rect.moveLeft(std::clamp(rect.left(), area.left(), area.right() - rect.width() + 1));
  rect.moveTop(std::clamp(rect.top(), area.top(), area.bottom() - rect.height() + 1));
  return rect;
}

}  // namespace

bool TsMainWindow::fileSaveSlot() {
  return fileHandler_->fileSaveSlot();
}

bool TsMainWindow::fileSaveAsSlot() {
  return fileHandler_->fileSaveAsSlot();
}

// ---- Clean-ups, save and apply, revert

void TsMainWindow::submitClean(int statusMask) {
  if (engineThread_)
    engineThread_->submit(new CvCmdDespeckleSelection(GmModel::instance(), statusMask));
}

void TsMainWindow::cleanAllSlot() {
  submitClean(CvStatusKeep | CvStatusDelete | CvStatusBlend);
}

void TsMainWindow::cleanKeepSlot() {
  submitClean(CvStatusKeep);
}

void TsMainWindow::cleanDeleteSlot() {
  submitClean(CvStatusDelete);
}

void TsMainWindow::cleanComplexSlot() {
  submitClean(CvStatusBlend);
}

void TsMainWindow::cleanLastSelectionSlot() {
  submitClean(0);
}

void TsMainWindow::saveAndApplySlot() {
  imageView_->ensureViewTab(4, 4);
  promptOnClose_ = 0;
  // A cut-out older than the last command is made again before the close hands it back; the
  // close's own clean-up may not cancel it.
  if (engineThread_ && engineThread_->commandCount() != CvCmdGenerateMask::maskCommandCount())
    engineThread_->submit(new CvCmdGenerateMask(GmModel::instance()), CorvaneThread::Uncancellable);
  close();
}

void TsMainWindow::revertSlot() {
  imageView_->ensureViewTab(ImageView::DeleteBackground, ImageView::DeleteBackground);
  GmModel* model = GmModel::instance();
  if (engineThread_)
    engineThread_->submit(new CvCmdSelect(model, static_cast<GmRegion*>(nullptr),
                                          CvStatusKeep | CvStatusDelete | CvStatusBlend, 2));
  model->restoreOriginalImage();
  actions_.showEdges->setChecked(true);
}

void TsMainWindow::revertAllSlot() {
  GmModel* model = GmModel::instance();
  model->clearToolRectangle();
  model->withdrawArrowTargets();
  model->deleteAllArrowTargets();
  revertSlot();
}

void TsMainWindow::generateMaskSlot() {
  GmModel::instance()->generateMaskSlot();
}

// ---- Screen modes

void TsMainWindow::setScreenModeNormalSlot() {
  setScreenMode(0);
}

void TsMainWindow::setScreenModeFullWithMenuSlot() {
  setScreenMode(1);
}

void TsMainWindow::setScreenModeFullSlot() {
  setScreenMode(2);
}

void TsMainWindow::toggleScreenModeSlot() {
  setScreenMode((screenMode_ + 1) % 3);
}

void TsMainWindow::setScreenMode(int mode) {
  if (screenMode_ == 0 && mode != 0) rememberNormalState();
  const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
  const QRect area = screen ? screen->availableGeometry() : QRect();
  const Qt::WindowStates framing = Qt::WindowMaximized | Qt::WindowFullScreen;
  for (GmSubWindow* window : qAsConst(subWindows_)) window->setFloating(mode != 0);
  switch (mode) {
    case 0:
      menuBar()->show();
      setWindowFlags(Qt::Window);
      setWindowState(windowState() & ~framing);
      if (normalGeometry_.isValid())
        setGeometry(area.isValid() ? clampedInto(normalGeometry_, area) : normalGeometry_);
      if (maximized_) setWindowState(windowState() | Qt::WindowMaximized);
      break;
    case 1:
      menuBar()->show();
      setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
      setWindowState(windowState() & ~framing);
      if (area.isValid()) setGeometry(area);
      break;
    default:
      menuBar()->hide();
      setWindowFlags(Qt::Window);
      setWindowState((windowState() & ~Qt::WindowMaximized) | Qt::WindowFullScreen);
      break;
  }
  show();
  screenMode_ = mode;
  if (isVisible()) activateWindow();
}

// ---- View tabs

void TsMainWindow::viewTabChangedSlot(ImageView::ViewTab tab) {
  applyViewTab(tab);
  if (delayedTabChangePending_) {
    delayedTabChangePending_ = false;
    return;
  }
  delayedTabChangePending_ = true;
  // Applied once more once the tab's widgets have settled: the tab current by then, which a
  // quick second switch may have changed.
  ++tabReappliesScheduled_;
  QTimer::singleShot(kTabReapplyMs, this, [this] {
    --tabReappliesScheduled_;
    viewTabChangedSlot(ImageView::ViewTab(imageView_->currentViewTab()));
  });
}

void TsMainWindow::viewTabChangedToZarvoSlot() {
  viewTabChangedSlot(ImageView::ComposePicture);
}

void TsMainWindow::viewTabChangedToCutOutSlot() {
  viewTabChangedSlot(ImageView::DeleteBackground);
}

void TsMainWindow::applyViewTab(int tab) {
  const bool cutout = (tab & 7) != 0;
  for (QMenu* menu : {menus_.brush, menus_.view})
    if (menu) menu->menuAction()->setVisible(cutout);
  // The composition's own View menu only holds its tools' actions: it stays out of the bar on
  // every tab.
  if (viewOptions_) {
    viewOptions_->setVisible(cutout);
    viewOptions_->setEnabled(cutout);
  }
  // The zoom slider steers the cut-out canvas or the composition view; the final picture has
  // neither.
  if (zoomOptions_) zoomOptions_->setVisible(tab != ImageView::FinalImage);
  if (TsWorkspace* workspace = imageView_->workspace()) workspace->setEnabled(cutout);
  applyToolShortcuts(tab);
  if (cutout) selectFallbackTool();
}

// ---- Images to open

void TsMainWindow::loadImage(const QString& fileName) {
  const QString name = fileName.isEmpty() ? fileHandler_->askImageFilename(this) : fileName;
  if (!name.isEmpty()) fileHandler_->loadImage(name);
}

void TsMainWindow::loadImage() {
  loadImage(QString());
}

void TsMainWindow::loadNamedImage(const NamedImage& image) {
  // A hosted run hands the host back its own image: one received would be lost on the way.
  if (!isNormalRun()) {
    flog() << "A received image was not opened: a hosted run edits the host's image only ("
           << image.url().toString() << ")";
    flogEndl();
    return;
  }
  fileHandler_->loadImage(image, 1);
}

void TsMainWindow::receivedImageSlot(const NamedImage& image) {
  if (!isNormalRun()) {
    loadNamedImage(image);
    return;
  }
  if (!querySaveChanges(tr("Unsaved changes", "[all]"))) return;
  loadNamedImage(image);
  GmTool* brush = tools_->deleteLocalTool();
  if (GmTool::current() != brush) brush->installSlot();
}

// ---- A placed cut-out taken back for editing

SavedCutoutState* TsMainWindow::editedCutout() const {
  return editedCutout_;
}

void TsMainWindow::editCutoutItem(SavedCutoutState* savedState) {
  editedCutout_ = savedState;
  if (savedState && savedState->restore())
    imageView_->ensureViewTab(ImageView::DeleteBackground, ImageView::DeleteBackground);
}

void TsMainWindow::createCutoutItemDone() {
  CorvaneThread* thread = engineThread_;
  if (!thread) return;
  thread->cancelCommandsSlot();
  if (thread->hasWork()) {
    // Once per wait: a second pass before the queue drains must not finish the document twice.
    connect(thread, &CorvaneThread::queueEmptied, this, &TsMainWindow::createCutoutItemDone,
            Qt::UniqueConnection);
    return;
  }
  disconnect(thread, &CorvaneThread::queueEmptied, this, &TsMainWindow::createCutoutItemDone);
  editedCutout_ = nullptr;
  GmModel::instance()->finish();
  imageView_->ensureViewTab(ImageView::ComposePicture, ImageView::ComposePicture);
}

void TsMainWindow::createCutoutItemCancelled() {
  if (!querySaveChanges(tr("Unsaved changes", "[all]"))) return;
  editedCutout_ = nullptr;
  GmModel::instance()->finish();
  imageView_->ensureViewTab(ImageView::ComposePicture, ImageView::ComposePicture);
}

// ---- Help and links

void TsMainWindow::openUrl(const QString& address) {
  if (!address.isEmpty()) QDesktopServices::openUrl(QUrl(address));
}

QString TsMainWindow::distributorsPageUrl() {
  const QString id = DistributorInfo::id();
  return id.isEmpty() ? webSiteRoot() : QStringLiteral("%1/distributors/%2").arg(webSiteRoot(), id);
}

void TsMainWindow::homePageSlot() {
  openUrl(distributorsPageUrl());
}

void TsMainWindow::whyUpgradeURLSlot() {
  openUrl(webSiteUrl(QString()));
}

void TsMainWindow::buyUpgradeURLSlot() {
  openUrl(webSiteUrl(QString()));
}

void TsMainWindow::buyBackgroundsSlot() {
  openUrl(webSiteUrl(QString()));
}

void TsMainWindow::facebookCommunitySlot() {
  openUrl(QString());
}

void TsMainWindow::flickrCommunitySlot() {
  openUrl(QString());
}

void TsMainWindow::aboutSlot() {
  aboutBox(this);
}

void TsMainWindow::helpSlot() {
  const TsApp* app = TsApp::instance();
  const QString address = app ? app->onlineHelpUrl() : QString();
  if (!helpAddressLogged_) {
    helpAddressLogged_ = true;
    flog() << "Help is at hand: " << address;
    flogEndl();
  }
  openUrl(address);
}

void TsMainWindow::tutorialsSlot() {
  if (const TsApp* app = TsApp::instance()) openUrl(app->tutorialsUrl());
}

void TsMainWindow::showWelcomeTip() {
  TipWindow::setTipText(
      tr("<p>Welcome to <b>%1</b>&mdash;%2.</p><p><b>How to use the Tip Window?</b></p><p>Point "
         "at an area of interest in the interface and hold for a couple of seconds. In this "
         "<b>Tip</b> window you will find:</p><p><ul><li>A brief description of the "
         "area.</li><li>Details on how to use it.</li><li>Suggestions of what to consider doing "
         "next.</li><li>Link(s) to the manual for further reading.</li></ul></p>",
         "[tip]")
          .arg(productName(), editionTagline()));
}

// ---- Slots of commands this window does not offer

void TsMainWindow::updateShowEdgesSlot() {
  GmModel* model = GmModel::instance();
  if (model->activeRegion() && model->regionalProperties()->settings() && viewOptions_)
    viewOptions_->setShowVectorEdgesEnabled(model->segImage() &&
                                            model->regionalProperties()->edgesDisplayable());
  model->signalDirtyImageSlot();
}

void TsMainWindow::syncResolutionMenuSlot(int) {}

void TsMainWindow::syncResolutionComboSlot(QAction*) {}

void TsMainWindow::updateGenerateMaskEnablednessSlot() {}

void TsMainWindow::invokePreferencesSlot() {}

void TsMainWindow::shareImageSlot() {}

void TsMainWindow::linkPluginSlot() {}

void TsMainWindow::toolChangedSlot(const GmTool*) {}
