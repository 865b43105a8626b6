// TsMainWindow: the actions, the menus, the tools and their palette, and what enables them.

#include <QAction>
#include <QIcon>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>

#include "app/AppIdentity.h"
#include "app/DistributorInfo.h"
#include "app/FileHandler.h"
#include "app/TsApp.h"
#include "app/TsMainWindow.h"
#include "composition/BackgroundTool.h"
#include "composition/CompositionTools.h"
#include "composition/CompressTool.h"
#include "composition/FinalOptionsTool.h"
#include "composition/HighlightBrushTool.h"
#include "composition/ImageSizeTool.h"
#include "composition/ImportLogoTool.h"
#include "composition/ShadowTool.h"
#include "composition/SharpenImageTool.h"
#include "composition/ZarvoObject.h"
#include "composition/ZarvoPanTool.h"
#include "composition/ZarvoSelectTool.h"
#include "composition/ZarvoWidget.h"
#include "composition/ZarvoZoomTool.h"
#include "document/CorvaneThread.h"
#include "document/GmModel.h"
#include "document/GmRegion.h"
#include "document/TsSourceImage.h"
#include "workspace/ComplexExactTool.h"
#include "workspace/CutoutTools.h"
#include "workspace/DeleteExactTool.h"
#include "workspace/DeleteLocalTool.h"
#include "workspace/EdgeBlendingTool.h"
#include "workspace/EdgeFindingTool.h"
#include "workspace/EraseExactTool.h"
#include "workspace/GmAction.h"
#include "workspace/NavigatorWindow.h"
#include "workspace/PanTool.h"
#include "workspace/ToolBarPalette.h"
#include "workspace/ViewOptions.h"
#include "workspace/WidgetFunctions.h"
#include "workspace/ZoomTool.h"

namespace {

// The shortcuts of `texts`, each translated under `disambiguation`, in native text form; the
// first is the action's primary one.
QList<QKeySequence> shortcutList(std::initializer_list<const char*> texts,
                                 const char* disambiguation) {
  QList<QKeySequence> sequences;
  for (const char* text : texts)
    sequences << QKeySequence(TsMainWindow::tr(text, disambiguation), QKeySequence::NativeText);
  return sequences;
}

void addIfPresent(QMenu* menu, QAction* action) {
  if (action) menu->addAction(action);
}

void enableIfPresent(QAction* action, bool enabled) {
  if (action) action->setEnabled(enabled);
}

// The address of the backgrounds shop: a page of the product site that this system names none
// of, so no address.
QString buyBackgroundsUrl() {
  return webSiteUrl(QString());
}

}  // namespace

