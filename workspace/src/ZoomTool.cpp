#include "workspace/ZoomTool.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>

#include "TemporaryTool.h"
#include "document/GmModel.h"
#include "document/Rectangle.h"
#include "workspace/WidgetFunctions.h"
#include "workspace/WorkspaceResources.h"

namespace {

const QString helpPage = QStringLiteral("touring_zarvo/zoom_and_pan.htm");

}  // namespace

ZoomTool::ZoomTool(QActionGroup* group, QWidget* menu, ToolOptions* options)
    : RectangleTool(QStringLiteral("Zoom Tool"),
                    QApplication::translate("TsApp", "Zoom", "[qor, zarvo]Zarvo Zoom Tool name"),
                    resourceIcon(QStringLiteral(":images/tool_image_zoom.png")), tr("Z"), QString(),
                    group, nullptr, menu, options),
      zoomIn_(makePixmapCursor(10, 14, QStringLiteral(":images/curs_data_zoomin.png"))),
      zoomOut_(makePixmapCursor(10, 14, QStringLiteral(":images/curs_data_zoomout.png"))),
      unavailable_(
          makePixmapCursor(10, 14, QStringLiteral(":images/curs_data_zoomunavailable.png"))),
      cursor_(zoomIn_.get()) {
  setWhatsThisText(tr("<p>Use to zoom in (or out) of the image:</p><ul><li><b><i>Zoom "
                      "In</i></b>: Click.</li><li><b><i>Zoom Out</i></b>: Hold down the "
                      "<b>Alt</b> key and click.</li><li><b><i>Marquee (Box) Zoom</i></b>: "
                      "Click and drag.</li></ul>",
                      "[tip]") +
                   learnMoreTip(helpPage));
  setOptionPage(createZoomPage());
}

ZoomTool::~ZoomTool() = default;

QWidget* ZoomTool::createZoomPage() {
  auto* page = new QWidget;
  auto* layout = new QHBoxLayout(page);

  auto* actualPixels = new QPushButton(tr("Actual Pixels"), page);
  actualPixels->setToolTip(tr("Show image with no zoom"));
  actualPixels->setWhatsThis(tr("<p><b>Actual Pixels</b></p><p>Shows your image in its "
                                "original form, with no zoom.</p>",
                                "[tip]") +
                             learnMoreTip(helpPage));
  connect(actualPixels, &QPushButton::clicked, this, &ZoomTool::actualPixelsSignal);
  layout->addWidget(actualPixels);

  auto* fitScreen = new QPushButton(tr("Fit Screen"), page);
  fitScreen->setToolTip(tr("Zoom to fit image on screen"));
  fitScreen->setWhatsThis(tr("<p><b>Fit Screen</b></p><p>Adjusts the size of your image, "
                             "automatically, to fit on your screen.</p>",
                             "[tip]") +
                          learnMoreTip(helpPage));
  connect(fitScreen, &QPushButton::clicked, this, &ZoomTool::fitScreenSignal);
  layout->addWidget(fitScreen);

  layout->addWidget(new QLabel(tr("Zoom level:"), page));

  auto* slider = new QSlider(Qt::Horizontal, page);
  slider->setMinimumWidth(130);
  slider->setRange(-25, 25);
  slider->setValue(zoomSliderValue_);
  slider->setToolTip(tr("Adjust zoom level"));
  slider->setWhatsThis(tr("<p><b>Zoom Level</b></p><p>Drag the slider to adjust the zooming; "
                          "left to zoom out, right to zoom in.</p>",
                          "[tip]") +
                       learnMoreTip(helpPage));
  connect(slider, &QSlider::valueChanged, this, &ZoomTool::zoomSliderChanged);
  layout->addWidget(slider);
  layout->addStretch(1);
  zoomSlider_ = slider;
  return page;
}

QCursor ZoomTool::cursor() const {
  return *cursor_;
}

void ZoomTool::showCursor(const QCursor* cursor) {
  if (cursor == cursor_) return;
  cursor_ = cursor;
  if (current() == this) emit GmModel::instance()->cursorChanged(cursor_);
}

