#include "composition/ZarvoObject.h"

#include <QTimerEvent>

#include "ZarvoObjectPrivate.h"
#include "composition/ProcessorFinalImage.h"
#include "composition/ZarvoOutputHandler.h"
#include "document/CorvaneThread.h"
#include "kestrum/qt/Digest.h"
#include "kestrum/qt/UnsplitImageWork.h"

namespace {

ZarvoObject* hub = nullptr;

constexpr int kDefaultMaxFileSizeKB = 80;
// Settling asks the producers again while one finished something, for a result that starts the
// next one's work (a moved cut-out restarts its shadow); a bound against one that never rests.
constexpr int kSettlePasses = 8;

}  // namespace

QByteArray ZarvoObject::fingerprint(const QPixmap& pixmap) {
  return kestrum::imageDigest(pixmap);
}

ZarvoObject* ZarvoObject::instance() {
  if (!hub) hub = new ZarvoObject;
  return hub;
}

void ZarvoObject::destroyInstance() {
  ZarvoOutputHandler::destroyInstance();
  delete hub;
  hub = nullptr;
}

ZarvoObject::ZarvoObject() : d(new ZarvoObjectPrivate) {
  qRegisterMetaType<HighlightPoint>("HighlightPoint");
  qRegisterMetaType<QList<HighlightPoint>>("QList<HighlightPoint>");
  d->processor = new ProcessorFinalImage;
  connect(d->processor, &ProcessorFinalImage::finalImageDone, this, &ZarvoObject::finalImageDone);
  connect(d->processor, &ProcessorFinalImage::processingStarted, this,
          &ZarvoObject::processingStarted);
}

ZarvoObject::~ZarvoObject() {
  // The processor's destructor aborts and joins it.
  delete d->processor;
}

QGraphicsScene* ZarvoObject::scene() const {
  return d->scene;
}
void ZarvoObject::setScene(QGraphicsScene* scene) {
  d->scene = scene;
}
QRect ZarvoObject::canvasRect() const {
  return d->layers.canvasRect;
}
int ZarvoObject::maxFileSizeKB() const {
  return d->layers.maxFileSizeKB;
}
int ZarvoObject::outputType() const {
  return d->outputType;
}
QSize ZarvoObject::backgroundImageSize() const {
  return d->backgroundImageSize;
}
const LayerSet& ZarvoObject::layers() const {
  return d->layers;
}
QByteArray ZarvoObject::finalImageBytes() const {
  return d->finalImageBytes;
}
QPixmap ZarvoObject::finalPixmap() const {
  return d->finalPixmap;
}
bool ZarvoObject::rebuildPending() const {
  return d->rebuildTimerId != -1;
}
ProcessorFinalImage* ZarvoObject::processor() const {
  return d->processor;
}

void ZarvoObject::setRebuildDelayForTesting(int milliseconds) {
  d->rebuildDelayMs = milliseconds;
}

bool ZarvoObject::hasUnsavedChanges() {
  // Asked before a photo's first picture (the start-up question, a quick close) it must not
  // make an earlier picture the saved state, and only the user's own change asks.
  if (d->awaitingPhoto) return d->userChangedWhileOpening;
  // The question is answered on the picture an export would write: a change of a moment ago
  // counts, and a layer re-sent unchanged by a tool does not. The picture a reset waits for
  // becomes the saved state when it is taken in.
  settle();
  return fingerprint(d->finalPixmap) != d->savedFingerprint;
}

void ZarvoObject::awaitNewPhoto() {
  d->awaitingPhoto = true;
  d->userChangedWhileOpening = false;
  d->takeFingerprintOnDone = false;
  disconnect(d->photoOpening);
  // The photo's cut-out comes from the engine's last commands for it; one whose engine fails or
  // whose cut-out stays empty ends the wait just the same.
  CorvaneThread* thread = CorvaneThread::instance();
  if (thread && thread->hasWork())
    d->photoOpening =
        connect(thread, &CorvaneThread::queueEmptied, this, &ZarvoObject::photoOpened);
  else
    photoOpened();
}