void TsMainWindow::createActions() {
  const bool normal = isNormalRun();
  GmModel* model = GmModel::instance();
  const TsApp* app = TsApp::instance();
  const DistributorRecord& distributor = DistributorInfo::record();

  if (normal) {
    actions_.newCutout =
        new GmAction(tr("New &Cut-out...", "[zarvo]"), this, tr("Ctrl+O", "[zarvo]"));
    actions_.newCutout->setWhatsThis(tr("Create a new cut-out from an existing image", "[zarvo]"));
    connect(actions_.newCutout, &QAction::triggered, fileHandler_, &FileHandler::cutoutNewSlot);

    actions_.exportFinalImage =
        new GmAction(QIcon(QStringLiteral(":zarvo/tool_save.png")),
                     tr("&Export Final Image", "[zarvo]"), this, tr("Ctrl+S", "[zarvo]"));
    actions_.exportFinalImage->setWhatsThis(tr("Export the final image to a file", "[qor,zarvo]"));
    connect(actions_.exportFinalImage, &QAction::triggered, this, &TsMainWindow::fileSaveSlot);

    actions_.exportFinalImageAs = new QAction(tr("&Export Final Image &As...", "[zarvo]"), this);
    actions_.exportFinalImageAs->setWhatsThis(
        tr("Export the final image to a file, specifying the file name", "[qor,zarvo]"));
    connect(actions_.exportFinalImageAs, &QAction::triggered, this, &TsMainWindow::fileSaveAsSlot);
  }

  const QString undoHelp = learnMoreTip(QStringLiteral("touring_zarvo/undo_and_redo.htm"));
  actions_.undo = new GmAction(QIcon(QStringLiteral(":images/stock_undo.png")),
                               tr("&Undo", "[all]"), this, tr("Ctrl+Z", "[all]"));
  actions_.undo->setObjectName(QStringLiteral("Undo Action"));
  actions_.undo->setWhatsThis(tr("<p><b>Undo</b></p><p>Undo any <b>Delete</b>, <b>Blend</b> or "
                                 "<b>Erase</b> strokes. There are an unlimited number of Undo "
                                 "steps.</p>",
                                 "[tip]") +
                              undoHelp);
  connect(actions_.undo, &QAction::triggered, this, &TsMainWindow::undoSlot);

  actions_.redo = new GmAction(QIcon(QStringLiteral(":images/stock_redo.png")),
                               tr("&Redo", "[all]"), this, tr("Ctrl+Y", "[all]"));
  actions_.redo->setObjectName(QStringLiteral("Redo Action"));
  actions_.redo->setWhatsThis(tr("<p><b>Redo</b></p><p>Redo any <b>Undo</b> steps.</p>", "[tip]") +
                              undoHelp);
  connect(actions_.redo, &QAction::triggered, this, &TsMainWindow::redoSlot);
  // Undo and Redo sit in no menu, and their palette buttons show on "1. Delete Background"
  // only: held by the window, their keys work on every tab (the slots show that tab first).
  addAction(actions_.undo);
  addAction(actions_.redo);
  // The other common redo key, live even while Redo is disabled.
  auto* redoShortcut = new QShortcut(
      QKeySequence(tr("Ctrl+Shift+Z", "[all]Redo shortcut"), QKeySequence::NativeText), this);
  redoShortcut->setObjectName(QStringLiteral("redoShortcut_"));
  connect(redoShortcut, &QShortcut::activated, this, &TsMainWindow::redoSlot);

  actions_.zoomIn = new QAction(QIcon(QStringLiteral(":images/stock_zoom-in.png")),
                                tr("Zoom &In", "[all]"), this);
  actions_.zoomIn->setShortcuts(
      shortcutList({"Ctrl++", "Ctrl+=", "+", "="}, "[all]Zoom-in shortcut"));
  actions_.zoomOut = new QAction(QIcon(QStringLiteral(":images/stock_zoom-out.png")),
                                 tr("Zoom &Out", "[all]"), this);
  actions_.zoomOut->setShortcuts(shortcutList({"Ctrl+-", "-"}, "[all]Zoom-out shortcut"));

  actions_.fitOnScreen = new GmAction(tr("&Fit on Screen", "[all]"), this, tr("Ctrl+0", "[all]"));
  connect(actions_.fitOnScreen, &QAction::triggered, imageView_, &ImageView::fitImageOnScreenSlot);
  actions_.actualPixels =
      new GmAction(tr("Actual Pixels", "[ts3, zarvo]"), this, tr("Alt+Ctrl+0", "[all]"));
  connect(actions_.actualPixels, &QAction::triggered, imageView_, &ImageView::zoomTo100PercentSlot);

  if (normal) {
    actions_.discardCutout =
        new GmAction(tr("&Discard Cut-out", "[zarvo]"), this, tr("Ctrl+W", "[all]"));
    connect(actions_.discardCutout, &QAction::triggered, fileHandler_,
            &FileHandler::cutoutDiscardSlot);
  }

  actions_.exit = new GmAction(tr("E&xit ", "[all]") + productName(), this, tr("Ctrl+Q", "[all]"));
  connect(actions_.exit, &QAction::triggered, this, &QWidget::close);

  if (!normal) {
    actions_.saveAndApply =
        new GmAction(tr("&Save and Apply", "[ts3]"), this, tr("Ctrl+S", "[all]"));
    actions_.saveAndApply->setEnabled(false);
    connect(actions_.saveAndApply, &QAction::triggered, this, &TsMainWindow::saveAndApplySlot);
  }

  actions_.showEdges =
      new GmAction(tr("Show Object &Edges", "[ts3, zarvo]"), this, tr("F2", "[ts3, zarvo]"));
  actions_.showEdges->setCheckable(true);
  actions_.showEdges->setChecked(true);
  connect(actions_.showEdges, &QAction::triggered, model,
          [] { GmModel::instance()->signalDirtyImageSlot(); });

  actions_.help = new GmAction(productName() + tr(" &Help", "[ts3]"), this, tr("F1", "[ts3]"));
  connect(actions_.help, &QAction::triggered, this, &TsMainWindow::helpSlot);
  actions_.tutorials = new QAction(tr("&Tutorials", "[all]"), this);
  connect(actions_.tutorials, &QAction::triggered, this, &TsMainWindow::tutorialsSlot);
  if (distributor.homePage) {
    actions_.homePage = new QAction(tr("Home Page", "[all]"), this);
    connect(actions_.homePage, &QAction::triggered, this, &TsMainWindow::homePageSlot);
  }
  if (!buyBackgroundsUrl().isEmpty()) {
    actions_.buyBackgrounds = new QAction(tr("Buy More Backgrounds", "[zarvo]"), this);
    connect(actions_.buyBackgrounds, &QAction::triggered, this, &TsMainWindow::buyBackgroundsSlot);
  }
  if (distributor.checkForUpdates) {
    actions_.checkForUpdates = new QAction(tr("&Check for Updates", "[all]"), this);
    if (app)
      connect(actions_.checkForUpdates, &QAction::triggered, app, &TsApp::checkForUpdateSlot);
  }
  if (distributor.latestNews && !latestNewsUrl().isEmpty()) {
    actions_.latestNews = new QAction(tr("Latest &News"), this);
    actions_.latestNews->setEnabled(app && app->newsAvailable());
    if (app) {
      connect(actions_.latestNews, &QAction::triggered, app, &TsApp::checkForNewsSlot);
      connect(app, &TsApp::newsAvailability, actions_.latestNews, &QAction::setEnabled);
    }
  }
  actions_.about = new QAction(
      tr("&About %1 ...", "[all]%1 is the product name, e.g. Tarsel").arg(productName()), this);
  actions_.about->setMenuRole(QAction::AboutRole);
  connect(actions_.about, &QAction::triggered, this, &TsMainWindow::aboutSlot);

  statusesPresentChangedSlot(CvPixelStatus(0));
  connect(model, &GmModel::tellImageChanged, this, &TsMainWindow::imageChangedSlot);
  updateActionEnabledness(nullptr);
  connect(model, &GmModel::imageAnalysisHasBegun, this, &TsMainWindow::imageAnalysisHasBegunSlot);
  connect(model, &GmModel::activeRegionChanged, this, &TsMainWindow::activeRegionChangedSlot);
  connect(model, &GmModel::cvUndoStackChanged, this, &TsMainWindow::cvUndoStackChangedSlot);
  connect(engineThread_, &CorvaneThread::stateChanged, this,
          &TsMainWindow::updateUndoRedoEnabledness);
  cvUndoStackChangedSlot(0, 0);
}

