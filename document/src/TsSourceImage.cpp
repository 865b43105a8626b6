#include "document/TsSourceImage.h"

#include <climits>
#include <new>

#include <QDebug>
#include <QRect>
#include <QVariantMap>

#include "document/DocumentKeys.h"
#include "document/DocumentUiHooks.h"
#include "document/PhotoReader.h"
#include "kestrum/qt/NamedImage.h"
#include "kestrum/qt/UnsplitImageWork.h"

namespace {

int ceilDiv(int side, int r) {
  return side <= 0 ? 0 : (side - 1) / r + 1;
}

uchar* bytesOf(const void* pixels) {
  return static_cast<uchar*>(const_cast<void*>(pixels));
}

// A QImage over a 32-bit view's pixels, no copy; null for an empty view.
QImage imageOver(const kestrum::PixelView32& view) {
  if (view.isEmpty() || !view.data() || view.stride() > uint32_t(INT_MAX)) return QImage();
  return QImage(bytesOf(view.data()), view.width(), view.height(), int(view.stride()),
                QImage::Format_ARGB32);
}

}  // namespace

TsSourceImage::TsSourceImage(Origin origin, const QString& name)
    : filename_(name), bufferOrigin_(origin == Origin::Buffer ? 1 : 0) {}

TsSourceImage::TsSourceImage(const QString& fileName) : TsSourceImage(Origin::Own, fileName) {
  if (fileName.isEmpty()) return;
  filePath_ = fileName;
  PhotoReader::Photo photo = PhotoReader::readFile(fileName);
  if (photo.outOfMemory) {
    failOutOfMemory();
    return;
  }
  if (!photo.ok()) {
    qWarning().noquote()
        << QStringLiteral("TsSourceImage: %1 not opened: %2").arg(fileName, photo.error);
    //: %1 is filename
    documentUiHooks().warn(tr("Sorry - could not open file %1").arg(fileName) +
                           QStringLiteral("\n\n") + photo.error);
    return;
  }
  valid_ = true;
  imageImage_ = std::move(photo.image);
  initOrFail();
}

TsSourceImage::TsSourceImage(const NamedImage& image) : TsSourceImage(Origin::Own, image.name()) {
  // A dropped file keeps its path beside its name: the export must not write over it.
  if (image.url().isLocalFile()) filePath_ = image.url().toLocalFile();
  // Every received format becomes ARGB32: the display view and the engine read 32-bit pixels.
  // The same format comes back shared; init's write access makes the copy.
  imageImage_ = image.convertToFormat(QImage::Format_ARGB32);
  if (!image.isNull() && imageImage_.isNull()) {
    failOutOfMemory();
    return;
  }
  valid_ = !imageImage_.isNull();
  initOrFail();
}

TsSourceImage::TsSourceImage(const kestrum::PixelView32& buffer, const QString& name)
    : TsSourceImage(Origin::Buffer, name) {
  imageMaster_ = Buffer32Master;
  displayView_ = buffer;
  valid_ = !buffer.isEmpty() && buffer.data();
  initOrFail();
}

TsSourceImage::TsSourceImage(const kestrum::PixelView64& buffer, const QString& name)
    : TsSourceImage(Origin::Buffer, name) {
  imageMaster_ = Buffer64Master;
  format_ = Format15;
  masterView64_ = buffer;
  valid_ = !buffer.isEmpty() && buffer.data();
  initOrFail();
}

TsSourceImage::TsSourceImage(const TsSourceImage* other) : TsSourceImage(Origin::Own, QString()) {
  filePath_ = other->filePath_;
  imageMaster_ = other->imageMaster_;
  format_ = other->format_;
  tag_ = other->tag_;
  try {
    switch (imageMaster_) {
      case QImageMaster: {
        const QImage& from = other->imageImage_;
        imageImage_ = QImage(from.size(), from.format());
        if (!from.isNull() && imageImage_.isNull()) throw std::bad_alloc();
        viewImagePixels();
        break;
      }
      case Buffer32Master:
        owned32_ =
            kestrum::PixelBuffer32(other->displayView_.width(), other->displayView_.height(), 0);
        displayView_ = owned32_;
        break;
      case Buffer64Master:
        owned64_ =
            kestrum::PixelBuffer64(other->masterView64_.width(), other->masterView64_.height(), 0);
        masterView64_ = owned64_;
        break;
      default:
        break;
    }
  } catch (const std::bad_alloc&) {
    failOutOfMemory();
    return;
  }
  copyPixelsFrom(*other);
}

