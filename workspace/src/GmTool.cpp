#include "workspace/GmTool.h"

#include <QActionGroup>
#include <QCoreApplication>
#include <QMouseEvent>

#include "document/CorvaneThread.h"
#include "document/GmModel.h"
#include "document/GmRegion.h"
#include "document/Rectangle.h"
#include "document/TsSourceImage.h"
#include "workspace/GmAction.h"
#include "workspace/ToolOptions.h"
#include "workspace/WidgetFunctions.h"
#include "workspace/WorkspaceHost.h"
#include "workspace/WorkspaceResources.h"

namespace {

GmTool* currentTool = nullptr;
GmTool* defaultToolInstance = nullptr;

QPointer<QActionGroup>& actionGroup() {
  static QPointer<QActionGroup> group;
  return group;
}

QPointer<ToolOptions>& defaultPanel() {
  static QPointer<ToolOptions> panel;
  return panel;
}

// One empty page for every tool that sets none; it lives in a panel's stack once shown.
QPointer<QWidget>& sharedEmptyPage() {
  static QPointer<QWidget> page;
  return page;
}

// Parentless globals go before the application object does.
void deleteParentlessGlobals() {
  delete defaultPanel().data();
  if (sharedEmptyPage() && !sharedEmptyPage()->parent()) delete sharedEmptyPage().data();
}

void deleteAtExit() {
  static bool registered = false;
  if (registered) return;
  registered = true;
  qAddPostRoutine(deleteParentlessGlobals);
}

}  // namespace

GmTool::GmTool(const QString& name, const QString& text, const QIcon& icon, const QString& shortcut,
               const QString& help, QActionGroup* group, QWidget* container, QWidget* menuOrBar,
               ToolOptions* options)
    : name_(name), text_(text), options_(options ? options : defaultOptionsPanel()) {
  initWorkspaceResources();
  QActionGroup* parent = group ? group : toolActionGroup();
  action_ = new GmAction(icon, text, parent, shortcut);
  action_->setCheckable(true);
  parent->addAction(action_);
  setWhatsThisText(help);
  if (container) container->addAction(action_);
  if (menuOrBar) menuOrBar->addAction(action_);
  setOptionPage(nullptr);

  connect(action_, &QAction::triggered, this, &GmTool::selectToolSlot);
  GmModel* model = GmModel::instance();
  connect(model, &GmModel::activeRegionChanged, this, &GmTool::setEnabledSlot);
  connect(model, &GmModel::tellImageChanged, this, &GmTool::setEnabledSlot);
  connect(model, &GmModel::smegChanged, this, &GmTool::setEnabledSlot);
  if (CorvaneThread* thread = CorvaneThread::instance())
    connect(thread, &CorvaneThread::stateChanged, this, &GmTool::setEnabledSlot);
  if (ImageView* view = workspaceHost().imageView())
    connect(view, &ImageView::viewTabChanged, this, &GmTool::setEnabledSlot);
  action_->setEnabled(isUsable());
}

GmTool::~GmTool() {
  if (currentTool == this) {
    // The dying tool is half gone: none of its virtuals may run, so the default tool takes over
    // without the usual selection order.
    currentTool = defaultToolInstance != this ? defaultToolInstance : nullptr;
    if (GmTool* fallback = currentTool) {
      if (fallback->action_) fallback->action_->setChecked(true);
      if (GmModel* model = GmModel::existingInstance()) emit model->toolChanged(fallback);
      if (fallback->options_) fallback->options_->showTool(fallback);
    }
  }
  if (defaultToolInstance == this) defaultToolInstance = nullptr;
  if (page_ && !pageShared_) delete page_.data();
  delete action_.data();
}

// ---- Defaults of the virtual operations

QCursor GmTool::cursor() const {
  return QCursor(Qt::ArrowCursor);
}

void GmTool::mousePressEvent(QMouseEvent*, const QPointF&) {}
void GmTool::mouseMoveEvent(QMouseEvent*, const QPointF&) {}
void GmTool::mouseReleaseEvent(QMouseEvent*, const QPointF&) {}
void GmTool::mouseDoubleClickEvent(QMouseEvent*, const QPointF&) {}

void GmTool::escapePressed() {
  clearGesture();
  GmModel* model = GmModel::instance();
  if (model->toolRectangle()) {
    model->clearToolRectangle();
  } else if (model->activeRegion()) {
    model->setActiveRegion(nullptr);
  } else if (model->activeForcedEdge()) {
    model->setActiveForcedEdge(nullptr);
  } else if (defaultToolInstance) {
    defaultToolInstance->installSlot();
  }
}

void GmTool::keyEvent(QKeyEvent*) {}

ImageView::ViewTabs GmTool::viewTabs() const {
  return ImageView::DeleteBackground;
}

