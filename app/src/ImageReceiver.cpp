#include "app/ImageReceiver.h"

#include <QFileInfo>
#include <QMimeData>
#include <QProgressDialog>
#include <QUrlQuery>
#include <QWidget>

#include "app/AppDialogs.h"
#include "app/Flogger.h"
#include "document/PhotoReader.h"

namespace {

// True when the drop carries encoded image bytes or a picture of this process.
bool carriesImage(const QMimeData* data) {
  if (data->hasImage()) return true;
  const QStringList formats = data->formats();
  for (const QString& format : formats)
    if (format.startsWith(QLatin1String("image/"))) return true;
  return false;
}

bool isWebAddress(const QUrl& url) {
  const QString scheme = url.scheme();
  return !url.host().isEmpty() &&
         (scheme == QLatin1String("http") || scheme == QLatin1String("ftp"));
}

void consider(const QUrl& url, int depth, QList<ImageReceiver::Candidate>& found) {
  if (!url.isValid() || depth > ImageReceiver::kMaxNesting) return;
  if (url.hasQuery()) {
    // A search result's link carries the picture's address in its query; the link itself is
    // a page, never fetched.
    const auto items = QUrlQuery(url).queryItems(QUrl::FullyDecoded);
    for (const auto& item : items) {
      const QString& value = item.second;
      if (value.contains(QLatin1Char('.')) && value.contains(QLatin1Char(':')))
        consider(QUrl::fromEncoded(value.toUtf8(), QUrl::TolerantMode), depth + 1, found);
    }
    return;
  }
  // A browser gives the link as text and again as a URL: each address counts once.
  const auto add = [&found](const QUrl& address, bool web) {
    for (const ImageReceiver::Candidate& known : found)
      if (known.url == address) return;
    found.append({address, web});
  };
  if (isWebAddress(url)) {
    add(QUrl(QUrl::fromPercentEncoding(url.toString().toUtf8()), QUrl::TolerantMode), true);
    return;
  }
  if (!url.toLocalFile().isEmpty()) add(url, false);
}

}  // namespace

bool ImageReceiver::acceptDrop(QDropEvent* event) {
  const QMimeData* data = event->mimeData();
  if (!data) {
    event->ignore();
    return false;
  }
  if (appDialogOpen()) {
    flog() << "ImageReceiver: a drop was not taken while a box is open";
    flogEndl();
    event->ignore();
    return false;
  }
  const bool image = carriesImage(data);
  if (!data->hasUrls() && !image && !data->hasText()) return false;
  event->acceptProposedAction();
  return data->hasUrls() || image;
}

NamedImage ImageReceiver::dropImage(const QMimeData* data, QString* reason) {
  // Encoded bytes from another program are read as an opened photo; only a picture that this
  // process put into the drag as a QImage is taken decoded.
  bool encoded = false;
  const QStringList formats = data->formats();
  for (const QString& format : formats) {
    if (!format.startsWith(QLatin1String("image/"))) continue;
    const PhotoReader::Photo photo =
        PhotoReader::readData(data->data(format), NetworkImageGetter::formatFor(format));
    if (photo.ok()) return NamedImage(photo.image, QUrl(), photo.fullSize);
    if (reason && !encoded) *reason = photo.error;
    encoded = true;
  }
  if (encoded || !data->hasImage()) return NamedImage();
  // Already decoded, held by the drop as it is: the file handler limits it as it takes it in.
  return NamedImage(qvariant_cast<QImage>(data->imageData()), QUrl());
}

QList<ImageReceiver::Candidate> ImageReceiver::candidates(const QMimeData* data) {
  QList<Candidate> found;
  if (data->hasText()) consider(QUrl(data->text(), QUrl::TolerantMode), 0, found);
  if (data->hasUrls()) {
    const QList<QUrl> urls = data->urls();
    for (const QUrl& url : urls) consider(url, 0, found);
  }
  return found;
}

