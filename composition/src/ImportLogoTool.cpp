#include "composition/ImportLogoTool.h"

#include <algorithm>
#include <cmath>

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

#include "composition/CompositionHost.h"
#include "composition/CompositionResources.h"
#include "composition/ZarvoImageItem.h"
#include "composition/ZarvoObject.h"
#include "composition/ZarvoWidget.h"
#include "kestrum/qt/GuardedImageReader.h"
#include "kestrum/qt/UnsplitImageWork.h"
#include "workspace/WidgetFunctions.h"

namespace {

int nearest(double x) {
  return int(std::floor(x + 0.5));
}

}  // namespace

ImportLogoTool::ImportLogoTool(ZarvoWidget* view, QActionGroup* group, QWidget* menu,
                               ToolOptions* options)
    : GmTool(QStringLiteral("Import Logo"), tr("Import Logo"),
             compositionIcon(QStringLiteral(":images/tool_import_logo.png")), tr("L"),
             tr("<p>Place a logo on the image. Re-size and move it about the image and blend it "
                "into the image using the transparency slider.</p>") +
                 learnMoreTip(QStringLiteral("adding_effects/importing_a_logo.htm")),
             group, nullptr, menu, options),
      helpPage_(QStringLiteral("adding_effects/importing_a_logo.htm")),
      view_(view) {
  if (view) {
    logo_ = new ZarvoImageItem(view->itemScene(), [this] { updateLogoImage(); });
    logo_->setZValue(5.0);
    logo_->setResizedByOwner(true);
    logo_->hide();
    connect(view->itemScene(), &ItemScene::itemsClosing, this, [this] { logo_ = nullptr; });
  }
  setOptionPage(createOptionsWidget());
  ZarvoObject* hub = ZarvoObject::instance();
  connect(hub, &ZarvoObject::canvasChanged, this, &ImportLogoTool::canvasChangedSlot);
  connect(hub, &ZarvoObject::zarvoReset, this, &ImportLogoTool::removeLogo);
  connect(this, &ImportLogoTool::logoUpdated, hub, &ZarvoObject::logoUpdated);
  connect(hub, &ZarvoObject::settling, this, &ImportLogoTool::settle, Qt::DirectConnection);
  // A canvas set before the tool existed limits the logo as well.
  limitTo(hub->canvasRect());
}

ImportLogoTool::~ImportLogoTool() {
  delete logo_;
}

ImageView::ViewTabs ImportLogoTool::viewTabs() const {
  return ImageView::ComposePicture;
}

int ImportLogoTool::defaultViewTab() const {
  return ImageView::ComposePicture;
}

void ImportLogoTool::activate(GmTool*) {
  if (logo_) logo_->setEditable(true);
}

void ImportLogoTool::deactivate(GmTool*) {
  if (logo_) logo_->setEditable(false);
}

QWidget* ImportLogoTool::createOptionsWidget() {
  auto* page = new QWidget;
  auto* layout = new QHBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  const QString learnMore = learnMoreTip(helpPage_);
  add_ = new QPushButton(tr("Add logo"));
  add_->setToolTip(tr("Add logo from file"));
  add_->setWhatsThis(tr("<p><b>Import Logo - Add</b></p><p>Import a logo from file.</p>") +
                     learnMore);
  connect(add_, &QPushButton::clicked, this, &ImportLogoTool::addLogo);
  remove_ = new QPushButton(tr("Remove logo"));
  remove_->setEnabled(false);
  remove_->setToolTip(tr("Remove logo from image"));
  remove_->setWhatsThis(
      tr("<p><b>Import Logo - Remove</b></p><p>Remove the logo from the image.</p>") + learnMore);
  connect(remove_, &QPushButton::clicked, this, &ImportLogoTool::removeLogo);
  transparency_ = new QSlider(Qt::Horizontal);
  transparency_->setRange(0, kMaxTransparency);
  transparency_->setValue(0);
  transparency_->setEnabled(false);
  transparency_->setToolTip(tr("Set the transparency level of the logo"));
  transparency_->setWhatsThis(tr("<p><b>Import Logo - Transparency</b></p><p>Set the level of "
                                 "transparency applied to the logo. Move the slider to the right "
                                 "to increase transparency.</p>") +
                              learnMore);
  connect(transparency_, &QSlider::valueChanged, this, &ImportLogoTool::setAlpha);
  // The slider is set by the tool itself only as the logo comes or goes, which the user does
  // but in the hub's reset.
  ZarvoObject* hub = ZarvoObject::instance();
  connect(transparency_, &QSlider::valueChanged, hub, &ZarvoObject::noteUserChange);
  connect(remove_, &QPushButton::clicked, hub, &ZarvoObject::noteUserChange);
  layout->addWidget(add_);
  layout->addWidget(remove_);
  layout->addWidget(new QLabel(tr("Transparency:")));
  layout->addWidget(transparency_);
  layout->addStretch(1);
  return page;
}