int GmTool::defaultViewTab() const {
  return ImageView::DeleteBackground;
}

bool GmTool::clearsPreviewOnPress() const {
  return true;
}

bool GmTool::isBrushTool() const {
  return false;
}

QColor GmTool::cursorColour() const {
  return Qt::black;
}

QColor GmTool::strokeColour() const {
  return Qt::black;
}

bool GmTool::isUsable() const {
  const TsSourceImage* image = GmModel::instance()->segImage();
  return image && image->isValid();
}

int GmTool::targetDisplayMode(ArrowTarget*) const {
  return 3;
}

GmTool* GmTool::previousTool() const {
  return nullptr;
}

bool GmTool::clearsColourHighlight() const {
  return true;
}

// ---- Pages, help and button states

void GmTool::setOptionPage(QWidget* page, bool shared) {
  if (!page) {
    if (!sharedEmptyPage()) {
      sharedEmptyPage() = createEmptyOptionsWidget();
      deleteAtExit();
    }
    page = sharedEmptyPage();
    shared = true;
  }
  if (page_ && page_ != page && !pageShared_) delete page_.data();
  page_ = page;
  pageShared_ = shared;
  if (currentTool == this && options_) options_->showTool(this);
}

void GmTool::setWhatsThisText(const QString& help) {
  if (!action_) return;
  action_->setWhatsThis(help.isEmpty() ? QString()
                                       : QStringLiteral("<p><b>%1</b></p>").arg(text_) + help);
}

bool GmTool::isAvailableInCurrentTab() const {
  return viewTabs() & currentViewTab();
}

void GmTool::updateButtonState(QMouseEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
      if (event->button() == Qt::LeftButton) {
        previousLeftButtonState_ = leftButtonState_;
        leftButtonState_ = 1;
      }
      break;
    case QEvent::MouseButtonRelease:
      if (event->button() == Qt::LeftButton) {
        previousLeftButtonState_ = leftButtonState_;
        leftButtonState_ = 0;
      }
      break;
    case QEvent::MouseMove:
      if ((event->buttons() & Qt::LeftButton) && leftButtonState_ != 0) {
        previousLeftButtonState_ = leftButtonState_;
        leftButtonState_ = 2;
      }
      break;
    default:
      break;
  }
}

void GmTool::clearGesture() {
  leftButtonState_ = 0;
  previousLeftButtonState_ = 0;
}

void GmTool::becomeDefaultTool() {
  defaultToolInstance = this;
}

// ---- Globals

GmTool* GmTool::current() {
  return currentTool;
}

GmTool* GmTool::defaultTool() {
  return defaultToolInstance;
}

QActionGroup* GmTool::toolActionGroup() {
  QPointer<QActionGroup>& group = actionGroup();
  if (!group) {
    QObject* parent = workspaceHost().mainWindow();
    group = new QActionGroup(parent ? parent : QCoreApplication::instance());
    group->setExclusive(true);
  }
  return group;
}

ToolOptions* GmTool::defaultOptionsPanel() {
  QPointer<ToolOptions>& panel = defaultPanel();
  if (!panel) {
    panel = new ToolOptions;
    deleteAtExit();
  }
  return panel;
}

int GmTool::currentViewTab() {
  ImageView* view = workspaceHost().imageView();
  return view ? view->currentViewTab() : int(ImageView::DeleteBackground);
}

bool GmTool::selectFallbackTool(GmTool* remembered) {
  // The installation below asks the host again when its tool refuses: a second choice inside
  // the first answers false.
  static bool choosing = false;
  if (!currentTool) return false;
  if (currentTool->isUsable()) return true;
  if (choosing) return false;
  choosing = true;
  GmTool* fallback = remembered && remembered->isUsable() ? remembered : defaultToolInstance;
  const bool installed = fallback && fallback->installSlot();
  choosing = false;
  return installed;
}

// ---- Switching

void GmTool::setEnabledSlot() {
  if (action_) action_->setEnabled(isUsable());
}

bool GmTool::installSlot() {
  if (!isUsable()) {
    workspaceHost().selectFallbackTool();
    return false;
  }
  if (currentTool != this) {
    setEnabledSlot();
    if (action_)
      action_->trigger();
    else
      selectToolSlot();
  }
  return true;
}

void GmTool::selectToolSlot() {
  WorkspaceHost& host = workspaceHost();
  if (clearsColourHighlight()) host.clearColourHighlight();
  GmTool* old = currentTool;
  if (old) old->deactivate(this);
  currentTool = this;
  if (action_ && !action_->isChecked()) action_->setChecked(true);
  emit GmModel::instance()->toolChanged(this);
  if (options_) options_->showTool(this);
  activate(old);
  if (!host.panReturnTool())
    if (ImageView* view = host.imageView()) view->ensureViewTab(int(viewTabs()), defaultViewTab());
}
