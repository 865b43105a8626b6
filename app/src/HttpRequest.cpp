#include "app/HttpRequest.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

#include "app/Flogger.h"
#include "kestrum/qt/Digest.h"

HttpRequest::HttpRequest(const QString& url, const QString& group, bool useCache, QObject* parent)
    : QObject(parent),
      manager_(new QNetworkAccessManager(this)),
      url_(url),
      group_(group),
      useCache_(useCache) {
  connect(manager_, &QNetworkAccessManager::finished, this, &HttpRequest::getFinishedSlot);
  timeout_.setSingleShot(true);
  connect(&timeout_, &QTimer::timeout, this, [this] {
    abortTransfer(QStringLiteral("no answer within %1 s").arg(timeoutMs_ / 1000.0));
  });
}

HttpRequest::~HttpRequest() {
  disconnect(manager_, nullptr, this, nullptr);
  if (reply_) reply_->abort();
  delete manager_;
}

bool HttpRequest::isSuppressed() {
  const QDateTime now = QDateTime::currentDateTime();
  bool ok = false;
  const uint stored = settings_.value(group_ + QStringLiteral("SupressUntil")).toUInt(&ok);
  const QDateTime threshold =
      ok ? QDateTime::fromSecsSinceEpoch(qint64(stored)) : now;  // wrong type: none stored
  flog() << group_ << " Current : " << now.toString(Qt::TextDate)
         << " Threshold: " << threshold.toString(Qt::TextDate);
  flogEndl();
  return now < threshold;
}

void HttpRequest::supress(int days) {
  const QDateTime until = QDateTime::currentDateTime().addDays(days);
  settings_.setValue(group_ + QStringLiteral("SupressUntil"), uint(until.toSecsSinceEpoch()));
  flog() << group_ << " supressed until " << until.toString(Qt::TextDate);
  flogEndl();
}

void HttpRequest::kickOffTransfer(bool force) {
  forced_ = force;
  if (busy_) return;
  if (!forced_ && isSuppressed()) return;
  statusCode_ = 0;
  reasonPhrase_.clear();
  body_.clear();
  abortReason_.clear();
  busy_ = true;
  reply_ = manager_->get(QNetworkRequest(QUrl(url_)));
  QNetworkReply* reply = reply_;
  connect(reply, &QNetworkReply::downloadProgress, this, [this, reply](qint64 received, qint64) {
    if (reply == reply_ && received > kMaxBodyBytes)
      abortTransfer(QStringLiteral("reply larger than %1 bytes").arg(kMaxBodyBytes));
  });
  timeout_.start(timeoutMs_);
}

void HttpRequest::abortTransfer(const QString& reason) {
  if (!reply_ || !abortReason_.isEmpty()) return;
  abortReason_ = reason;
  reply_->abort();  // finishes with an error, handled by getFinishedSlot
}

void HttpRequest::getFinishedSlot(QNetworkReply* reply) {
  reply->deleteLater();
  if (reply != reply_) return;
  reply_ = nullptr;
  timeout_.stop();
  // An answer with an HTTP status is a reply, whatever Qt calls an error (404 is one): only a
  // transfer that brought no status, was abandoned or is too long is a network error.
  const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
  QString failure = abortReason_;
  if (failure.isEmpty() && reply->bytesAvailable() > kMaxBodyBytes)
    failure = QStringLiteral("reply larger than %1 bytes").arg(kMaxBodyBytes);
  if (failure.isEmpty() && reply->error() != QNetworkReply::NoError && !status.isValid())
    failure = reply->errorString();
  if (!failure.isEmpty()) {
    flog() << QStringLiteral("Error getting URL: %1. %2").arg(url_, failure);
    flogEndl();
    busy_ = false;
    return;
  }
  evaluateReply(status.toInt(),
                reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString(),
                reply->read(kMaxBodyBytes));
}

void HttpRequest::evaluateReply(int status, const QString& reason, const QByteArray& body) {
  busy_ = true;
  body_ = QString::fromUtf8(body);
  statusCode_ = status;
  reasonPhrase_ = reason;
  emit httpStatusCode(statusCode_);
  if (statusCode_ != 200) {
    flog() << QStringLiteral("Http request for %1 return no error but non-200 status code %2 - %3")
                  .arg(url_, QString::number(statusCode_), reasonPhrase_);
    flogEndl();
    busy_ = false;
    return;
  }
  QByteArray digest;
  const QString cacheKey = group_ + QStringLiteral("Cache");
  if (useCache_) {
    const QString open = QStringLiteral("<html");
    const QString close = QStringLiteral("</html>");
    const int start = body_.indexOf(open);
    const int closeAt = body_.indexOf(close);
    const int end = closeAt < 0 ? -1 : closeAt + close.size();
    if (start >= 0 && end > start) {
      digest = kestrum::textDigest(body_.mid(start, end - start));
      if (digest == settings_.value(cacheKey).toByteArray() && !forced_) {
        busy_ = false;
        return;
      }
    }
  }
  const bool accepted = emit response(body_, forced_);
  if (useCache_ && accepted) settings_.setValue(cacheKey, digest);
  busy_ = false;
}