void TsMainWindow::createMenus() {
  QMenuBar* bar = menuBar();
  menus_.file = bar->addMenu(tr("&File", "[all]"));
  for (QAction* action : {actions_.newCutout, actions_.discardCutout, actions_.exportFinalImage,
                          actions_.exportFinalImageAs, actions_.saveAndApply})
    addIfPresent(menus_.file, action);
  menus_.file->addSeparator();
  if (isNormalRun()) {
    menus_.recentFiles = menus_.file->addMenu(tr("Recent &Files", "[all]"));
    menus_.file->addSeparator();
  }
  menus_.file->addAction(actions_.exit);

  menus_.brush = bar->addMenu(tr("&Brush", "[ts3]"));

  menus_.view = bar->addMenu(tr("&View", "[all]"));
  menus_.view->addAction(actions_.showEdges);
  menus_.view->addSeparator();
  for (QAction* action :
       {actions_.zoomIn, actions_.zoomOut, actions_.actualPixels, actions_.fitOnScreen})
    menus_.view->addAction(action);
  menus_.view->addSeparator();
  for (QAction* action : qAsConst(pendingTabActions_)) menus_.view->addAction(action);
  pendingTabActions_.clear();
  // Only a holder of the composition's pan and zoom tools: never shown.
  menus_.compositionView = bar->addMenu(tr("&View", "[all]"));
  bar->removeAction(menus_.compositionView->menuAction());

  menus_.window = bar->addMenu(tr("&Window", "[ts3,zarvo]"));

  menus_.help = bar->addMenu(tr("&Help", "[all]"));
  for (QAction* action :
       {actions_.help, actions_.tutorials, actions_.homePage, actions_.latestNews})
    addIfPresent(menus_.help, action);
  if (actions_.checkForUpdates) {
    menus_.help->addSeparator();
    menus_.help->addAction(actions_.checkForUpdates);
  }
  addIfPresent(menus_.help, actions_.buyBackgrounds);
  menus_.help->addSeparator();
  menus_.help->addAction(actions_.about);

  if (menus_.recentFiles) {
    connect(fileHandler_, &FileHandler::recentFilesChanged, this,
            &TsMainWindow::recentFilesChanged);
    recentFilesChanged(fileHandler_->recentFiles());
  }
  for (QMenu* menu : {menus_.file, menus_.view, menus_.window, menus_.brush, menus_.help})
    copyMenuActions(menu);
}

