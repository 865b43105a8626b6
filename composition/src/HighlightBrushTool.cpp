#include "composition/HighlightBrushTool.h"

#include <cstring>

#include <QCursor>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QTimerEvent>

#include "composition/CompositionResources.h"
#include "composition/CutoutController.h"
#include "composition/Highlighter.h"
#include "composition/ZarvoObject.h"
#include "composition/ZarvoWidget.h"
#include "kestrum/qt/UnsplitImageWork.h"
#include "workspace/WidgetFunctions.h"

namespace {

// The image as Format_ARGB32, shared when it is one already; null when it is null or the
// conversion finds no memory.
QImage argb32(const QImage& image) {
  return kestrum::unsplitConverted(image, QImage::Format_ARGB32);
}

void setAlphaFromMask(QImage& image, const QImage& mask, const QRect& rect) {
  for (int y = rect.top(); y <= rect.bottom(); ++y) {
    const QRgb* grey = reinterpret_cast<const QRgb*>(mask.constScanLine(y));
    QRgb* pixel = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = rect.left(); x <= rect.right(); ++x)
      pixel[x] = (pixel[x] & 0x00FFFFFFu) | (QRgb(qRed(grey[x])) << 24);
  }
}

void clearAlpha(QImage& image) {
  for (int y = 0; y < image.height(); ++y) {
    QRgb* pixel = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) pixel[x] &= 0x00FFFFFFu;
  }
}

}  // namespace

HighlightBrushTool::HighlightBrushTool(ZarvoWidget* view, QActionGroup* group, QWidget* menu,
                                       ToolOptions* options)
    : GmTool(QStringLiteral("Highlight Brush"), tr("Highlight Brush"),
             compositionIcon(QStringLiteral(":images/tool_highlight_brush.png")), tr("I"),
             tr("<p>Increase the intensity of highlights on the object.</p>") +
                 learnMoreTip(QStringLiteral("adding_effects/adding_highlight.htm")),
             group, nullptr, menu, options),
      helpPage_(QStringLiteral("adding_effects/adding_highlight.htm")),
      cursor_(makePixmapCursor(5, 5, QStringLiteral(":zarvo/cursor_highlight.png"))),
      view_(view) {
  setOptionPage(createOptionsWidget());
  ZarvoObject* hub = ZarvoObject::instance();
  connect(hub, &ZarvoObject::zarvoReset, this, &HighlightBrushTool::reset);
  connect(this, &HighlightBrushTool::highlightPointsChanged, hub,
          &ZarvoObject::highlightPointsChanged);
  connect(this, &HighlightBrushTool::fullyHighlitImageChanged, hub,
          &ZarvoObject::fullyHighlitImageChanged);
  connect(hub, &ZarvoObject::settling, this, &HighlightBrushTool::settle, Qt::DirectConnection);
  if (view) {
    CutoutController* controller = view->cutoutController();
    connect(this, &HighlightBrushTool::imageHighlighted, controller,
            &CutoutController::imageProcessed);
    connect(controller, &CutoutController::generatedImageChanged, this,
            &HighlightBrushTool::generatedImageChanged);
  }
}

HighlightBrushTool::~HighlightBrushTool() {
  stopRepeat();
  dropHighlighter();
}

QCursor HighlightBrushTool::cursor() const {
  return *cursor_;
}

ImageView::ViewTabs HighlightBrushTool::viewTabs() const {
  return ImageView::AddEffects;
}

int HighlightBrushTool::defaultViewTab() const {
  return ImageView::AddEffects;
}

void HighlightBrushTool::activate(GmTool*) {
  clearGesture();
}

void HighlightBrushTool::deactivate(GmTool*) {
  stopRepeat();
  clearGesture();
}

