// TsMainWindow: construction, the default layout and the window state written at closing.

#include "app/TsMainWindow.h"

#include <cmath>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QHBoxLayout>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QScreen>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

#include "app/AppWorkspaceHost.h"
#include "app/BackgroundPicker.h"
#include "app/FileHandler.h"
#include "app/GasPipe.h"
#include "app/ProblemReports.h"
#include "app/TsApp.h"
#include "app/TsApplication.h"
#include "document/CorvaneThread.h"
#include "document/GmModel.h"
#include "document/GmRegion.h"
#include "document/GmStatusArray.h"
#include "workspace/CutoutTools.h"
#include "workspace/FakeDock.h"
#include "workspace/GmTool.h"
#include "workspace/NavigatorWindow.h"
#include "workspace/ProgressWindow.h"
#include "workspace/TipWindow.h"
#include "workspace/ToolOptions.h"
#include "workspace/ViewOptions.h"
#include "workspace/ZoomViewOptionsWidget.h"

namespace {
TsMainWindow* theWindow = nullptr;
}  // namespace

const char* const TsMainWindow::kPersistVersionKey = "PersistVersion";
const char* const TsMainWindow::kGeometryKey = "UI/Geometry";
const char* const TsMainWindow::kScreenModeKey = "UI/ScreenMode";
const char* const TsMainWindow::kMaximizedKey = "UI/Maximized";
const char* const TsMainWindow::kNormalGeometryKey = "UI/NormalGeometry";
const char* const TsMainWindow::kChildStateKey = "UI/ChildState";
const char* const TsMainWindow::kSubWindowsKey = "UI/SubWindows/";

TsMainWindow::TsMainWindow() {
  // First of all: the tools, the file handler and the engine thread built below reach the window
  // through the instance and the workspace host.
  theWindow = this;
  workspaceHost_ = std::make_unique<AppWorkspaceHost>(this);
  setAttribute(Qt::WA_DeleteOnClose);
  setIconSize(QSize(48, 48));

  // The central view, with the dock of the sub-windows beside it.
  imageView_ = new ImageView;
  imageView_->setObjectName(QStringLiteral("imageView_"));
  connect(imageView_, &ImageView::addTabAction, this, &TsMainWindow::addTabAction);
  connect(imageView_, &ImageView::viewTabChanged, this, &TsMainWindow::updateActionEnablednessSlot);
  connect(imageView_, &ImageView::zoomChanged, this, &TsMainWindow::setWindowTitleSlot);
  auto* splitter = new QSplitter(Qt::Horizontal);
  splitter->setObjectName(QStringLiteral("centralSplitter_"));
  splitter->setChildrenCollapsible(false);
  dock_ = new FakeDock;
  dock_->setObjectName(QStringLiteral("subWindowDock_"));
  splitter->addWidget(imageView_);
  splitter->addWidget(dock_);
  splitter->setStretchFactor(0, 1);
  splitter->setStretchFactor(1, 0);
  setCentralWidget(splitter);
  // The composition's tabs ("2. Compose Picture", "3. Add Effects", "4. Final Image") and its
  // views join the image view here.

  fileHandler_ = new FileHandler(this, this);
  engineThread_ = new CorvaneThread;
  connectEngineThread();

  createActions();
  createStatusBar();
  createMenus();
  createSubWindows();
  createTools();
  connectZoom();

  connect(GmModel::instance()->statusArray(), &GmStatusArray::statusesPresentChanged, this,
          &TsMainWindow::statusesPresentChangedSlot);
  connect(GmModel::instance(), &GmModel::smegChanged, this, &TsMainWindow::updateShowEdgesSlot);
  connect(GmModel::instance(), &GmModel::activeRegionChanged, this,
          &TsMainWindow::updateShowEdgesSlot);

  const int tab = imageView_->currentViewTab();
  for (GmSubWindow* window : qAsConst(subWindows_)) {
    connect(imageView_, &ImageView::viewTabChanged, window, &GmSubWindow::viewTabChangedSlot);
    window->toggleAction()->setEnabled(window->viewTabs() & tab);
    window->updateVisibility();
  }
  connect(imageView_, &ImageView::viewTabChanged, this, &TsMainWindow::viewTabChangedSlot);

  applyDefaultLayout();
  if (GasPipe::current()) TsApplication::loadControlFile(this);
  handOverStartUpImages();
  checkProblemReports(this);
  if (TsApp* app = TsApp::instance()) app->runStartUpChecks();
}

