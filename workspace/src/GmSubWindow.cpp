#include "workspace/GmSubWindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QDataStream>
#include <QIODevice>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QSizeGrip>

#include "document/GmModel.h"
#include "workspace/FakeDock.h"
#include "workspace/GmSubWindowLayout.h"
#include "workspace/TitleButton.h"
#include "workspace/TitleWidget.h"
#include "workspace/WorkspaceResources.h"

namespace {

// The shortest form of QWidget::saveGeometry for each of its versions 1 to 3.
bool isSavedGeometry(const QByteArray& bytes) {
  QDataStream in(bytes);
  in.setVersion(QDataStream::Qt_4_0);
  quint32 magic = 0;
  quint16 major = 0, minor = 0;
  in >> magic >> major >> minor;
  if (in.status() != QDataStream::Ok || magic != 0x1D9D0CBu) return false;
  static const int sizes[] = {46, 50, 66};
  return major >= 1 && major <= 3 && bytes.size() >= sizes[major - 1];
}

}  // namespace

GmSubWindow::GmSubWindow(const QString& name, const QString& title, QWidget* actionContainer,
                         const QString& shortcut, QWidget* parent)
    : QWidget(parent, Qt::Tool),
      floatingParent_(parent),
      layout_(new GmSubWindowLayout),
      titleBar_(new TitleWidget),
      toggleAction_(new QAction(title, this)) {
  initWorkspaceResources();
  layout_->setContentsMargins(0, 0, 0, 0);
  layout_->addWidget(titleBar_);
  setLayout(layout_);
  toggleAction_->setCheckable(true);
  connect(toggleAction_, &QAction::triggered, this, &GmSubWindow::toggleViewSlot);
  connect(titleBar_->closeButton(), &QAbstractButton::clicked, this, &GmSubWindow::closeViewSlot);
  setObjectName(QStringLiteral("DockWidget: ") + name);
  setWindowTitle(title);
  if (actionContainer) {
    if (!shortcut.isEmpty()) toggleAction_->setShortcut(QKeySequence(shortcut));
    actionContainer->addAction(toggleAction_);
  }
  if (!shortcut.isEmpty()) {
    const QString tip = title + QStringLiteral(" (") + shortcut + QStringLiteral(")");
    setToolTip(tip);
    toggleAction_->setToolTip(tip);
  }
}

GmSubWindow::~GmSubWindow() = default;

ImageView::ViewTabs GmSubWindow::viewTabs() const {
  return ImageView::ViewTabs(QFlag(63));
}

void GmSubWindow::setContentWidget(QWidget* widget) {
  if (content_) {
    layout_->removeWidget(content_);
    content_->hide();
  }
  content_ = widget;
  if (widget) {
    layout_->addWidget(widget, 1);
    if (QLayout* own = widget->layout()) {
      own->setContentsMargins(0, 0, 0, 0);
      own->setSpacing(5);
    }
  }
  layout_->setContentsMargins(2, 2, 2, 2);
  layout_->setSpacing(5);
}

void GmSubWindow::setWantedVisible(bool wanted) {
  wantedVisible_ = wanted;
  suppressed_ = false;
  updateVisibility();
}

void GmSubWindow::setSuppressed(bool suppressed) {
  suppressed_ = suppressed;
  updateVisibility();
}

void GmSubWindow::userShow() {
  wantedVisible_ = true;
  updateVisibility();
  titleBar_->setVisible(!isFloating());
  show();
}

void GmSubWindow::toggleViewSlot(bool show) {
  setWantedVisible(show);
}

void GmSubWindow::closeViewSlot() {
  wantedVisible_ = false;
  updateVisibility();
}

void GmSubWindow::viewTabChangedSlot(ImageView::ViewTab tab) {
  toggleAction_->setEnabled(viewTabs().testFlag(tab));
  updateVisibility();
}

bool GmSubWindow::shouldShow() const {
  return wantedVisible_ && !suppressed_ && toggleAction_->isEnabled();
}

bool GmSubWindow::visibleToParent() const {
  return parentWidget() ? isVisibleTo(parentWidget()) : isVisible();
}