TsSourceImage::TsSourceImage(const TsSourceImage* other, SharePixels)
    : TsSourceImage(Origin::Buffer, other->filename_) {
  filePath_ = other->filePath_;
  imageMaster_ = other->imageMaster_;
  format_ = other->format_;
  tag_ = other->tag_;
  switch (imageMaster_) {
    case Buffer64Master:
      masterView64_ = other->masterView64_;
      break;
    case Buffer32Master:
      displayView_ = other->displayView_;
      break;
    case QImageMaster: {
      const QImage& from = other->imageImage_;
      if (!from.isNull())
        imageImage_ = QImage(bytesOf(from.constBits()), from.width(), from.height(),
                             from.bytesPerLine(), from.format());
      break;
    }
    default:
      break;
  }
  valid_ = other->valid_;
  initOrFail();
}

TsSourceImage::TsSourceImage(const QVariant& stored) : TsSourceImage(Origin::Own, QString()) {
  const QVariantMap map = stored.toMap();
  filename_ = map.value(documentKeys::filename).toString();
  valid_ = map.value(documentKeys::valid).toBool();
  if (map.contains(documentKeys::imageMaster))
    imageMaster_ = map.value(documentKeys::imageMaster).toInt();
  if (map.contains(documentKeys::format)) format_ = map.value(documentKeys::format).toInt();
  if (imageMaster_ == Buffer32Master || imageMaster_ == Buffer64Master) {
    // No pixels are stored for these: without them the image is not valid.
    valid_ = false;
    return;
  }
  imageMaster_ = QImageMaster;
  format_ = Format8;
  const QImage image = map.value(documentKeys::imageImage).value<QImage>();
  imageImage_ = image.convertToFormat(QImage::Format_ARGB32);
  if (!image.isNull() && imageImage_.isNull()) {
    failOutOfMemory();
    return;
  }
  valid_ = valid_ && !imageImage_.isNull();
  initOrFail();
}

TsSourceImage::~TsSourceImage() = default;

QVariant TsSourceImage::toVariant() const {
  QVariantMap map;
  map.insert(documentKeys::valid, valid_);
  map.insert(documentKeys::filename, filename_);
  map.insert(documentKeys::format, format_);
  map.insert(documentKeys::imageMaster, imageMaster_);
  if (imageMaster_ == QImageMaster) map.insert(documentKeys::imageImage, imageImage_);
  return map;
}

kestrum::SampleRange TsSourceImage::sampleRange() const {
  return format_ == Format16 ? kestrum::SampleRange::Max65535 : kestrum::SampleRange::Max32768;
}

void TsSourceImage::convertMaster() {
  kestrum::convertPixels(masterView64_, displayView_, sampleRange());
}

void TsSourceImage::init() {
  switch (imageMaster_) {
    case QImageMaster:
      viewImagePixels();
      break;
    case Buffer64Master:
      if (!owned32_.sameSize(masterView64_) || owned32_.alignment() != 4)
        owned32_ = kestrum::PixelBuffer32(masterView64_.width(), masterView64_.height(), 4);
      displayView_ = owned32_;
      convertMaster();
      imageImage_ = imageOver(displayView_);
      break;
    case Buffer32Master:
      imageImage_ = imageOver(displayView_);
      break;
    default:
      break;
  }
  displayPixmap_ = kestrum::unsplitPixmap(imageImage_);
  if (!imageImage_.isNull() && displayPixmap_.isNull()) throw std::bad_alloc();
  ++displayGeneration_;
  qInfo().noquote() << QStringLiteral("TsSourceImage::init %1, (width, height) = (%2, %3)")
                           .arg(filename_)
                           .arg(imageImage_.width())
                           .arg(imageImage_.height());
}

