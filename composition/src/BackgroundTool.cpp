#include "composition/BackgroundTool.h"

#include <algorithm>

#include <QComboBox>
#include <QConicalGradient>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGraphicsPixmapItem>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QLineF>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>
#include <QRadialGradient>
#include <QSlider>
#include <QStandardPaths>

#include "BackgroundToolPrivate.h"
#include "composition/CompositionHost.h"
#include "composition/CompositionResources.h"
#include "composition/CutoutController.h"
#include "composition/LibraryModel.h"
#include "composition/ZarvoObject.h"
#include "composition/ZarvoWidget.h"
#include "document/ImageOrientation.h"
#include "kestrum/qt/GuardedImageReader.h"
#include "kestrum/qt/RowBands.h"
#include "kestrum/qt/UnsplitImageWork.h"
#include "workspace/ToolPaletteButton.h"
#include "workspace/WidgetFunctions.h"
#include "workspace/WorkspaceHost.h"

namespace {

const char* const kHelpPage = "composing_pictures/choosing_the_background.htm";

bool isImageType(int type) {
  return type == BackgroundTool::ImageFromFile || type == BackgroundTool::ImageFromLibrary;
}

bool isGradientType(int type) {
  return type >= BackgroundTool::Wavy && type <= BackgroundTool::Fan;
}

// The focal point the Curly gradient is given for the second handle at `handle`. Between a
// focal point at distance d from the centre and the circle, the gradient runs from colour 1 to
// colour 2 in radius - d pixels, and beyond the focal point, away from the centre, reflects at
// that pitch over the rest of the canvas. Qt moves a focal point outside the circle to a
// thousandth of the radius inside it: a fraction of a pixel, which shows as a moire, and a
// canvas seen reduced shows rings a few pixels apart as one too. The focal point therefore
// stays a tenth of the radius, and at least 8 pixels, inside the circle, so the rings stay a
// fifth of the radius apart; further in it is the handle itself.
QPointF curlyFocalPoint(const QPointF& centre, double radius, const QPointF& handle) {
  const double reach = std::max(radius - std::max(8.0, radius * 0.1), 0.0);
  QLineF line(centre, handle);
  if (line.length() <= reach) return handle;
  line.setLength(reach);
  return line.p2();
}

struct LoadedImage {
  QPixmap image;
  QSize size;  // the file's own, upright
  QString error;
};

// The image at `path` for a background, read without trusting it. A shorter side above
// kMaxDecodedShorterSide is decoded at that length: no canvas shows more of it.
LoadedImage loadBackgroundImage(const QString& path, bool upright) {
  QSize full = QImageReader(path).size();
  QSize bounding;
  if (full.isValid() &&
      std::min(full.width(), full.height()) > BackgroundTool::kMaxDecodedShorterSide) {
    const int side = BackgroundTool::kMaxDecodedShorterSide;
    bounding = full.scaled(side, side, Qt::KeepAspectRatioByExpanding);
  }
  kestrum::GuardedImageReader::Result read = kestrum::GuardedImageReader::readFile(path, bounding);
  if (!read.ok()) return {QPixmap(), QSize(), read.error};
  if (!full.isValid()) full = read.image.size();
  if (upright) {
    const QTransform turn = orientationTransform(path);
    if (!turn.isIdentity()) {
      read.image = read.image.transformed(turn, Qt::FastTransformation);
      full = turn.mapRect(QRect(QPoint(0, 0), full)).size();
    }
  }
  QPixmap pixmap = kestrum::unsplitPixmap(read.image);
  if (pixmap.isNull())
    return {QPixmap(), QSize(), QCoreApplication::translate("BackgroundTool", "Out of memory")};
  return {pixmap, full, QString()};
}

void refuseImage(const QString& path, const QString& error) {
  compositionHost().message(
      QMessageBox::Warning, workspaceHost().productName(),
      QCoreApplication::translate("BackgroundTool", "Could not use %1 as background: %2")
          .arg(QDir::toNativeSeparators(path), error));
}

}  // namespace