QWidget* HighlightBrushTool::createOptionsWidget() {
  auto* page = new QWidget;
  auto* layout = new QHBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  const QString learnMore = learnMoreTip(helpPage_);
  size_ = new QSlider(Qt::Horizontal);
  size_->setRange(2, 25);
  size_->setToolTip(tr("Select the brush size"));
  size_->setWhatsThis(tr("<p><b>Highlight Brush - Size</b></p><p>Increase the area affected by "
                         "the <b>Highlight Brush</b> by moving slide to the right and vice "
                         "versa.</p>") +
                      learnMore);
  intensity_ = new QSlider(Qt::Horizontal);
  intensity_->setRange(10, 80);
  intensity_->setToolTip(tr("Select the brush intensity"));
  intensity_->setWhatsThis(tr("<p><b>Highlight Brush - Intensity</b></p><p>Increase the "
                              "intensity of the <b>Highlight Brush</b> by moving slide to the "
                              "right and vice versa.</p>") +
                           learnMore);
  auto* clearButton = new QPushButton(tr("Clear"));
  clearButton->setToolTip(tr("Remove all highlighting"));
  clearButton->setWhatsThis(
      tr("<p><b>Highlight Brush - Clear</b></p><p>Clear all highlights.</p>") + learnMore);
  connect(clearButton, &QPushButton::clicked, this, &HighlightBrushTool::clear);
  connect(clearButton, &QPushButton::clicked, ZarvoObject::instance(),
          &ZarvoObject::noteUserChange);
  layout->addWidget(new QLabel(tr("Size:")));
  layout->addWidget(size_);
  layout->addWidget(new QLabel(tr("Intensity:")));
  layout->addWidget(intensity_);
  layout->addWidget(clearButton);
  layout->addStretch(1);
  reset();
  return page;
}

// ---- Mouse

void HighlightBrushTool::dabAt(const QPointF& scenePoint) {
  stopRepeat();
  addPoint(scenePoint - QPointF(base_));
  timerId_ = startTimer(kRepeatMs, Qt::CoarseTimer);
}

void HighlightBrushTool::stopRepeat() {
  if (timerId_ != -1) killTimer(timerId_);
  timerId_ = -1;
}

bool HighlightBrushTool::compositionPress(QMouseEvent* event, const QPointF& scenePoint) {
  if (event->button() == Qt::LeftButton) dabAt(scenePoint);
  return true;
}

bool HighlightBrushTool::compositionDoubleClick(QMouseEvent* event, const QPointF& scenePoint) {
  return compositionPress(event, scenePoint);
}

bool HighlightBrushTool::compositionMove(QMouseEvent* event, const QPointF& scenePoint) {
  if (event->buttons() & Qt::LeftButton) dabAt(scenePoint);
  return true;
}

bool HighlightBrushTool::compositionRelease(QMouseEvent*, const QPointF&) {
  stopRepeat();
  return true;
}

void HighlightBrushTool::timerEvent(QTimerEvent* event) {
  if (event->timerId() != timerId_) {
    GmTool::timerEvent(event);
    return;
  }
  if (!view_) return;
  const QPoint inViewport = view_->viewport()->mapFromGlobal(QCursor::pos());
  addPoint(view_->mapToScene(inViewport) - QPointF(base_));
}

// ---- Dabs and images

void HighlightBrushTool::reset() {
  if (size_) size_->setValue((size_->minimum() + size_->maximum()) / 2);
  if (intensity_) intensity_->setValue((intensity_->minimum() + intensity_->maximum()) / 2);
  clear();
}

void HighlightBrushTool::clear() {
  points_.clear();
  highlit_ = source_;
  if (!fullyHighlit_.isNull()) clearAlpha(fullyHighlit_);
  if (!mask_.isNull()) mask_.fill(Qt::black);
  emit imageHighlighted(highlit_);
  emit highlightPointsChanged(points_);
}

void HighlightBrushTool::addPoint(QPointF point) {
  ZarvoObject::instance()->noteUserChange();
  HighlightPoint dab;
  dab.position = point;
  dab.radius = size_ ? size_->value() : 13;
  dab.intensity = intensity_ ? intensity_->value() : 45;
  points_.append(dab);
  if (state_ != 2) {
    // The dab takes effect when the copy arrives.
    if (state_ == 0) refreshHighlitImage();
    return;
  }
  emit highlightPointsChanged(points_);
  if (mask_.isNull() || fullyHighlit_.size() != source_.size() ||
      highlit_.size() != source_.size()) {
    highlightImage();
    return;
  }
  {
    QPainter painter(&mask_);
    drawHighlightPoint(painter, dab);
  }
  const int side = 2 * dab.radius + 2;
  // The dab's square, one pixel wider on every side for the edge of its ellipse.
  const QRect square(int(dab.position.x() - dab.radius - 1.0) - 1,
                     int(dab.position.y() - dab.radius - 1.0) - 1, side + 2, side + 2);
  applyMask(square & source_.rect());
  emit imageHighlighted(highlit_);
}