void GmSubWindow::updateVisibility() {
  const bool show = shouldShow();
  if (show == visibleToParent()) return;
  if (show) {
    titleBar_->setVisible(!isFloating());
    // Emitted before the show as well: a dock learns of it while the window is still hidden.
    emit visibilityChanged();
    QWidget::show();
  } else {
    if (isFloating()) takeGeometry();
    hide();
  }
}

void GmSubWindow::takeGeometry() {
  savedGeometry_ = saveGeometry();
}

void GmSubWindow::setFloating(bool floating, bool quiet) {
  if (floating) {
    if (isWindow() && !quiet) {
      updateVisibility();
      return;
    }
    if (dock_) dock_->removeSubWindow(this);
    if (!isWindow() || parentWidget() != floatingParent_) setParent(floatingParent_, Qt::Tool);
    titleBar_->hide();
    if (!resizable_) {
      layout_->setSizeConstraint(QLayout::SetFixedSize);
    } else if (!sizeGrip_) {
      sizeGrip_ = new QSizeGrip(this);
      sizeGrip_->resize(sizeGrip_->sizeHint());
      placeSizeGrip();
      sizeGrip_->show();
    }
    if (!quiet) {
      applyFloatingGeometry();
      updateVisibility();
    }
    return;
  }
  if (!dock_) return;
  if (!quiet && isWindow()) takeGeometry();
  if (!resizable_) {
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    layout_->setSizeConstraint(QLayout::SetDefaultConstraint);
  }
  delete sizeGrip_;
  sizeGrip_ = nullptr;
  if (isWindow() || parentWidget() != dock_) setParent(dock_, Qt::Widget);
  titleBar_->show();
  dock_->addSubWindow(this);
  if (!quiet) updateVisibility();
}

void GmSubWindow::applyFloatingGeometry() {
  if (savedGeometry_.isEmpty()) {
    if (floatingSize_.isValid()) resize(floatingSize_);
    move(floatingPosition_);
  } else {
    restoreGeometry(savedGeometry_);
  }
  if (matchWidth_) layout_->setMinimumWidth(width());
  // The visibility update that follows would hide again what the rule does not show.
  if (wantedVisible_ && shouldShow()) show();
}

QByteArray GmSubWindow::saveState() {
  if (isFloating()) takeGeometry();
  return QByteArray(1, wantedVisible_ ? '\1' : '\0') + savedGeometry_;
}

bool GmSubWindow::restoreState(const QByteArray& state) {
  if (state.isEmpty() || (state.at(0) != '\0' && state.at(0) != '\1')) return false;
  const QByteArray geometry = state.mid(1);
  if (!geometry.isEmpty() && !isSavedGeometry(geometry)) return false;
  wantedVisible_ = state.at(0) == '\1';
  savedGeometry_ = geometry;
  // Else the next hide would take the present geometry over the restored one.
  if (isFloating() && !geometry.isEmpty()) restoreGeometry(geometry);
  updateVisibility();
  return true;
}

void GmSubWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    emit escapeKeyPressed(event);
  } else if (event->key() == Qt::Key_Backspace) {
    GmModel* model = GmModel::instance();
    if (model->activeRegion()) model->deleteActiveRegionSlot();
  } else {
    event->ignore();
  }
}

void GmSubWindow::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::WindowTitleChange) {
    toggleAction_->setText(windowTitle());
    titleBar_->label()->setText(windowTitle());
  } else if (event->type() == QEvent::LayoutDirectionChange) {
    placeSizeGrip();
  }
}

void GmSubWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  closed_ = false;
  toggleAction_->setChecked(true);
  emit visibilityChanged();
}

void GmSubWindow::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  toggleAction_->setChecked(false);
  emit visibilityChanged();
}

void GmSubWindow::closeEvent(QCloseEvent* event) {
  QWidget::closeEvent(event);
  closed_ = true;
  wantedVisible_ = false;
  toggleAction_->setChecked(false);
  emit visibilityChanged();
}

void GmSubWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  placeSizeGrip();
}

void GmSubWindow::placeSizeGrip() {
  if (!sizeGrip_) return;
  const QSize grip = sizeGrip_->size();
  const int x = layoutDirection() == Qt::RightToLeft ? 0 : width() - grip.width();
  sizeGrip_->move(x, height() - grip.height());
  sizeGrip_->raise();
}
