#include "composition/ZarvoPanTool.h"

#include <QMouseEvent>
#include <QScrollBar>

#include "composition/ZarvoWidget.h"
#include "document/GmModel.h"
#include "workspace/WidgetFunctions.h"
#include "workspace/WorkspaceResources.h"

ZarvoPanTool::ZarvoPanTool(ZarvoWidget* view, QActionGroup* group, QWidget* menu,
                           ToolOptions* options)
    : GmTool(QStringLiteral("Pan"), tr("Pan"),
             resourceIcon(QStringLiteral(":images/tool_image_pan.png")), QStringLiteral("P"),
             tr("<p>Click and drag to pan image.</p><p>Press and hold the &lsquo;space "
                "bar&rsquo; on the keyboard at any time when working on the image to "
                "temporarily switch to the <b>Pan</b> tool, letting go of the space bar "
                "returns you to the tool you were using. </p>") +
                 learnMoreTip(QStringLiteral("touring_zarvo/zoom_and_pan.htm")),
             group, nullptr, menu, options),
      openCursor_(makePixmapCursor(15, 18, QStringLiteral(":images/curs_data_handopen.png"))),
      grabCursor_(makePixmapCursor(15, 18, QStringLiteral(":images/curs_data_handgrab.png"))),
      currentCursor_(openCursor_.get()),
      view_(view) {}

ZarvoPanTool::~ZarvoPanTool() = default;

QCursor ZarvoPanTool::cursor() const {
  return *currentCursor_;
}

ImageView::ViewTabs ZarvoPanTool::viewTabs() const {
  return ImageView::ComposePicture | ImageView::AddEffects;
}

int ZarvoPanTool::defaultViewTab() const {
  return ImageView::DeleteBackground;
}

void ZarvoPanTool::setCurrentCursor(const QCursor* cursor) {
  if (cursor == currentCursor_) return;
  currentCursor_ = cursor;
  if (GmTool::current() == this) emit GmModel::instance()->cursorChanged(cursor);
}

void ZarvoPanTool::startPan(const QPoint& viewportPosition) {
  dragging_ = true;
  setCurrentCursor(grabCursor_.get());
  lastPos_ = viewportPosition;
}

void ZarvoPanTool::pan(const QPoint& viewportPosition) {
  if (!dragging_ || !view_) return;
  int dx = viewportPosition.x() - lastPos_.x();
  const int dy = viewportPosition.y() - lastPos_.y();
  if (view_->isLeftToRight()) dx = -dx;
  view_->horizontalScrollBar()->setValue(view_->horizontalScrollBar()->value() + dx);
  view_->verticalScrollBar()->setValue(view_->verticalScrollBar()->value() - dy);
  lastPos_ = viewportPosition;
}

void ZarvoPanTool::endPan() {
  dragging_ = false;
  setCurrentCursor(openCursor_.get());
}

bool ZarvoPanTool::compositionPress(QMouseEvent* event, const QPointF&) {
  startPan(event->pos());
  return true;
}

bool ZarvoPanTool::compositionDoubleClick(QMouseEvent* event, const QPointF&) {
  startPan(event->pos());
  return true;
}

bool ZarvoPanTool::compositionMove(QMouseEvent* event, const QPointF&) {
  pan(event->pos());
  return true;
}

bool ZarvoPanTool::compositionRelease(QMouseEvent*, const QPointF&) {
  endPan();
  return true;
}

void ZarvoPanTool::activate(GmTool*) {
  clearGesture();
}

void ZarvoPanTool::deactivate(GmTool*) {
  if (dragging_) endPan();
  clearGesture();
}