void ZarvoObject::photoOpened() {
  disconnect(d->photoOpening);
  if (!d->awaitingPhoto) return;
  d->awaitingPhoto = false;
  settle();
  // The settled picture holds the user's change as well as the photo's own layers: no picture
  // is the saved state then, so the change asks until a save or reset.
  d->savedFingerprint = d->userChangedWhileOpening ? QByteArray() : fingerprint(d->finalPixmap);
  d->userChangedWhileOpening = false;
}

void ZarvoObject::noteUserChange() {
  if (d->awaitingPhoto) d->userChangedWhileOpening = true;
}

void ZarvoObject::settle() {
  for (int pass = 0; pass < kSettlePasses; ++pass) {
    bool finished = false;
    emit settling(&finished);
    if (!finished) break;
  }
  bringUpToDate();
}

bool ZarvoObject::hasTransparency() const {
  return ::hasTransparency(d->finalPixmap.toImage());
}

void ZarvoObject::stopRunningRebuild() {
  if (d->processor->isRunning()) {
    // Joined here, in the GUI thread, rather than left to wind down: every stage polls often
    // enough that the wait is short (about 10 ms at worst for a 2000 x 2000 rebuild), and a
    // processor that is either idle or running the newest layers needs no bookkeeping of older
    // runs.
    d->processor->abort();
    d->processor->wait();
    // A picture it delivered just before the abort describes layers that are gone.
    d->expectedRun = 0;
  }
}

void ZarvoObject::reprocessFinalImage() {
  stopRunningRebuild();
  if (d->rebuildTimerId == -1) d->rebuildTimerId = startTimer(d->rebuildDelayMs, Qt::CoarseTimer);
}

void ZarvoObject::timerEvent(QTimerEvent* event) {
  Q_UNUSED(event);
  startRebuild();
}

void ZarvoObject::startRebuild() {
  if (d->rebuildTimerId != -1) killTimer(d->rebuildTimerId);
  d->rebuildTimerId = -1;
  LayerSet layers = d->layers;
  layers.fileType = ZarvoOutputHandler::FileType(ZarvoOutputHandler::instance()->fileType());
  d->expectedRun = ++d->runCounter;
  d->processor->startRun(layers, d->runCounter);
}

void ZarvoObject::finalImageDone(const QImage& image, const QByteArray& bytes, quint64 runNumber) {
  if (runNumber == 0 || runNumber != d->expectedRun) return;  // stale or already taken
  d->expectedRun = 0;
  // The processor's layers are still those of this run: a new run would carry a new number.
  takePicture(image, bytes, d->processor->layers().fileType);
}

void ZarvoObject::processingStarted(quint64 runNumber) {
  // The start of a run the hub no longer waits for (aborted, or taken in by bringUpToDate while
  // this signal was queued) must not announce a rebuild that no picture will end.
  if (runNumber != 0 && runNumber == d->expectedRun) emit startedImageProcessing();
}

void ZarvoObject::takePicture(const QImage& image, const QByteArray& bytes, int fileType) {
  d->finalPixmap = kestrum::unsplitPixmap(image);
  d->finalImageBytes = bytes;
  d->finalImageType = fileType;
  if (d->takeFingerprintOnDone) {
    d->savedFingerprint = fingerprint(d->finalPixmap);
    d->takeFingerprintOnDone = false;
  }
  emit updateImage();
}

void ZarvoObject::bringUpToDate() {
  if (d->rebuildTimerId != -1) startRebuild();
  d->processor->wait();
  if (d->expectedRun != 0 && d->processor->resultRun() == d->expectedRun) {
    d->expectedRun = 0;  // the queued delivery of this run is now stale
    takePicture(d->processor->resultImage(), d->processor->resultBytes(),
                d->processor->layers().fileType);
  }
}