BackgroundTool::BackgroundTool(ZarvoWidget* view, QActionGroup* group, QWidget* menu,
                               ToolOptions* options)
    : GmTool(QStringLiteral("Choose Background"), tr("Choose Background"),
             compositionIcon(QStringLiteral(":images/tool_background.png")), QString(),
             tr("<p>Select a new background to throw behind your object.</p>") +
                 learnMoreTip(QLatin1String(kHelpPage)),
             group, nullptr, menu, options),
      d(std::make_unique<BackgroundToolPrivate>()) {
  d->view = view;
  d->paintBucket = QPixmap(QStringLiteral(":images/paintbucket.png"));
  d->paintBucketMask = QBitmap(QStringLiteral(":images/paintbucket_mask.png"));
  setOptionPage(createOptionsWidget());

  ZarvoObject* hub = ZarvoObject::instance();
  connect(hub, &ZarvoObject::canvasChanged, this, &BackgroundTool::canvasChangedSlot);
  connect(this, &BackgroundTool::backgroundSizeChanged, hub, &ZarvoObject::setBackgroundImageSize);
  connect(hub, &ZarvoObject::zarvoReset, this, &BackgroundTool::reset);
  connect(this, &BackgroundTool::backgroundChanged, hub, &ZarvoObject::backgroundChanged);
  // Thumbnails start loading now rather than when the chooser first opens.
  LibraryModel::instance();
  reset();
}

BackgroundTool::~BackgroundTool() {
  // Items still in a scene leave it as they go.
  delete d->handle1;
  delete d->handle2;
  delete d->backgroundItem;
}