void TsSourceImage::viewImagePixels() {
  // Write access: should a copy of the image still share its pixels, this image takes a copy
  // of its own, so writes through the view reach no one else.
  uchar* bits = imageImage_.isNull() ? nullptr : imageImage_.bits();
  if (!imageImage_.isNull() && !bits) throw std::bad_alloc();
  displayView_ = kestrum::PixelView32(imageImage_.width(), imageImage_.height(),
                                      reinterpret_cast<kestrum::Pixel32*>(bits),
                                      uint32_t(imageImage_.bytesPerLine()));
}

void TsSourceImage::initOrFail() {
  try {
    init();
  } catch (const std::bad_alloc&) {
    failOutOfMemory();
  }
}

void TsSourceImage::failOutOfMemory() {
  valid_ = false;
  resetWorkingImage();
  displayPixmap_ = QPixmap();
  imageImage_ = QImage();
  displayView_ = kestrum::PixelView32();
  masterView64_ = kestrum::PixelView64();
  owned32_ = kestrum::PixelBuffer32();
  owned64_ = kestrum::PixelBuffer64();
  documentUiHooks().warn(tr("Out of memory"));
}

void TsSourceImage::resetWorkingImage() {
  workingImage_ = QImage();
  workingPixmap_ = QPixmap();
  workingView_ = kestrum::PixelView32();
  workingResolution_ = 0;
}

void TsSourceImage::updateDisplayImage() {
  if (displayStale_ && imageMaster_ == Buffer64Master && !owned32_.isEmpty()) {
    convertMaster();
    imageImage_ = imageOver(displayView_);
    displayPixmap_ = kestrum::unsplitPixmap(imageImage_);
    ++displayGeneration_;
  } else if (pixelsWritten_ && !imageImage_.isNull()) {
    displayPixmap_ = kestrum::unsplitPixmap(imageImage_);
    ++displayGeneration_;
  }
  displayStale_ = false;
  pixelsWritten_ = false;
}

void TsSourceImage::markChanged() {
  displayStale_ = true;
  pixelsWritten_ = true;
}

const QImage& TsSourceImage::prepareWorkingImage(int resolution) {
  updateDisplayImage();
  resolution = qMax(1, resolution);
  if (workingResolution_ == resolution && workingGeneration_ == displayGeneration_)
    return workingImage_;
  resetWorkingImage();
  if (resolution == 1) {
    workingImage_ = imageImage_;
    workingPixmap_ = displayPixmap_;
    workingView_ = displayView_;
  } else if (!imageImage_.isNull()) {
    QImage working(ceilDiv(imageImage_.width(), resolution),
                   ceilDiv(imageImage_.height(), resolution), imageImage_.format());
    if (!working.isNull()) scaleInto(working, resolution);
    const QPixmap pixmap = kestrum::unsplitPixmap(working);
    if (working.isNull() || pixmap.isNull()) {
      failOutOfMemory();
      return workingImage_;
    }
    workingImage_ = working;
    workingPixmap_ = pixmap;
    workingView_ = kestrum::PixelView32(
        workingImage_.width(), workingImage_.height(),
        reinterpret_cast<kestrum::Pixel32*>(bytesOf(workingImage_.constBits())),
        uint32_t(workingImage_.bytesPerLine()));
  }
  workingResolution_ = resolution;
  workingGeneration_ = displayGeneration_;
  return workingImage_;
}