TsMainWindow::~TsMainWindow() {
  // A window destroyed while it waited (the application going down) leaves no wait cursor.
  if (overrideCursorSet_) QApplication::restoreOverrideCursor();
  for (; busyDepth_ > 0; --busyDepth_) QApplication::restoreOverrideCursor();
  delete fileHandler_;
  fileHandler_ = nullptr;
  tools_.reset();
  // Only a window that was never closed still holds its engine thread.
  delete engineThread_.data();
  workspaceHost_.reset();
  if (theWindow == this) theWindow = nullptr;
}

TsMainWindow* TsMainWindow::instance() {
  return theWindow;
}

CorvaneThread* TsMainWindow::engineThread() const {
  return engineThread_;
}

GmTool* TsMainWindow::panReturnTool() const {
  return panReturnTool_;
}

bool TsMainWindow::isNormalRun() const {
  const TsApp* app = TsApp::instance();
  return !app || !app->isHosted();
}

void TsMainWindow::handOverStartUpImages() {
  const TsApp* app = TsApp::instance();
  const int mode = app ? app->mode() : TsApp::Normal;
  switch (mode) {
    case TsApp::Normal: {
      const QStringList arguments = QCoreApplication::arguments();
      if (arguments.size() > 1) fileHandler_->loadFile(arguments.at(1));
      break;
    }
    case TsApp::SharedMemory:
    case TsApp::XmlPipe:
    case TsApp::Aperture:
      // A control file, a host whose input was refused or an unreadable image hand over none:
      // the window then starts empty.
      if (app->sourceImage()) fileHandler_->installImages(app->sourceImage(), app->secondImage());
      break;
    default:
      break;
  }
}

// ---- Status bar and sub-windows

void TsMainWindow::createStatusBar() {
  auto* container = new QWidget;
  container->setObjectName(QStringLiteral("progressContainer_"));
  auto* layout = new QHBoxLayout(container);
  layout->setSpacing(10);
  layout->setContentsMargins(0, 0, 0, 0);
  progressBar_ = new QProgressBar;
  progressBar_->setRange(0, 100);
  progressBar_->setValue(0);
  progressBar_->setTextVisible(false);
  progressBar_->setMaximumWidth(220);
  progressBar_->setWhatsThis(
      tr("<b>Progress Bar</b><p>Lets you know the time spent and the time remaining until a "
         "command is complete.</p>",
         "[tip]"));
  layout->addWidget(progressBar_);
  statusBar()->addPermanentWidget(container);

  viewOptions_ = new ViewOptions;
  statusBar()->addPermanentWidget(viewOptions_);
  connect(viewOptions_, &ViewOptions::modified, GmModel::instance(),
          [] { GmModel::instance()->signalDirtyImageSlot(); });
  connect(actions_.showEdges, &QAction::toggled, viewOptions_, &ViewOptions::setShowVectorEdges);
  connect(viewOptions_, &ViewOptions::showVectorEdges, actions_.showEdges, &QAction::setChecked);
  viewOptions_->setShowVectorEdgesEnabled(false);
  // The zoom slider of the view options follows the navigator's, after the sub-windows exist.
  zoomOptions_ = new ZoomViewOptionsWidget;
  statusBar()->addPermanentWidget(zoomOptions_);
  QSizePolicy policy = statusBar()->sizePolicy();
  policy.setHorizontalPolicy(QSizePolicy::MinimumExpanding);
  statusBar()->setSizePolicy(policy);
}

void TsMainWindow::createSubWindows() {
  tipWindow_ = new TipWindow(this, menus_.window, tr("Ctrl+T", "[tip]"));
  tipWindow_->setObjectName(QStringLiteral("tipWindow_"));
  showWelcomeTip();
  navigatorWindow_ = new NavigatorWindow(this);
  navigatorWindow_->setObjectName(QStringLiteral("navigatorWindow_"));
  progressWindow_ = new ProgressWindow(this, menus_.window, tr("F6", "[zarvo]"));
  progressWindow_->setObjectName(QStringLiteral("progressWindow_"));
  for (GmSubWindow* window :
       {static_cast<GmSubWindow*>(tipWindow_), static_cast<GmSubWindow*>(navigatorWindow_),
        static_cast<GmSubWindow*>(progressWindow_)}) {
    window->setDock(dock_);
    connect(window, &GmSubWindow::escapeKeyPressed, this, &TsMainWindow::escapeKeyPressedSlot);
  }
  navigatorWindow_->connectView(imageView_);
  zoomOptions_->connectViews(navigatorWindow_, imageView_, nullptr);

  optionsToolBar_ = addToolBar(tr("Options", "[all]"));
  optionsToolBar_->setObjectName(QStringLiteral("ToolBar-") + optionsToolBar_->windowTitle());
  optionsToolBar_->setMovable(false);
  auto* holder = new QWidget;
  holder->setObjectName(QStringLiteral("OptionsWidget"));
  holder->setMinimumHeight(42);
  auto* layout = new QHBoxLayout(holder);
  layout->setObjectName(QStringLiteral("OptionsLayout"));
  layout->setAlignment(Qt::AlignHCenter);
  layout->setContentsMargins(7, 2, 7, 2);
  toolOptions_ = new ToolOptions;
  layout->addWidget(toolOptions_, 1);
  optionsToolBar_->addWidget(holder);

  subWindows_ << tipWindow_ << progressWindow_;
}