void HighlightBrushTool::applyMask(const QRect& rect) {
  if (rect.isEmpty()) return;
  setAlphaFromMask(fullyHighlit_, mask_, rect);
  // The preview's square afresh from the source, then the copy over it where the cut-out is.
  const int bytes = rect.width() * 4;
  for (int y = rect.top(); y <= rect.bottom(); ++y)
    std::memcpy(highlit_.scanLine(y) + rect.left() * 4, source_.constScanLine(y) + rect.left() * 4,
                std::size_t(bytes));
  QPainter painter(&highlit_);
  painter.setCompositionMode(QPainter::CompositionMode_SourceAtop);
  painter.drawImage(rect.topLeft(), fullyHighlit_, rect);
}

void HighlightBrushTool::dropHighlighter() {
  delete highlighter_;  // stops its thread; a copy on its way goes with it
  highlighter_ = nullptr;
}

void HighlightBrushTool::refreshHighlitImage() {
  refreshPending_ = false;
  dropHighlighter();
  if (source_.isNull()) {
    state_ = 0;
    emit imageHighlighted(QImage());
    return;
  }
  state_ = 1;
  highlighter_ = new Highlighter(source_, this);
  connect(highlighter_, &Highlighter::highlitImageDone, this, [this](const QImage& image) {
    // Its work is done: its images need not stay.
    highlighter_->deleteLater();
    highlighter_ = nullptr;
    highlightImage(image);
  });
}

void HighlightBrushTool::highlightImage(const QImage& image) {
  QImage copy = argb32(image);
  if (!copy.isNull()) clearAlpha(copy);
  fullyHighlit_ = copy;
  state_ = 2;
  emit fullyHighlitImageChanged(fullyHighlit_);
  // Dabs painted while the copy was made reach the hub now, not with the next dab.
  emit highlightPointsChanged(points_);
  highlightImage();
}

void HighlightBrushTool::highlightImage() {
  if (source_.isNull()) {
    emit imageHighlighted(QImage());
    return;
  }
  highlit_ = composeHighlight(points_, source_, fullyHighlit_);
  // The dabs' mask, for the dabs to come: composeHighlight left it as the copy's alpha.
  mask_ = QImage();
  if (fullyHighlit_.size() == source_.size()) {
    mask_ = QImage(fullyHighlit_.size(), QImage::Format_RGB32);
    for (int y = 0; y < mask_.height() && !mask_.isNull(); ++y) {
      const QRgb* pixel = reinterpret_cast<const QRgb*>(fullyHighlit_.constScanLine(y));
      QRgb* grey = reinterpret_cast<QRgb*>(mask_.scanLine(y));
      for (int x = 0; x < mask_.width(); ++x)
        grey[x] = 0xFF000000u | QRgb(qAlpha(pixel[x])) * 0x010101u;
    }
  }
  emit imageHighlighted(highlit_);
}

void HighlightBrushTool::generatedImageChanged(const QImage& image, const QPoint& topLeft) {
  base_ = topLeft;
  dropHighlighter();
  state_ = 0;
  const bool usable = !image.isNull() && image.width() >= 1 && image.height() >= 1;
  source_ = usable ? argb32(image) : QImage();
  fullyHighlit_ = QImage();
  mask_ = QImage();
  // The plain new cut-out and no dabs, then a copy of it.
  clear();
  if (!source_.isNull()) refreshHighlitImage();
}

void HighlightBrushTool::imageSharpened(const QImage& image) {
  source_ = argb32(image);
  highlit_ = source_;
  if (source_.isNull()) {
    dropHighlighter();
    state_ = 0;
    fullyHighlit_ = QImage();
    mask_ = QImage();
    emit imageHighlighted(source_);
    return;
  }
  if (points_.isEmpty()) {
    emit imageHighlighted(source_);
    return;
  }
  refreshPending_ = true;
  QTimer::singleShot(0, this, [this] {
    if (refreshPending_) refreshHighlitImage();
  });
}

void HighlightBrushTool::settle(bool* finished) {
  if (refreshPending_) refreshHighlitImage();
  QImage copy;
  if (!highlighter_ || !highlighter_->finishNow(&copy)) return;
  dropHighlighter();  // its queued delivery goes with it
  highlightImage(copy);
  *finished = true;
}