QWidget* BackgroundTool::createOptionsWidget() {
  auto* page = new QWidget;
  auto* row = new QHBoxLayout(page);
  row->setContentsMargins(0, 0, 0, 0);
  const QString learnMore = learnMoreTip(QLatin1String(kHelpPage));

  d->typeCombo = new QComboBox;
  d->typeCombo->addItems({tr("One Color"), tr("Wavy"), tr("Curly"), tr("Fan"),
                          tr("Image from file..."), tr("Image from library...")});
  d->typeCombo->setToolTip(tr("Choose background type"));
  d->typeCombo->setWhatsThis(
      tr("<p><b>Background Type</b></p><p>Choose a background for your image:</p><ul><li><b>One "
         "Color Background</b> - Choose a single color for a clean look that will make your "
         "image really pop.</li><li><b>Wavy Background</b> - Enhance your image with this look, "
         "choosing the two colors to wave together.</li><li><b>Curly Background</b> - Enhance "
         "your image with this look, choosing the two colors to curl together as well as the "
         "size of the curl radius.</li><li><b>Fan Background</b> - Enhance your image with this "
         "look, choosing the two colors to fan together.</li><li><b>Image from File</b> - Make "
         "your image a one-of-a-kind using another image you have saved as the "
         "background.</li><li><b>Image from Library</b> - Pick from our library of great "
         "background images.</li>") +
      learnMore);

  const QString colourHelp =
      tr("<p><b>Background Colors</b></p><p>Select background color(s). For a one color "
         "background pick a single color. For wavy, curly and fan backgrounds pick two "
         "colors.</p>") +
      learnMore;
  auto makeColourButton = [&] {
    auto* button = new ToolPaletteButton;
    button->setAutoRaise(true);
    button->setIconSize(d->buttonIconSize);
    button->setToolTip(tr("Change color"));
    button->setWhatsThis(colourHelp);
    return button;
  };
  d->colour1Label = new QLabel(tr("Color:"));
  d->colour1Button = makeColourButton();
  d->colour2Label = new QLabel(tr("Color 2:"));
  d->colour2Button = makeColourButton();

  d->radiusLabel = new QLabel(tr("Radius:"));
  d->radiusSlider = new QSlider(Qt::Horizontal);
  d->radiusSlider->setRange(1, 6);
  d->radiusSlider->setMaximumWidth(50);
  d->radiusSlider->setToolTip(tr("Change radius"));
  d->radiusSlider->setWhatsThis(
      tr("<p><b>Background Radius</b></p>Set a radius for the Curly background") + learnMore);

  d->chooseFileButton = new QPushButton(tr("Choose file..."));
  d->chooseFileButton->setToolTip(tr("Choose an image file to use as background"));
  d->fileLabel = new QLabel;
  d->fileLabel->setToolTip(tr("Current background image file"));
  d->chooseImageButton = new QPushButton(tr("Choose image..."));
  d->chooseImageButton->setToolTip(tr("Choose an image from the background image library"));
  d->libraryLabel = new QLabel;
  d->libraryLabel->setToolTip(tr("Current background image name"));

  row->addWidget(new QLabel(tr("Background type:")));
  for (QWidget* w : std::initializer_list<QWidget*>{
           d->typeCombo, d->colour1Label, d->colour1Button, d->colour2Label, d->colour2Button,
           d->radiusLabel, d->radiusSlider, d->chooseFileButton, d->fileLabel, d->chooseImageButton,
           d->libraryLabel})
    row->addWidget(w);
  row->addStretch(1);

  connect(d->typeCombo, qOverload<int>(&QComboBox::currentIndexChanged), this,
          &BackgroundTool::typeChangedSlot);
  connect(d->typeCombo, qOverload<int>(&QComboBox::currentIndexChanged), this,
          &BackgroundTool::enableButtons);
  connect(d->colour1Button, &QToolButton::clicked, this, &BackgroundTool::chooseColour1);
  connect(d->colour2Button, &QToolButton::clicked, this, &BackgroundTool::chooseColour2);
  connect(d->radiusSlider, &QSlider::valueChanged, this, &BackgroundTool::updateBackground);
  connect(d->chooseFileButton, &QPushButton::clicked, this, &BackgroundTool::chooseFile);
  connect(d->chooseImageButton, &QPushButton::clicked, this, &BackgroundTool::chooseImage);
  // The type and radius move for the user but in reset(), within the hub's reset, which clears
  // what they tell.
  ZarvoObject* hub = ZarvoObject::instance();
  connect(d->typeCombo, qOverload<int>(&QComboBox::currentIndexChanged), hub,
          &ZarvoObject::noteUserChange);
  connect(d->radiusSlider, &QSlider::valueChanged, hub, &ZarvoObject::noteUserChange);

  ItemScene* scene = d->view ? d->view->itemScene() : nullptr;
  d->backgroundItem = new QGraphicsPixmapItem;
  d->backgroundItem->setZValue(1.0);
  if (scene) {
    scene->addItem(d->backgroundItem);
    connect(scene, &ItemScene::itemsClosing, this, &BackgroundTool::forgetItems);
  }
  const QPixmap handle(QStringLiteral(":/images/handle_gradient.png"));
  d->handle1 =
      new ZarvoGrabHandle<BackgroundTool>(handle, scene, this, &BackgroundTool::handleMoved);
  d->handle2 =
      new ZarvoGrabHandle<BackgroundTool>(handle, scene, this, &BackgroundTool::handleMoved);
  for (ZarvoGrabHandleBase* h : {static_cast<ZarvoGrabHandleBase*>(d->handle1),
                                 static_cast<ZarvoGrabHandleBase*>(d->handle2)}) {
    h->setZValue(14.0);
    h->setVisible(false);
  }
  return page;
}

void BackgroundTool::forgetItems() {
  d->backgroundItem = nullptr;
  d->handle1 = nullptr;
  d->handle2 = nullptr;
}

// ---- Tool

ImageView::ViewTabs BackgroundTool::viewTabs() const {
  return ImageView::ComposePicture;
}

int BackgroundTool::defaultViewTab() const {
  return ImageView::ComposePicture;
}

void BackgroundTool::activate(GmTool*) {
  d->active = true;
  enableButtons();
}

void BackgroundTool::deactivate(GmTool*) {
  d->active = false;
  enableButtons();
}