void ZoomTool::cursorFromModifiers(Qt::KeyboardModifiers modifiers) {
  if (modifiers & Qt::AltModifier) {
    if (!GmModel::instance()->zoomRectangle())
      showCursor(zoomOutEnabled_ ? zoomOut_.get() : unavailable_.get());
  } else {
    showCursor(zoomInEnabled_ ? zoomIn_.get() : unavailable_.get());
  }
}

void ZoomTool::mousePressEvent(QMouseEvent* event, const QPointF& point) {
  cursorFromModifiers(event->modifiers());
  if (event->button() != Qt::LeftButton) return;
  if (cursor_ == zoomIn_.get())
    pressPoint_ = point;
  else if (cursor_ == zoomOut_.get())
    emit zoomOutSignal();
}

void ZoomTool::mouseMoveEvent(QMouseEvent* event, const QPointF& point) {
  cursorFromModifiers(event->modifiers());
  if (cursor_ == zoomIn_.get()) RectangleTool::mouseMoveEvent(event, point);
}

void ZoomTool::mouseReleaseEvent(QMouseEvent* event, const QPointF& point) {
  cursorFromModifiers(event->modifiers());
  if (event->button() == Qt::LeftButton && cursor_ == zoomIn_.get() &&
      previousLeftButtonState() != 0)
    rectangleFinished(point);
}

void ZoomTool::mouseDoubleClickEvent(QMouseEvent* event, const QPointF&) {
  cursorFromModifiers(event->modifiers());
  if (event->button() != Qt::LeftButton) return;
  if (cursor_ == zoomIn_.get())
    emit zoomInSignal();
  else if (cursor_ == zoomOut_.get())
    emit zoomOutSignal();
}

void ZoomTool::escapePressed() {
  if (leftButtonState() != 0) {
    GmModel::instance()->clearZoomRectangle();
    clearGesture();
  } else {
    GmTool::escapePressed();
  }
}

void ZoomTool::keyEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Alt) cursorFromModifiers(event->modifiers());
}

ImageView::ViewTabs ZoomTool::viewTabs() const {
  return ImageView::ViewTabs(7);
}

int ZoomTool::targetDisplayMode(ArrowTarget* target) const {
  return previous_ ? previous_->targetDisplayMode(target) : 3;
}

GmTool* ZoomTool::previousTool() const {
  return previous_;
}

void ZoomTool::activate(GmTool* previous) {
  previous_ = returnToolFor(this, previous);
  clearGesture();
}

void ZoomTool::deactivate(GmTool*) {
  GmModel::instance()->clearZoomRectangle();
  clearGesture();
}

void ZoomTool::rectangleStarted(const QPointF& pressPoint) {
  GmModel::instance()->setZoomRectangle(pressPoint);
}

void ZoomTool::rectangleFinished(const QPointF& point) {
  GmModel* model = GmModel::instance();
  if (previousLeftButtonState() == 2) {
    if (ts::Rectangle* rectangle = model->zoomRectangle()) {
      rectangle->dragCornerTo(point);
      const QRectF into = rectangle->boundingRect();
      if (into.width() >= 0 && into.height() >= 0) emit zoomToRectSignal(ImageRectF(into));
    }
  } else {
    emit zoomInSignal();
  }
  model->clearZoomRectangle();
}

ts::Rectangle* ZoomTool::currentRectangle() {
  return GmModel::instance()->zoomRectangle();
}

void ZoomTool::zoomInEnabledSlot(bool enabled) {
  zoomInEnabled_ = enabled;
  if (cursor_ != zoomOut_.get()) showCursor(enabled ? zoomIn_.get() : unavailable_.get());
}

void ZoomTool::zoomOutEnabledSlot(bool enabled) {
  zoomOutEnabled_ = enabled;
  if (cursor_ != zoomIn_.get()) showCursor(enabled ? zoomOut_.get() : unavailable_.get());
}

void ZoomTool::setZoomSliderValue(int value) {
  zoomSliderValue_ = value;
  if (zoomSlider_) {
    const QSignalBlocker blocker(zoomSlider_);
    zoomSlider_->setValue(value);
  }
}
