#include "workspace/ImageView.h"

#include <cmath>

#include <QAction>
#include <QActionGroup>
#include <QScrollBar>
#include <QTabBar>
#include <QVBoxLayout>

#include "workspace/GmZoomWidget.h"
#include "workspace/IVTabWidget.h"
#include "workspace/TsWorkspace.h"
#include "workspace/WidgetFunctions.h"
#include "workspace/WorkspaceResources.h"

ImageView::ImageView(QWidget* parent)
    : QWidget(parent),
      tabBar_(new QTabBar),
      tabWidget_(new IVTabWidget(this)),
      tabGroup_(new QActionGroup(this)) {
  initWorkspaceResources();
  tabGroup_->setExclusive(true);
  tabWidget_->setTabBar(tabBar_);
  connect(tabBar_, &QTabBar::currentChanged, this, &ImageView::currentTabChanged);
  connect(this, &ImageView::switchToTab, tabWidget_, &IVTabWidget::setCurrentPage);

  workspace_ = new TsWorkspace(this);
  addViewTab(workspace_, tr("1. Delete Background", "[zarvo]"),
             tr("<p><b>Delete Background</b> (1)</p><p>Delete the unwanted background from your "
                "image to preserve the object or product.</p><p>Use the <b>Vuvidarir "
                "Viewer</b> to see your progress.</p>",
                "[tip]") +
                 learnMoreTip(QStringLiteral("deleting_backgrounds/deleting_the_background.htm")),
             QString(), DeleteBackground);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(tabWidget_);
  connect(workspace_, &TsWorkspace::sayDisplayedRectChanged, this,
          &ImageView::sayViewportRectChanged);
  ensureViewTab(DeleteBackground, DeleteBackground);
}

void ImageView::addViewTab(QWidget* page, const QString& title, const QString& whatsThis,
                           const QString& toolTip, int tab) {
  QString text = title;
  text.remove(QLatin1Char('&'));
  int pageIndex = tabWidget_->indexOf(page);
  if (pageIndex < 0) {
    pageIndex = pageCounter_++;
    tabWidget_->addPage(page);
  }
  // The entry and the action come before the tab: adding the first tab makes it current at
  // once, and that change must find both.
  entries_.append(qMakePair(tab, pageIndex));
  auto* action = new QAction(text, tabGroup_);
  action->setCheckable(true);
  tabActions_.append(action);
  connect(action, &QAction::triggered, this, &ImageView::switchTab);
  const int index = tabBar_->addTab(text);
  tabBar_->moveTab(index, tabBar_->count() - 1);
  tabBar_->setTabWhatsThis(tabBar_->count() - 1, whatsThis);
  tabBar_->setTabToolTip(tabBar_->count() - 1, toolTip);
  emit addTabAction(action);
}

int ImageView::currentViewTab() const {
  const int index = tabBar_->currentIndex();
  return index >= 0 && index < entries_.size() ? entries_.at(index).first : int(DeleteBackground);
}

void ImageView::ensureViewTab(int mask, int defaultTab) {
  if (currentViewTab() & mask) return;
  for (int i = 0; i < entries_.size(); ++i) {
    if (entries_.at(i).first == defaultTab) {
      tabBar_->setCurrentIndex(i);
      return;
    }
  }
}

double ImageView::zoom() const {
  return workspace_->canvas()->zoom();
}

QSize ImageView::minimumSizeHint() const {
  return QSize(400, 300);
}

void ImageView::currentTabChanged(int index) {
  if (index >= 0 && index < entries_.size()) emit switchToTab(entries_.at(index).second);
  if (index >= 0 && index < tabActions_.size()) tabActions_.at(index)->setChecked(true);
  emit viewTabChanged(ViewTab(currentViewTab()));
}

void ImageView::switchTab() {
  const int index = tabActions_.indexOf(qobject_cast<QAction*>(sender()));
  if (index >= 0) tabBar_->setCurrentIndex(index);
}

void ImageView::fitImageOnScreenSlot() {
  const QSize viewport = workspace_->viewport()->size();
  workspace_->canvas()->fitToSize(viewport.width(), viewport.height());
}

void ImageView::minCheckedMoveImageViewportToSlot(ImageRectF rect) {
  workspace_->minCheckedMoveImageViewportTo(rect);
}

void ImageView::moveImageViewportToSlot(ImageRectF rect) {
  workspace_->moveImageViewportTo(rect);
}

void ImageView::panImageViewportSlot(QPoint delta) {
  workspace_->pan(delta.x(), delta.y());
}

void ImageView::centreViewportOnSlot(QPoint point) {
  const double zoom = workspace_->canvas()->zoom();
  QScrollBar* h = workspace_->horizontalScrollBar();
  QScrollBar* v = workspace_->verticalScrollBar();
  h->setValue(int(std::lround(point.x() * zoom)) - h->pageStep() / 2);
  v->setValue(int(std::lround(point.y() * zoom)) - v->pageStep() / 2);
}

void ImageView::zoomInSlot() {
  workspace_->zoomBy(false, 1.25);
}

void ImageView::zoomOutSlot() {
  workspace_->zoomBy(false, 0.8);
}

void ImageView::zoomToSlot(double zoom) {
  workspace_->zoomBy(true, zoom);
}

void ImageView::zoomTo100PercentSlot() {
  workspace_->zoomBy(true, 1.0);
}