void BackgroundTool::enableButtons() {
  const int t = d->typeCombo->currentIndex();
  d->colour1Label->setText(t == OneColor ? tr("Color:") : tr("Color 1:"));
  d->colour1Label->setVisible(t <= Fan);
  d->colour1Button->setVisible(t <= Fan);
  d->colour2Label->setVisible(isGradientType(t));
  d->colour2Button->setVisible(isGradientType(t));
  d->radiusLabel->setVisible(t == Curly);
  d->radiusSlider->setVisible(t == Curly);
  d->chooseFileButton->setVisible(t == ImageFromFile);
  d->fileLabel->setVisible(t == ImageFromFile);
  d->chooseImageButton->setVisible(t == ImageFromLibrary);
  d->libraryLabel->setVisible(t == ImageFromLibrary);
  for (ZarvoGrabHandleBase* h : {static_cast<ZarvoGrabHandleBase*>(d->handle1),
                                 static_cast<ZarvoGrabHandleBase*>(d->handle2)})
    if (h) h->setVisible(isGradientType(t) && d->active);
  // Only while this tool is current (or handing over): a reset while another editing tool is
  // current must not take the instances' selectability from it.
  if (GmTool::current() == this) CutoutController::setEditingAndRefresh(d->active);
}

// ---- Rendering

QRect BackgroundTool::coveringSource(const QSize& image, const QSize& target) {
  const int iw = image.width(), ih = image.height();
  if (iw <= 0 || ih <= 0 || target.isEmpty()) return QRect();
  const double sx = double(target.width()) / iw;
  const double sy = double(target.height()) / ih;
  if (sx >= sy) {
    const int hs = std::clamp(int(target.height() / sx), 1, ih);
    return QRect(0, (ih - hs) / 2, iw, hs);
  }
  const int ws = std::clamp(int(target.width() / sy), 1, iw);
  return QRect((iw - ws) / 2, 0, ws, ih);
}

void BackgroundTool::drawImageCovering(const QPixmap& image, QPaintDevice& target) {
  const QRect source = coveringSource(image.size(), QSize(target.width(), target.height()));
  if (source.isEmpty()) return;
  QPainter painter(&target);
  painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
  painter.drawPixmap(QRect(0, 0, target.width(), target.height()), image, source);
}

void BackgroundTool::fillGradient(QImage& image, const QGradient& gradient) {
  // Each band paints its own rows through a painter moved up by the band's first row, so every
  // pixel meets the same arithmetic as under one painter: the result does not depend on the
  // bands (a conical fill, one arc tangent a pixel, is otherwise slow at 1600 x 1600).
  uchar* const bits = image.bits();  // detached here, on the calling thread
  const int width = image.width(), height = image.height();
  const qsizetype stride = image.bytesPerLine();
  const QImage::Format format = image.format();
  kestrum::runRowBands(height, 64, [&](int first, int end) {
    QImage band(bits + first * stride, width, end - first, int(stride), format);
    QPainter painter(&band);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(0, -first);
    painter.fillRect(QRect(0, 0, width, height), gradient);
  });
}

void BackgroundTool::updateBackground() {
  const QRect canvas = ZarvoObject::instance()->canvasRect();
  const int w = canvas.right() - canvas.left() + 1;
  const int h = canvas.bottom() - canvas.top() + 1;
  if (w <= 0 || h <= 0) return;
  // The format a pixmap filled with colour 1 has; painted as an image so that gradients can be
  // painted on several threads.
  QImage image(
      w, h, d->colour1.alpha() == 255 ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied);
  if (image.isNull()) return;
  image.fill(d->colour1);
  // Handles are in scene units; the pixmap starts at the canvas's top-left.
  const QPointF origin = canvas.topLeft();
  const QPointF p1 = (d->handle1 ? d->handle1->scenePos() : QPointF()) - origin;
  const QPointF p2 = (d->handle2 ? d->handle2->scenePos() : QPointF()) - origin;

  // Every gradient reflects and runs from colour 1 to colour 2 over the whole pixmap.
  auto fill = [&](QGradient&& gradient) {
    gradient.setSpread(QGradient::ReflectSpread);
    gradient.setColorAt(0, d->colour1);
    gradient.setColorAt(1, d->colour2);
    fillGradient(image, gradient);
  };
  switch (d->typeCombo->currentIndex()) {
    case Wavy:
      fill(QLinearGradient(p1, p2));
      break;
    case Curly: {
      const int steps = d->radiusSlider->maximum() + 1 - d->radiusSlider->value();
      const double radius = std::min(w, h) / double(steps);
      fill(QRadialGradient(p1, radius, curlyFocalPoint(p1, radius, p2)));
      break;
    }
    case Fan:
      // Counter-clockwise from the x axis, as the gradient counts; two handles on one point
      // give no direction, and 0 rather than an undefined angle.
      fill(QConicalGradient(p1, p1 == p2 ? 0.0 : QLineF(p1, p2).angle()));
      break;
    case ImageFromFile:
      if (!d->fileImage.isNull()) drawImageCovering(d->fileImage, image);
      break;
    case ImageFromLibrary:
      if (!d->libraryImage.isNull()) drawImageCovering(d->libraryImage, image);
      break;
    default:
      break;
  }
  const QPixmap pixmap = QPixmap::fromImage(std::move(image));
  d->background = pixmap;
  emit backgroundChanged(pixmap);
  if (d->backgroundItem) {
    d->backgroundItem->setPixmap(pixmap);
    d->backgroundItem->setPos(origin);
  }
}

