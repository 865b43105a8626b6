#include "composition/ZarvoZoomTool.h"

#include <algorithm>
#include <cmath>

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>

#include "composition/ZarvoObject.h"
#include "composition/ZarvoWidget.h"
#include "document/GmModel.h"
#include "workspace/WidgetFunctions.h"
#include "workspace/WorkspaceResources.h"

namespace {

// Computed once, and used both ways: log10(100) and log10(2.5) as log10(250) - log10(100).
const double kLog100 = std::log10(100.0);
const double kLog25 = std::log10(250.0) - std::log10(100.0);

const char* const kHelpPage = "touring_zarvo/zoom_and_pan.htm";

}  // namespace

ZarvoZoomTool::ZarvoZoomTool(ZarvoWidget* view, QActionGroup* group, QWidget* menu,
                             ToolOptions* options)
    : GmTool(QStringLiteral("Zoom"), tr("Zoom"),
             resourceIcon(QStringLiteral(":images/tool_image_zoom.png")), QStringLiteral("Z"),
             tr("<p>Use to zoom in (or out) of the image:</p><ul><li><b><i>Zoom In</i></b>: "
                "Click.</li><li><b><i>Zoom Out</i></b>: Hold down the <b>Alt</b> key and "
                "click.</li></ul>") +
                 learnMoreTip(QString::fromLatin1(kHelpPage)),
             group, nullptr, menu, options),
      zoomInCursor_(makePixmapCursor(10, 14, QStringLiteral(":images/curs_data_zoomin.png"))),
      zoomOutCursor_(makePixmapCursor(10, 14, QStringLiteral(":images/curs_data_zoomout.png"))),
      unavailableCursor_(
          makePixmapCursor(10, 14, QStringLiteral(":images/curs_data_zoomunavailable.png"))),
      currentCursor_(zoomInCursor_.get()),
      view_(view) {
  setOptionPage(createOptionsWidget());
  if (view_) {
    connect(this, &ZarvoZoomTool::actualPixelsSignal, view_, &ZarvoWidget::zoomTo100PercentSlot);
    connect(this, &ZarvoZoomTool::fitScreenSignal, view_, &ZarvoWidget::fitImageOnScreenSlot);
    connect(this, &ZarvoZoomTool::zoomToSignal, view_, &ZarvoWidget::zoomToSlot);
    connect(view_, &ZarvoWidget::zoomedTo, this, &ZarvoZoomTool::setZoomValue);
  }
  connect(ZarvoObject::instance(), &ZarvoObject::outputTypeChanged, this,
          &ZarvoZoomTool::outputTypeChangedSlot);
}

ZarvoZoomTool::~ZarvoZoomTool() = default;

QWidget* ZarvoZoomTool::createOptionsWidget() {
  const QString learnMore = learnMoreTip(QString::fromLatin1(kHelpPage));
  auto* page = new QWidget;
  auto* layout = new QHBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);

  actualPixels_ = new QPushButton(tr("Actual Pixels"));
  actualPixels_->setToolTip(tr("Show image with no zoom"));
  actualPixels_->setWhatsThis(
      tr("<p><b>Actual Pixels</b></p><p>Shows your image in its original form, with no "
         "zoom.</p>") +
      learnMore);
  connect(actualPixels_, &QPushButton::clicked, this, &ZarvoZoomTool::actualPixelsSignal);
  layout->addWidget(actualPixels_);
  outputTypeChangedSlot();

  fitScreen_ = new QPushButton(tr("Fit Screen"));
  fitScreen_->setToolTip(tr("Fit image on screen"));
  fitScreen_->setWhatsThis(tr("<p><b>Fit Screen</b></p><p>Adjusts the zoom level of your image, "
                              "automatically, to fit on your screen.</p>") +
                           learnMore);
  connect(fitScreen_, &QPushButton::clicked, this, &ZarvoZoomTool::fitScreenSignal);
  layout->addWidget(fitScreen_);

  layout->addWidget(new QLabel(tr("Zoom level:")));

  zoomSlider_ = new QSlider(Qt::Horizontal);
  zoomSlider_->setRange(-25, 25);
  zoomSlider_->setMinimumWidth(130);
  zoomSlider_->setToolTip(tr("Adjust zoom level"));
  zoomSlider_->setWhatsThis(tr("<p><b>Zoom Level</b></p><p>Drag the slider to adjust the "
                               "zooming; left to zoom out, right to zoom in.</p>") +
                            learnMore);
  zoomSlider_->setValue(zoomToSlider(zoom_));
  connect(zoomSlider_, &QSlider::valueChanged, this, &ZarvoZoomTool::zoomSliderChangedSlot);
  layout->addWidget(zoomSlider_);
  layout->addStretch(1);
  return page;
}

