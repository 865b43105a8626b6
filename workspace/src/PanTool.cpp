#include "workspace/PanTool.h"

#include <QApplication>
#include <QMouseEvent>

#include "TemporaryTool.h"
#include "document/GmModel.h"
#include "workspace/WidgetFunctions.h"
#include "workspace/WorkspaceResources.h"
#include "workspace/ZoomTool.h"

GmTool* returnToolFor(const GmTool* self, GmTool* previous) {
  GmTool* tool = previous && previous->previousTool() ? previous->previousTool() : previous;
  if (tool == self || qobject_cast<PanTool*>(tool) || qobject_cast<ZoomTool*>(tool)) return nullptr;
  return tool;
}

PanTool::PanTool(QActionGroup* group, QWidget* menu, ToolOptions* options)
    : GmTool(QStringLiteral("Hand Tool"),
             QApplication::translate("TsApp", "Pan",
                                     "[qor, zarvo]Pan - as in panning around an image"),
             resourceIcon(QStringLiteral(":images/tool_image_pan.png")), QStringLiteral("P"),
             QString(), group, nullptr, menu, options),
      openHand_(makePixmapCursor(15, 18, QStringLiteral(":images/curs_data_handopen.png"))),
      grabHand_(makePixmapCursor(15, 18, QStringLiteral(":images/curs_data_handgrab.png"))),
      cursor_(openHand_.get()) {
  setWhatsThisText(
      tr("<p>Use to drag and pan an image.</p><p>Press and hold the &lsquo;space bar&rsquo; on "
         "the keyboard at any time when working on the image to temporarily switch to the "
         "<b>%1</b>; letting go of the space bar returns you to the tool you were using. Click "
         "and drag to pan image.</p>")
          .arg(text()) +
      learnMoreTip(QStringLiteral("touring_zarvo/zoom_and_pan.htm")));
  // Every pan tool shows the one shared empty page.
  setOptionPage(nullptr);
}

PanTool::~PanTool() = default;

QCursor PanTool::cursor() const {
  return *cursor_;
}

void PanTool::showCursor(const QCursor* cursor) {
  cursor_ = cursor;
  emit GmModel::instance()->cursorChanged(cursor_);
}

void PanTool::mousePressEvent(QMouseEvent* event, const QPointF&) {
  if (event->button() != Qt::LeftButton) return;
  lastPosition_ = event->globalPos();
  showCursor(grabHand_.get());
}

void PanTool::mouseMoveEvent(QMouseEvent* event, const QPointF&) {
  if (!(event->buttons() & Qt::LeftButton)) return;
  emit tellPan(lastPosition_ - event->globalPos());
  lastPosition_ = event->globalPos();
}

void PanTool::mouseReleaseEvent(QMouseEvent* event, const QPointF&) {
  if (event->button() != Qt::LeftButton) return;
  emit tellPan(lastPosition_ - event->globalPos());
  lastPosition_ = event->globalPos();
  showCursor(openHand_.get());
}

void PanTool::mouseDoubleClickEvent(QMouseEvent* event, const QPointF& point) {
  mousePressEvent(event, point);
}

ImageView::ViewTabs PanTool::viewTabs() const {
  return ImageView::ViewTabs(7);
}

int PanTool::targetDisplayMode(ArrowTarget* target) const {
  return previous_ ? previous_->targetDisplayMode(target) : 3;
}

GmTool* PanTool::previousTool() const {
  return previous_;
}

void PanTool::activate(GmTool* previous) {
  previous_ = returnToolFor(this, previous);
  if (QApplication::mouseButtons() & Qt::LeftButton) lastPosition_ = QCursor::pos();
  clearGesture();
}

void PanTool::deactivate(GmTool*) {
  clearGesture();
}