void BackgroundTool::handleMoved(const QPointF&, Qt::KeyboardModifiers) {
  ZarvoObject::instance()->noteUserChange();
  updateBackground();
}

void BackgroundTool::canvasChangedSlot(const QRect&, const QRect&) {
  updateBackground();
}

// ---- Colours

QPixmap BackgroundTool::colourIcon(const QColor& colour) const {
  QPixmap paint(d->paintBucketMask.size());
  paint.fill(colour);
  paint.setMask(d->paintBucketMask);
  QPixmap icon = d->paintBucket.copy();
  QPainter(&icon).drawPixmap(0, 0, paint);
  return icon;
}

void BackgroundTool::setColour1(const QColor& colour) {
  ZarvoObject::instance()->noteUserChange();  // the user's but in reset()
  d->colour1 = colour;
  d->colour1Button->setIcon(colourIcon(colour));
  updateBackground();
}

void BackgroundTool::setColour2(const QColor& colour) {
  ZarvoObject::instance()->noteUserChange();  // the user's but in reset()
  d->colour2 = colour;
  d->colour2Button->setIcon(colourIcon(colour));
  updateBackground();
}

void BackgroundTool::chooseColour1() {
  const QColor chosen = workspaceHost().askColour(d->colour1);
  if (chosen.isValid() && chosen != d->colour1) setColour1(chosen);
}

void BackgroundTool::chooseColour2() {
  const QColor chosen = workspaceHost().askColour(d->colour2);
  if (chosen.isValid() && chosen != d->colour2) setColour2(chosen);
}

// ---- Types and images

void BackgroundTool::announceImage(const QSize& size, const QPixmap& image) {
  emit backgroundSizeChanged(size);
  emit backgroundPixmapChanged(image);
}

void BackgroundTool::typeChangedSlot(int index) {
  if (index == ImageFromFile || index == ImageFromLibrary) {
    const bool file = index == ImageFromFile;
    const QPixmap& image = file ? d->fileImage : d->libraryImage;
    if (image.isNull() && !(file ? chooseFile() : chooseImage())) {
      revertType();
      return;
    }
    updateBackground();
    announceImage(file ? d->fileImageSize : d->libraryImageSize, image);
  } else {
    if (isImageType(d->currentType)) announceImage(QSize(-1, -1), QPixmap());
    updateBackground();
  }
  d->currentType = index;
  enableButtons();
}

void BackgroundTool::revertType() {
  const bool blocked = d->typeCombo->blockSignals(true);
  d->typeCombo->setCurrentIndex(d->currentType);
  d->typeCombo->blockSignals(blocked);
}