void TsMainWindow::copyMenuActions(QMenu* menu) {
  if (menu) addActions(menu->actions());
}

void TsMainWindow::addTabAction(QAction* action) {
  if (menus_.view)
    menus_.view->addAction(action);
  else
    pendingTabActions_ << action;
}

void TsMainWindow::recentFilesChanged(const QStringList& files) {
  QMenu* menu = menus_.recentFiles;
  if (!menu) return;
  menu->clear();
  menu->setEnabled(!files.isEmpty());
  for (const QString& file : files) {
    QAction* action = menu->addAction(file);
    // Queued: the menu that holds the action is rebuilt by the opening it starts.
    connect(action, &QAction::triggered, fileHandler_, [handler = fileHandler_, file] {
      QMetaObject::invokeMethod(
          handler, [handler, file] { handler->cutoutRecentSlot(file); }, Qt::QueuedConnection);
    });
  }
}

void TsMainWindow::recentProjectsChanged(const QStringList&) {}

// ---- Tools and palette

void TsMainWindow::createTools() {
  CutoutTools::Places places;
  places.group = GmTool::toolActionGroup();
  places.brushMenu = menus_.brush;
  places.viewMenu = menus_.view;
  places.options = toolOptions_;
  places.afterViewTools = [this] { createCompositionTools(); };
  // The default tool becomes current as it is made.
  tools_ = std::make_unique<CutoutTools>(places);
  connect(imageView_, &ImageView::viewTabChanged, compositionTools_->shadowTool(),
          &ShadowTool::viewTabChangedSlot);
  ZarvoObject::instance()->reset();
  createToolPalette();

  tools_->connectView(imageView_);
  ZoomTool* zoomTool = tools_->zoomTool();
  connect(zoomTool, &ZoomTool::zoomInSignal, navigatorWindow_, &NavigatorWindow::zoomInSlot);
  connect(zoomTool, &ZoomTool::zoomOutSignal, navigatorWindow_, &NavigatorWindow::zoomOutSlot);
  connect(navigatorWindow_, &NavigatorWindow::zoomInEnabled, zoomTool,
          &ZoomTool::zoomInEnabledSlot);
  connect(navigatorWindow_, &NavigatorWindow::zoomOutEnabled, zoomTool,
          &ZoomTool::zoomOutEnabledSlot);

  // One size for every brush; the keys work on every tab, from no menu.
  DeleteExactTool* brush = tools_->deleteExactTool();
  actions_.increaseBrushSize = new GmAction(tr("Increase Brush Size", "[all]"), this,
                                            tr("]", "[all]shortcut for increasing brush size"));
  connect(actions_.increaseBrushSize, &QAction::triggered, brush,
          &BrushingTool::increaseBrushSizeSlot);
  actions_.decreaseBrushSize = new GmAction(tr("Decrease Brush Size", "[all]"), this,
                                            tr("[", "[all]shortcut for increasing brush size"));
  connect(actions_.decreaseBrushSize, &QAction::triggered, brush,
          &BrushingTool::decreaseBrushSizeSlot);
  addAction(actions_.increaseBrushSize);
  addAction(actions_.decreaseBrushSize);

  // Every tool's key works from the window, without its palette button or menu in sight; the
  // view-tab change decides which tools' keys are live.
  QList<GmTool*> all = tools_->tools();
  all << compositionTools_->tools();
  for (GmTool* tool : qAsConst(all)) {
    QAction* action = tool->action();
    if (!action || action->shortcuts().isEmpty()) continue;
    toolShortcuts_.insert(tool, action->shortcuts());
    addAction(action);
  }
}