void ImportLogoTool::refuse(const QString& file, const QString& reason) {
  compositionHost().message(
      QMessageBox::Warning, tr("Import Logo"),
      tr("Could not use %1 as logo: %2").arg(QDir::toNativeSeparators(file), reason));
}

void ImportLogoTool::addLogo() {
  const QString filter = tr("Images (%1)").arg(kestrum::GuardedImageReader::filePatterns());
  const QString file =
      compositionHost().openImageFile(view_, tr("Choose logo image..."), lastFolder_, filter);
  if (file.isEmpty()) return;
  lastFolder_ = QFileInfo(file).absolutePath();

  // The header's size is checked before a pixel is decoded.
  const kestrum::GuardedImageReader::Result read = kestrum::GuardedImageReader::readFile(file);
  if (!read.ok()) {
    refuse(file, read.error);
    return;
  }
  QImage image = read.image;
  if (std::max(image.width(), image.height()) > kMaxLogoSide)
    image = image.width() > image.height()
                ? image.scaledToWidth(kMaxLogoSide, Qt::FastTransformation)
                : image.scaledToHeight(kMaxLogoSide, Qt::FastTransformation);
  const QPixmap pixmap = kestrum::unsplitPixmap(image);
  if (pixmap.isNull()) {
    refuse(file, tr("There is not enough memory for it."));
    return;
  }
  if (!logo_) return;

  if (!logo_->isVisible()) {
    if (add_) add_->setText(tr("Replace logo"));
    if (remove_) remove_->setEnabled(true);
  }
  ZarvoObject::instance()->noteUserChange();
  pixmap_ = pixmap;
  if (transparency_) {
    transparency_->setEnabled(true);
    transparency_->setValue(0);
  }
  const QRect canvas = ZarvoObject::instance()->canvasRect();
  logo_->setPixmap(pixmap_, QSizeF(nearest(0.3 * canvas.width()), nearest(0.3 * canvas.height())),
                   QPoint(0, 0));
  logo_->show();
  logo_->setEditable(true);
  if (view_) view_->viewport()->update();
  updateLogoImage();
}

void ImportLogoTool::removeLogo() {
  if (logo_) logo_->hide();  // its handles go with it
  if (add_) add_->setText(tr("Add logo"));
  if (remove_) remove_->setEnabled(false);
  if (transparency_) {
    transparency_->setValue(0);
    transparency_->setEnabled(false);
  }
  if (view_) view_->viewport()->update();
  updateLogoImage();
}

void ImportLogoTool::settle(bool* finished) {
  if (!logo_ || !logo_->takeOwnerNotice()) return;
  updateLogoImage();
  *finished = true;
}

void ImportLogoTool::setAlpha() {
  // The slider stops at 224: the logo never fades below 31/255.
  if (logo_ && transparency_) logo_->setOpacity((255 - transparency_->value()) / 255.0);
  updateLogoImage();
}

void ImportLogoTool::limitTo(const QRect& canvas) {
  if (!logo_) return;
  logo_->setLimitRect(QRectF(canvas));
  const double half = std::min(canvas.width(), canvas.height()) / 2.0;
  logo_->setMaxSize(half, half);
}

void ImportLogoTool::canvasChangedSlot(const QRect& newRect, const QRect& oldRect) {
  limitTo(newRect);
  if (logo_ && newRect.isValid() && oldRect.isValid()) {
    const double sx = double(newRect.width()) / oldRect.width();
    const double sy = double(newRect.height()) / oldRect.height();
    logo_->scaleBy(std::sqrt(sx * sy));
    logo_->setPos(logo_->pos().x() * sx, logo_->pos().y() * sy);
  }
  updateLogoImage();
}

void ImportLogoTool::updateLogoImage() {
  if (logo_ && logo_->isVisible()) {
    QPoint topLeft;
    const QImage image = logo_->renderToImage(&topLeft, QPainter::SmoothPixmapTransform);
    emit logoUpdated(image, topLeft);
  } else {
    emit logoUpdated(QImage(), QPoint(0, 0));
  }
}