void TsSourceImage::scaleInto(QImage& working, int resolution) {
  // The engine reduces by 2, 4 or 8 with block medians and fills the whole destination when
  // it picks that factor itself, which a side longer than r × (r − 1) guarantees. Other
  // factors it would leave partly or wholly unwritten.
  const bool engineFactor = resolution == 2 || resolution == 4 || resolution == 8;
  const int longer = qMax(imageImage_.width(), imageImage_.height());
  if (engineFactor && longer > resolution * (resolution - 1)) {
    const CvResult result = CvScaleImage(describeImage(imageImage_), describeImage(working));
    if (result == CvOk) return;
    qWarning().noquote() << QStringLiteral(
                                "Engine image scaling failed with code %1; the working "
                                "image of %2 is scaled without it")
                                .arg(result)
                                .arg(filename_);
  } else {
    qInfo().noquote() << QStringLiteral(
                             "Working image of %1 at resolution %2 scaled without the "
                             "engine")
                             .arg(filename_)
                             .arg(resolution);
  }
  const QImage scaled =
      imageImage_.scaled(working.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
  if (!scaled.isNull()) working = scaled.convertToFormat(imageImage_.format());
}

CvImage TsSourceImage::engineImage() {
  updateDisplayImage();
  CvImage image{};
  if (imageMaster_ == QImageMaster || imageMaster_ == Buffer32Master) {
    image = {uint32_t(qMax(0, displayView_.width())), uint32_t(qMax(0, displayView_.height())),
             displayView_.stride(), CvKindRgba8, displayView_.data()};
  } else if (imageMaster_ == Buffer64Master && (format_ == Format16 || format_ == Format15)) {
    image = {uint32_t(qMax(0, masterView64_.width())), uint32_t(qMax(0, masterView64_.height())),
             masterView64_.stride(), uint32_t(format_), masterView64_.data()};
  }
  return image;
}

bool TsSourceImage::copyPixelsFrom(const TsSourceImage& other) {
  const bool sameKind = other.imageMaster_ == imageMaster_;
  const bool sameSize = imageMaster_ == Buffer64Master ? masterView64_.sameSize(other.masterView64_)
                                                       : displayView_.sameSize(other.displayView_);
  if (&other == this) return true;
  if (!sameKind || !sameSize ||
      (imageMaster_ != QImageMaster && imageMaster_ != Buffer32Master &&
       imageMaster_ != Buffer64Master)) {
    qWarning().noquote() << QStringLiteral("Pixels of %1 not copied into %2: another kind or size")
                                .arg(other.filename_, filename_);
    return false;
  }
  resetWorkingImage();
  try {
    if (imageMaster_ != Buffer64Master) {
      if (imageMaster_ == QImageMaster) viewImagePixels();
      kestrum::copyPixels<kestrum::Pixel32>(other.displayView_, displayView_);
    } else {
      kestrum::copyPixels<kestrum::Pixel64>(other.masterView64_, masterView64_);
    }
    init();
  } catch (const std::bad_alloc&) {
    failOutOfMemory();
    return false;
  }
  filename_ = other.filename_;
  filePath_ = other.filePath_;
  valid_ = other.valid_;
  return true;
}

quint16 TsSourceImage::checksum() const {
  if (!valid_) return 0;
  const bool wide = imageMaster_ == Buffer64Master;
  const void* first = wide ? static_cast<const void*>(masterView64_.data())
                           : static_cast<const void*>(displayView_.data());
  const int width = wide ? masterView64_.width() : displayView_.width();
  const int height = wide ? masterView64_.height() : displayView_.height();
  const quint16 sum =
      first && width > 0 ? qChecksum(static_cast<const char*>(first), uint(width)) : 0;
  return quint16((sum ^ width ^ height) & 0xFFFF);
}

QPixmap TsSourceImage::croppedToContentPixmap(QPoint* topLeft) {
  updateDisplayImage();
  if (imageImage_.isNull()) return QPixmap();
  const QImage image = kestrum::unsplitConverted(imageImage_, QImage::Format_ARGB32);
  int left = image.width(), top = image.height(), right = 0, bottom = 0;
  bool found = false;
  for (int y = 0; y < image.height(); ++y) {
    const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      if (line[x] <= 0xFFFFFFu) continue;  // alpha 0
      found = true;
      left = qMin(left, x);
      right = qMax(right, x);
      top = qMin(top, y);
      bottom = qMax(bottom, y);
    }
  }
  if (!found) return QPixmap();
  if (topLeft) *topLeft = QPoint(left, top);
  return kestrum::unsplitPixmap(image.copy(QRect(QPoint(left, top), QPoint(right, bottom))));
}

CvImage describeImage(const QImage& image) {
  uint32_t kind;
  switch (image.format()) {
    case QImage::Format_Indexed8:
      kind = CvKindStatus;
      break;
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
      kind = CvKindRgba8;
      break;
    default:
      return CvImage{};
  }
  return CvImage{uint32_t(image.width()), uint32_t(image.height()), uint32_t(image.bytesPerLine()),
                 kind, bytesOf(image.constBits())};
}

CvSelection describePositionedImage(const QImage& image) {
  return CvSelection{image.offset().x(), image.offset().y(), describeImage(image)};
}