void TsMainWindow::createCompositionTools() {
  CompositionTools::Places places;
  places.group = GmTool::toolActionGroup();
  places.viewMenu = menus_.compositionView;
  places.options = toolOptions_;
  compositionTools_ =
      std::make_unique<CompositionTools>(compositionWidget_, finalImageWidget_, places);
}

void TsMainWindow::applyToolShortcuts(int tab) {
  for (auto it = toolShortcuts_.cbegin(); it != toolShortcuts_.cend(); ++it) {
    const bool live = (int(it.key()->viewTabs()) & tab) != 0;
    it.key()->action()->setShortcuts(live ? it.value() : QList<QKeySequence>());
  }
}

void TsMainWindow::createToolPalette() {
  palette_ = new ToolBarPalette(this);
  palette_->setObjectName(QStringLiteral("zarvoBar"));
  palette_->setWindowTitle(tr("Tools", "[zarvo]"));
  addToolBar(Qt::LeftToolBarArea, palette_);
  palette_->setMovable(false);
  connect(imageView_, &ImageView::viewTabChanged, palette_, &ToolBarPalette::viewChanged);

  palette_->addTool(tools_->deleteLocalTool(), tr("Delete", "[zarvo]"));
  palette_->addTool(tools_->deleteExactTool(), QString());
  palette_->addTool(tools_->complexExactTool(), QString());
  palette_->addTool(tools_->eraseExactTool(), QString());
  palette_->addActionEntry(actions_.undo, ImageView::DeleteBackground, QString());
  palette_->addActionEntry(actions_.redo, ImageView::DeleteBackground, QString());
  palette_->addTool(tools_->edgeFindingTool(), tr("Edges", "[zarvo]"));
  palette_->addTool(tools_->edgeBlendingTool(), QString());
  palette_->addTool(tools_->panTool(), tr("Navigation", "[zarvo, ts3]"));
  palette_->addTool(tools_->zoomTool(), QString());
  const CompositionTools* composition = compositionTools_.get();
  for (GmTool* tool : std::initializer_list<GmTool*>{
           composition->selectTool(), composition->backgroundTool(), composition->imageSizeTool(),
           composition->sharpenTool(), composition->shadowTool(), composition->highlightBrushTool(),
           composition->logoTool(), composition->finalOptionsTool(), composition->compressTool()})
    palette_->addTool(tool, QString());
  if (actions_.exportFinalImage) {
    palette_->addActionEntry(actions_.exportFinalImage, ImageView::FinalImage, QString());
    connect(actions_.exportFinalImage, &QAction::triggered, palette_, &ToolBarPalette::updateView);
  }
  palette_->addTool(composition->panTool(), QString());
  palette_->addTool(composition->zoomTool(), QString());
  palette_->viewChanged(ImageView::ViewTab(imageView_->currentViewTab()));
}