ImageReceiver::ImageReceiver(const QMimeData* data, QWidget* window,
                             NetworkImageGetter::Limits limits)
    : QObject(window), window_(window) {
  QString reason;
  best_ = dropImage(data, &reason);
  if (!reason.isEmpty()) failures_.insert(0, reason);
  const QList<Candidate> found = candidates(data);
  int order = 0;
  for (const Candidate& candidate : found) {
    if (candidate.web)
      fetch(candidate.url, limits, ++order);
    else
      readLocalFile(candidate.url, ++order);
  }
}

ImageReceiver::~ImageReceiver() {
  if (!progress_) return;
  progress_->disconnect(this);
  delete progress_.data();
}

void ImageReceiver::fetch(const QUrl& url, NetworkImageGetter::Limits limits, int order) {
  if (getters_.size() >= kMaxFetches) {
    flog() << "ImageReceiver: more than " << kMaxFetches
           << " web addresses, not fetched: " << url.toString();
    flogEndl();
    return;
  }
  // A child, so that no fetch outlives a receiver that is destroyed from outside (at exit).
  auto* getter = new NetworkImageGetter(url, limits);
  getter->setParent(this);
  getters_.append(getter);
  connect(getter, &NetworkImageGetter::imageReceived, this, &ImageReceiver::imageReceivedSlot);
  connect(getter, &NetworkImageGetter::failed, this,
          [this, order](const QString& reason) { failures_.insert(order, reason); });
  connect(getter, &NetworkImageGetter::finished, getter, &QObject::deleteLater);
  connect(getter, &QObject::destroyed, this, &ImageReceiver::possiblyFinished);
  getter->start();
}

void ImageReceiver::readLocalFile(const QUrl& url, int order) {
  const QString path = url.toLocalFile();
  const PhotoReader::Photo photo = PhotoReader::readFile(path);
  if (!photo.ok()) {
    flog() << "ImageReceiver: " << path << ": " << photo.error;
    flogEndl();
    failures_.insert(order, photo.error);
    return;
  }
  imageReceivedSlot(NamedImage(photo.image, url, photo.fullSize));
}

void ImageReceiver::imageReceivedSlot(NamedImage image) {
  if (image.isNull()) return;
  const auto area = [](const QSize& size) { return qint64(size.width()) * size.height(); };
  if (area(image.fullSize()) > (best_.isNull() ? 0 : area(best_.fullSize()))) best_ = image;
}

void ImageReceiver::start() {
  if (!getters_.isEmpty()) {
    progress_ = new QProgressDialog(
        best_.isNull() ? tr("Loading images from the Internet") : tr("Searching for larger image"),
        tr("Cancel"), 0, getters_.size(), window_);
    connect(progress_, &QProgressDialog::canceled, this, &ImageReceiver::cancelSlot);
  }
  possiblyFinished();
}

void ImageReceiver::possiblyFinished() {
  if (finished_) return;
  int done = 0;
  for (const QPointer<NetworkImageGetter>& getter : getters_)
    if (!getter) ++done;
  if (progress_) progress_->setValue(done);
  if (done != getters_.size()) return;
  finished_ = true;
  // The warning is modal: the receiver may be gone when it returns.
  const QPointer<ImageReceiver> self(this);
  deliver();
  if (self) emit finished();
}

void ImageReceiver::cancelSlot() {
  deliver();
}

void ImageReceiver::deliver() {
  if (delivered_) return;
  if (appDialogOpen()) {
    // The drop ends here: the picture is not kept for after the box, when the user may have
    // moved on.
    delivered_ = true;
    const QString what = best_.isNull()          ? QStringLiteral("no picture came")
                         : best_.url().isEmpty() ? QStringLiteral("image data")
                                                 : best_.url().toString();
    flog() << "ImageReceiver: a box is open, the received picture was not opened: " << what;
    flogEndl();
    return;
  }
  if (best_.isNull()) {
    //: Title of dialogue box
    const QString title = tr("Image dropped");
    //: Message in a dialogue box
    QString text = tr("Image could not be opened");
    if (!failures_.isEmpty()) text += QStringLiteral("\n\n") + failures_.first();
    appDialogs().warn(window_, title, text);
    return;
  }
  delivered_ = true;
  emit bestImage(best_);
}
