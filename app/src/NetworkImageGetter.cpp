#include "app/NetworkImageGetter.h"

#include <QImageReader>
#include <QNetworkReply>
#include <QNetworkRequest>

#include "app/Flogger.h"

NetworkImageGetter::NetworkImageGetter(QUrl url, Limits limits)
    : url_(std::move(url)), manager_(this), limits_(limits) {
  connect(&manager_, &QNetworkAccessManager::finished, this, &NetworkImageGetter::replyFinished);
}

NetworkImageGetter::~NetworkImageGetter() {
  // A reply still running is aborted by the manager's destruction; its finished() must not
  // reach this half-destroyed getter.
  disconnect(&manager_, nullptr, this, nullptr);
}

void NetworkImageGetter::start() {
  send(HeadSent);
}

void NetworkImageGetter::send(State state) {
  state_ = state;
  QNetworkRequest request(url_);
  request.setTransferTimeout(limits_.transferTimeoutMs);
  if (state == HeadSent) {
    manager_.head(request);
    return;
  }
  body_.clear();
  overLimit_ = false;
  QNetworkReply* reply = manager_.get(request);
  // The body is taken as it arrives, so that no more than the limit is ever held; a declared
  // length above it is refused before the body comes.
  connect(reply, &QNetworkReply::metaDataChanged, this, [this, reply] {
    bool known = false;
    const qint64 length = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
    if (known && length > limits_.maxBodyBytes) {
      overLimit_ = true;
      // Qt reports an abort from inside its header handling twice; one turn later it is clean.
      QMetaObject::invokeMethod(reply, &QNetworkReply::abort, Qt::QueuedConnection);
    }
  });
  connect(reply, &QNetworkReply::readyRead, this, [this, reply] {
    if (!overLimit_ && !takeBody(reply))
      reply->abort();  // finishes the reply: replyFinished drops the candidate
  });
}

bool NetworkImageGetter::takeBody(QNetworkReply* reply) {
  body_ += reply->read(limits_.maxBodyBytes - body_.size() + 1);
  if (body_.size() <= limits_.maxBodyBytes) return true;
  overLimit_ = true;
  body_ = QByteArray();
  return false;
}

void NetworkImageGetter::replyFinished(QNetworkReply* reply) {
  reply->deleteLater();
  if (state_ == GetSent && !overLimit_ && reply->error() == QNetworkReply::NoError)
    takeBody(reply);  // what arrived after the last readyRead
  if (state_ == GetSent && overLimit_) {
    flog() << "NetworkImageGetter: Image dropped, larger than " << limits_.maxBodyBytes
           << " bytes: " << url_.toString();
    flogEndl();
    fail(tr("The picture is larger than %1 MB.")
             .arg(QString::number(double(limits_.maxBodyBytes) / (1 << 20))));
    return;
  }
  // A time-out ends here too: the reply is aborted as an operation cancelled.
  if (reply->error() != QNetworkReply::NoError) {
    fail(networkFailure(reply));
    return;
  }
  // Qt may end a GET without error when the server closes before the length it declared (and
  // then send the request again by itself): a body cut short is a broken transfer.
  if (state_ == GetSent && !complete(reply)) {
    body_ = QByteArray();
    fail(tr("The image data is cut short: the transfer ended before the picture did."));
    return;
  }
  if (state_ == HeadSent) {
    const QString contentType = reply->header(QNetworkRequest::ContentTypeHeader).toString();
    if (!contentType.contains(QLatin1String("image"))) {
      fail(tr("The address does not lead to a picture: it serves \"%1\".").arg(contentType));
      return;
    }
    format_ = formatFor(contentType);
    if (format_.isEmpty()) {
      logFailure(QStringLiteral("Unsupported content type: ") + contentType);
      fail(tr("Pictures of the type \"%1\" cannot be read.").arg(contentType));
      return;
    }
    send(GetSent);
    return;
  }
  finishGet();
}

bool NetworkImageGetter::complete(const QNetworkReply* reply) const {
  // A declared length counts the bytes as sent: after Qt has undone a content encoding the
  // body has another length, and only a transfer error tells a cut.
  const QByteArray encoding = reply->rawHeader("Content-Encoding").trimmed().toLower();
  if (!encoding.isEmpty() && encoding != "identity") return true;
  bool known = false;
  const qint64 length = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
  return !known || body_.size() == length;
}

void NetworkImageGetter::finishGet() {
  const PhotoReader::Photo result = decode(body_, format_, limits_.maxBodyBytes);
  body_ = QByteArray();
  if (!result.ok()) {
    logFailure(QStringLiteral(", format: ") + QString::fromLatin1(format_));
    flog() << "NetworkImageGetter: " << result.error;
    flogEndl();
    fail(result.error);
    return;
  }
  emit imageReceived(NamedImage(result.image, url_, result.fullSize));
  emit finished();
}

void NetworkImageGetter::fail(const QString& reason) {
  emit failed(reason);
  emit finished();
}

QString NetworkImageGetter::networkFailure(const QNetworkReply* reply) const {
  // A status that says all is well may precede a transfer that broke.
  const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
  if (status.toInt() >= 400) {
    const QString phrase =
        reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString().trimmed();
    return tr("The web server answered %1.")
        .arg(phrase.isEmpty() ? status.toString() : status.toString() + QLatin1Char(' ') + phrase);
  }
  // The transfer time-out is the only abort that ends here.
  if (reply->error() == QNetworkReply::OperationCanceledError)
    return tr("The web server sent nothing for %1 seconds.")
        .arg(QString::number(limits_.transferTimeoutMs / 1000.0));
  return tr("The picture could not be fetched: %1").arg(reply->errorString());
}

void NetworkImageGetter::logFailure(const QString& detail) {
  flog() << "NetworkImageGetter: Failed to load image" << url_.toString() << detail;
  flogEndl();
}

QByteArray NetworkImageGetter::formatFor(const QString& contentType) {
  static const QList<QByteArray> formats = QImageReader::supportedImageFormats();
  for (const QByteArray& format : formats)
    if (contentType.contains(QString::fromLatin1(format))) return format;
  return QByteArray();
}

PhotoReader::Photo NetworkImageGetter::decode(const QByteArray& body, const QByteArray& format,
                                              qint64 maxBodyBytes, qint64 maxPixels) {
  if (body.size() > maxBodyBytes) {
    PhotoReader::Photo refused;
    refused.error = QStringLiteral("more than %1 bytes").arg(maxBodyBytes);
    return refused;
  }
  return PhotoReader::readData(body, format, maxPixels);
}