void ZarvoObject::reset() {
  if (d->rebuildTimerId != -1) killTimer(d->rebuildTimerId);
  d->rebuildTimerId = -1;
  if (d->layers.maxFileSizeKB != kDefaultMaxFileSizeKB) {
    d->layers.maxFileSizeKB = kDefaultMaxFileSizeKB;
    emit maxFileSizeChanged(kDefaultMaxFileSizeKB);
    reprocessFinalImage();
  }
  stopRunningRebuild();
  // Whatever was on its way describes the composition before the reset.
  d->expectedRun = 0;
  d->takeFingerprintOnDone = true;
  emit zarvoReset();
  // The tools' own resets of their controls told it too.
  d->userChangedWhileOpening = false;
  d->savedFingerprint = fingerprint(d->finalPixmap);
}

void ZarvoObject::backgroundChanged(const QPixmap& background) {
  d->layers.background = background.toImage();
  reprocessFinalImage();
}

void ZarvoObject::setCanvasRect(const QRect& rect) {
  if (rect == d->layers.canvasRect) return;
  const QRect old = d->layers.canvasRect;
  d->layers.canvasRect = rect;
  emit canvasChanged(rect, old);
  emit updateView(rect);
  reprocessFinalImage();
}

void ZarvoObject::setMaxFileSize(int kilobytes) {
  if (kilobytes == d->layers.maxFileSizeKB) return;
  d->layers.maxFileSizeKB = kilobytes;
  emit maxFileSizeChanged(kilobytes);
  reprocessFinalImage();
}

void ZarvoObject::setBackgroundImageSize(const QSize& size) {
  if (size == d->backgroundImageSize) return;
  d->backgroundImageSize = size;
  emit backgroundImageSizeChanged(size);
}

void ZarvoObject::cutoutChangedSlot(const QImage& image, const QPoint& topLeft) {
  d->layers.cutout = image;
  d->layers.cutoutPos = topLeft;
  reprocessFinalImage();
}

void ZarvoObject::fullyHighlitImageChanged(const QImage& image) {
  d->layers.fullyHighlitCutout = image;
  reprocessFinalImage();
}

void ZarvoObject::shadowUpdated(const QPixmap& shadow, const QPoint& topLeft) {
  d->layers.shadow = shadow.toImage();
  d->layers.shadowPos = topLeft;
  reprocessFinalImage();
}

void ZarvoObject::storeOptionalLayer(QImage& layer, QPoint& position, const QImage& image,
                                     const QPoint& topLeft) {
  const bool wasEmpty = layer.isNull();
  layer = image;
  position = topLeft;
  // A layer that went away must leave the picture too; one that stays away changes nothing.
  if (!image.isNull() || !wasEmpty) reprocessFinalImage();
}

void ZarvoObject::logoUpdated(const QImage& image, const QPoint& topLeft) {
  storeOptionalLayer(d->layers.logo, d->layers.logoPos, image, topLeft);
}

void ZarvoObject::speechBubblesUpdated(const QImage& image, const QPoint& topLeft) {
  storeOptionalLayer(d->layers.speechBubbles, d->layers.speechBubblesPos, image, topLeft);
}

void ZarvoObject::textUpdated(const QImage& image, const QPoint& topLeft) {
  storeOptionalLayer(d->layers.text, d->layers.textPos, image, topLeft);
}

void ZarvoObject::setSharpenValue(int value) {
  if (value == d->layers.sharpenValue) return;
  d->layers.sharpenValue = value;
  reprocessFinalImage();
}

void ZarvoObject::setCompressBackground(int value) {
  if (value == d->layers.compressBackground) return;
  d->layers.compressBackground = value;
  reprocessFinalImage();
}

void ZarvoObject::highlightPointsChanged(const QList<HighlightPoint>& points) {
  d->layers.highlightPoints = points;
  reprocessFinalImage();
}