QCursor ZarvoZoomTool::cursor() const {
  return *currentCursor_;
}

ImageView::ViewTabs ZarvoZoomTool::viewTabs() const {
  return ImageView::ComposePicture | ImageView::AddEffects;
}

void ZarvoZoomTool::activate(GmTool*) {
  clearGesture();
}

void ZarvoZoomTool::deactivate(GmTool*) {
  clearGesture();
}

// ---- Slider scale

double ZarvoZoomTool::sliderToZoom(int position) {
  return std::pow(10.0, position * 0.04 * kLog25 + kLog100) * 0.01;
}

int ZarvoZoomTool::zoomToSlider(double zoom) {
  return int(std::trunc((std::log10(zoom * 100.0) - kLog100) / kLog25 * 25.0));
}

void ZarvoZoomTool::zoomSliderChangedSlot(int position) {
  zoom_ = sliderToZoom(position);
  emit zoomToSignal(zoom_, QPointF(0, 0));
}

void ZarvoZoomTool::setZoomValue(qreal zoom) {
  if (!(zoom > 0.0) || !std::isfinite(zoom)) return;
  zoom_ = zoom;
  if (!zoomSlider_) return;
  // The blocker restores whatever blocking the slider had.
  const QSignalBlocker blocker(zoomSlider_);
  zoomSlider_->setValue(zoomToSlider(zoom));
}

void ZarvoZoomTool::outputTypeChangedSlot() {
  if (actualPixels_) actualPixels_->setVisible(ZarvoObject::instance()->outputType() == 0);
}

// ---- Zooming

void ZarvoZoomTool::zoomIn(const QPointF& scenePoint) {
  zoom_ = std::min(zoom_ * 1.25, kMaximumZoom);
  emit zoomToSignal(zoom_, scenePoint);
}

void ZarvoZoomTool::zoomOut() {
  zoom_ = std::max(zoom_ * 0.8, kMinimumZoom);
  emit zoomToSignal(zoom_, QPointF(0, 0));
}

void ZarvoZoomTool::setCurrentCursor(const QCursor* cursor) {
  if (cursor == currentCursor_) return;
  currentCursor_ = cursor;
  if (GmTool::current() == this) emit GmModel::instance()->cursorChanged(cursor);
}

void ZarvoZoomTool::chooseCursor() {
  if (zoomingIn_)
    setCurrentCursor(canZoomIn_ ? zoomInCursor_.get() : unavailableCursor_.get());
  else
    setCurrentCursor(canZoomOut_ ? zoomOutCursor_.get() : unavailableCursor_.get());
}

void ZarvoZoomTool::pressHandler(QMouseEvent* event, const QPointF& scenePoint) {
  zoomingIn_ = !(event->modifiers() & Qt::AltModifier);
  chooseCursor();
  if (event->button() != Qt::LeftButton) return;
  if (currentCursor_ == zoomInCursor_.get())
    zoomIn(scenePoint);
  else if (currentCursor_ == zoomOutCursor_.get())
    zoomOut();
}

void ZarvoZoomTool::releaseHandler(QMouseEvent* event) {
  zoomingIn_ = !(event->modifiers() & Qt::AltModifier);
  chooseCursor();
  if (event->button() != Qt::LeftButton) return;
  canZoomIn_ = kMaximumZoom > zoom_;
  canZoomOut_ = zoom_ > kMinimumZoom;
  chooseCursor();
}

void ZarvoZoomTool::keyEvent(QKeyEvent* event) {
  if (event->key() != Qt::Key_Alt || event->isAutoRepeat()) return;
  zoomingIn_ = !(event->modifiers() & Qt::AltModifier);
  chooseCursor();
}

bool ZarvoZoomTool::compositionPress(QMouseEvent* event, const QPointF& scenePoint) {
  pressHandler(event, scenePoint);
  return true;
}

bool ZarvoZoomTool::compositionDoubleClick(QMouseEvent* event, const QPointF& scenePoint) {
  pressHandler(event, scenePoint);
  return true;
}

bool ZarvoZoomTool::compositionMove(QMouseEvent*, const QPointF&) {
  return false;
}

bool ZarvoZoomTool::compositionRelease(QMouseEvent* event, const QPointF&) {
  releaseHandler(event);
  return true;
}