// ---- Layout and state

void TsMainWindow::applyDefaultLayout() {
  const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
  if (screen) {
    const QRect area = screen->availableGeometry();
    const int dx = int(std::floor(0.1 * (area.right() - area.left() + 1) + 0.5));
    const int dy = int(std::floor(0.1 * (area.bottom() - area.top() + 1) + 0.5));
    setGeometry(area.adjusted(dx, dy, -dx, -dy));
    // A window shown maximised at once may never learn a normal geometry of its own.
    normalGeometry_ = geometry();
  }
  for (GmSubWindow* window : qAsConst(subWindows_)) {
    window->setFloating(false);
    window->setWantedVisible(true);
    window->updateVisibility();
  }
  screenMode_ = 0;
  menuBar()->show();
  showMaximized();
  QTimer::singleShot(0, this, &TsMainWindow::setDefaultSubWindowStateSlot);
}

void TsMainWindow::saveWindowState() {
  QSettings settings;
  settings.setValue(QLatin1String(kPersistVersionKey), kPersistVersion);
  settings.setValue(QLatin1String(kGeometryKey), saveGeometry());
  settings.setValue(QLatin1String(kScreenModeKey), screenMode_);
  if (optionsToolBar_ && optionsToolBar_->isHidden()) optionsToolBar_->show();
  settings.setValue(QLatin1String(kChildStateKey), saveState(kPersistVersion));
  for (GmSubWindow* window : qAsConst(subWindows_))
    settings.setValue(QLatin1String(kSubWindowsKey) + window->objectName(), window->saveState());
  if (screenMode_ == 0) rememberNormalState();
  settings.setValue(QLatin1String(kMaximizedKey), maximized_);
  settings.setValue(QLatin1String(kNormalGeometryKey), normalGeometry_);
  // The composition's state joins here, under "UI/ZarvoZarvo/".
}

void TsMainWindow::rememberNormalState() {
  maximized_ = isMaximized();
  const QRect normal = normalGeometry();
  if (normal.isValid()) normalGeometry_ = normal;
}

void TsMainWindow::setDefaultSubWindowStateSlot() {
  const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
  const QRect area = screen ? screen->availableGeometry() : QRect();
  // Floating, they stand in a column at the right of the main window's frame, inside the area.
  int top = frameGeometry().top() + 80;
  for (GmSubWindow* window : qAsConst(subWindows_)) {
    const QSize size = window->sizeHint().expandedTo(QSize(200, 150));
    QPoint place(frameGeometry().right() - size.width() - 40, top);
    if (area.isValid()) {
      place.setX(
          qBound(area.left(), place.x(), std::max(area.left(), area.right() - size.width())));
      place.setY(
          qBound(area.top(), place.y(), std::max(area.top(), area.bottom() - size.height())));
    }
    window->setFloatingPosition(place);
    window->setFloatingSize(size);
    top = place.y() + size.height() + 20;
    window->setWantedVisible(window->visibleByDefault());
  }
}

// ---- What the file handler and the document ask of the window

void TsMainWindow::showStatusMessage(const QString& text, int timeoutMs) {
  statusBar()->showMessage(text, timeoutMs);
}

void TsMainWindow::raiseAndActivate() {
  if (isMinimized()) showNormal();
  activateWindow();
}

void TsMainWindow::ensureViewTab(int tabMask, int tab) {
  imageView_->ensureViewTab(tabMask, tab);
}

void TsMainWindow::setBusy(bool busy) {
  if (busy) {
    if (busyDepth_++ == 0) {
      setEnabled(false);
      QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    return;
  }
  if (busyDepth_ == 0) return;
  if (--busyDepth_ == 0) {
    QApplication::restoreOverrideCursor();
    // A close under way keeps the window disabled.
    if (!closingRequested_ && !overrideCursorSet_) setEnabled(true);
  }
}

QBrush TsMainWindow::canvasBackgroundBrush() const {
  return backgroundPicker_ ? backgroundPicker_->brush(0) : QBrush(Qt::white);
}

void TsMainWindow::setBackgroundPicker(BackgroundPicker* picker) {
  backgroundPicker_ = picker;
}