void TsMainWindow::connectZoom() {
  const auto hasImage = [] { return GmModel::instance()->segImage() != nullptr; };
  connect(actions_.zoomIn, &QAction::triggered, navigatorWindow_, &NavigatorWindow::zoomInSlot);
  connect(navigatorWindow_, &NavigatorWindow::zoomInEnabled, actions_.zoomIn,
          [this, hasImage](bool enabled) { actions_.zoomIn->setEnabled(enabled && hasImage()); });
  connect(actions_.zoomOut, &QAction::triggered, navigatorWindow_, &NavigatorWindow::zoomOutSlot);
  connect(navigatorWindow_, &NavigatorWindow::zoomOutEnabled, actions_.zoomOut,
          [this, hasImage](bool enabled) { actions_.zoomOut->setEnabled(enabled && hasImage()); });
  ZoomTool* zoomTool = tools_->zoomTool();
  connect(navigatorWindow_, &NavigatorWindow::zoomSliderChange, zoomTool,
          &ZoomTool::setZoomSliderValue);
  connect(zoomTool, &ZoomTool::zoomSliderChanged, navigatorWindow_,
          &NavigatorWindow::syncBoxFromSliderSlot);
}

// ---- Enabledness

void TsMainWindow::updateActionEnablednessSlot() {
  updateActionEnabledness(GmModel::instance()->segImage());
}

void TsMainWindow::updateActionEnabledness(const TsSourceImage* image) {
  setWindowTitleSlot();
  const bool has = image != nullptr;
  enableIfPresent(actions_.newCutout, true);
  for (QAction* action :
       {actions_.discardCutout, actions_.exportFinalImage, actions_.exportFinalImageAs,
        actions_.fitOnScreen, actions_.actualPixels, actions_.showEdges})
    enableIfPresent(action, has);
  enableIfPresent(actions_.zoomIn,
                  has && (!navigatorWindow_ || navigatorWindow_->isZoomInEnabled()));
  enableIfPresent(actions_.zoomOut,
                  has && (!navigatorWindow_ || navigatorWindow_->isZoomOutEnabled()));
  if (viewOptions_) viewOptions_->setShowVectorEdgesEnabled(has);
  if (menus_.recentFiles && !menus_.recentFiles->isEmpty()) menus_.recentFiles->setEnabled(true);
  if (compositionWidget_) compositionWidget_->setEnabled(true);
}

void TsMainWindow::cvUndoStackChangedSlot(uint32_t numUndos, uint32_t numRedos) {
  // All bits set: the count as it was.
  constexpr uint32_t kUnchanged = 0xFFFFFFFFu;
  if (numUndos != kUnchanged) numUndos_ = numUndos;
  if (numRedos != kUnchanged) numRedos_ = numRedos;
  const CorvaneThread* thread = engineThread_;
  const bool idle = !thread || (thread->queuedCommands().isEmpty() && !thread->isBusy());
  actions_.undo->setEnabled(idle && numUndos_ != 0);
  // Redo steps stay offered while the engine works: a redo waits in the queue.
  actions_.redo->setEnabled(numRedos_ != 0);
}

void TsMainWindow::updateUndoRedoEnabledness() {
  cvUndoStackChangedSlot(0xFFFFFFFFu, 0xFFFFFFFFu);
}

void TsMainWindow::statusesPresentChangedSlot(CvPixelStatus statusesPresent) {
  enableIfPresent(actions_.saveAndApply, (statusesPresent & (CvStatusKeep | CvStatusDelete)) != 0);
}

void TsMainWindow::activeRegionChangedSlot(GmRegion*) {}

void TsMainWindow::regionCreatedSlot() {}