bool BackgroundTool::chooseFile() {
  const QString current = d->fileLabel->text();
  const QString folder = !current.isEmpty()
                             ? QFileInfo(current).absolutePath()
                             : QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  const QString filter = tr("Images (%1)").arg(kestrum::GuardedImageReader::filePatterns());
  const QString chosen =
      compositionHost().openImageFile(d->view, tr("Choose Background Image..."), folder, filter);

  bool stored = false;
  const QFileInfo info(chosen);
  if (!chosen.isEmpty() && info.exists() && info.absoluteFilePath() != current) {
    const LoadedImage loaded = loadBackgroundImage(chosen, true);
    if (!loaded.error.isEmpty()) {
      refuseImage(chosen, loaded.error);
    } else {
      d->fileLabel->setText(info.absoluteFilePath());
      d->fileImage = loaded.image;
      d->fileImageSize = loaded.size;
      ZarvoObject::instance()->noteUserChange();
      updateBackground();
      announceImage(d->fileImageSize, d->fileImage);
      stored = true;
    }
  }
  enableButtons();
  return stored;
}

bool BackgroundTool::chooseImage() {
  const QString folder = LibraryModel::libraryFolder();
  const QString chosen = compositionHost().libraryImage(folder + d->libraryLabel->text());
  if (chosen.isEmpty()) return false;
  // Library images are ours and stored upright.
  const LoadedImage loaded = loadBackgroundImage(chosen, false);
  if (!loaded.error.isEmpty()) {
    refuseImage(chosen, loaded.error);
    return false;
  }
  d->libraryImage = loaded.image;
  d->libraryImageSize = loaded.size;
  d->libraryLabel->setText(chosen.mid(folder.length()));
  ZarvoObject::instance()->noteUserChange();
  updateBackground();
  announceImage(d->libraryImageSize, d->libraryImage);
  return true;
}

void BackgroundTool::reset() {
  // Leaving an image: the hub stops holding its size before the new background arrives.
  if (isImageType(d->currentType)) announceImage(QSize(-1, -1), QPixmap());
  setColour1(Qt::white);
  setColour2(Qt::lightGray);
  d->currentType = OneColor;
  d->typeCombo->setCurrentIndex(OneColor);
  d->fileLabel->clear();
  d->libraryLabel->clear();
  d->radiusSlider->setValue(4);
  const QRect canvas = ZarvoObject::instance()->canvasRect();
  const int cx = (canvas.left() + canvas.right()) / 2;
  const int cy = (canvas.top() + canvas.bottom()) / 2;
  if (d->handle1) d->handle1->setPos(cx, cy - 40);
  if (d->handle2) d->handle2->setPos(cx, cy + 40);
  d->fileImage = QPixmap();
  d->fileImageSize = QSize();
  d->libraryImage = QPixmap();
  d->libraryImageSize = QSize();
  enableButtons();
}

// ---- Accessors

QComboBox* BackgroundTool::typeCombo() const {
  return d->typeCombo;
}
ToolPaletteButton* BackgroundTool::colour1Button() const {
  return d->colour1Button;
}
ToolPaletteButton* BackgroundTool::colour2Button() const {
  return d->colour2Button;
}
QLabel* BackgroundTool::colour1Label() const {
  return d->colour1Label;
}
QLabel* BackgroundTool::colour2Label() const {
  return d->colour2Label;
}
QSlider* BackgroundTool::radiusSlider() const {
  return d->radiusSlider;
}
QPushButton* BackgroundTool::chooseFileButton() const {
  return d->chooseFileButton;
}
QLabel* BackgroundTool::fileLabel() const {
  return d->fileLabel;
}
QPushButton* BackgroundTool::chooseImageButton() const {
  return d->chooseImageButton;
}
QLabel* BackgroundTool::libraryLabel() const {
  return d->libraryLabel;
}
QGraphicsPixmapItem* BackgroundTool::backgroundItem() const {
  return d->backgroundItem;
}
ZarvoGrabHandleBase* BackgroundTool::handle1() const {
  return d->handle1;
}
ZarvoGrabHandleBase* BackgroundTool::handle2() const {
  return d->handle2;
}
QColor BackgroundTool::colour1() const {
  return d->colour1;
}
QColor BackgroundTool::colour2() const {
  return d->colour2;
}
int BackgroundTool::currentType() const {
  return d->currentType;
}
QPixmap BackgroundTool::background() const {
  return d->background;
}
