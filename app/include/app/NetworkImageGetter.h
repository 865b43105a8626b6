#pragma once

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QObject>
#include <QString>
#include <QUrl>

#include "document/PhotoReader.h"
#include "kestrum/qt/GuardedImageReader.h"
#include "kestrum/qt/NamedImage.h"

class QNetworkReply;

// What one web fetch may take: the time-out of each request without data arriving, and the
// largest body read.
struct WebFetchLimits {
  static constexpr int kTransferTimeoutMs = 30000;
  static constexpr qint64 kMaxBodyBytes = qint64(64) << 20;
  int transferTimeoutMs = kTransferTimeoutMs;
  qint64 maxBodyBytes = kMaxBodyBytes;
};

// One web fetch of a dropped address: a HEAD request checks that the address serves an image in
// a format the image reader knows, then a GET loads it. Ends with finished() in every case, after
// imageReceived() when a picture came and after failed() when none did; the owner deletes it
// then.
//
// The web is not trusted: each request is abandoned after the transfer time-out without data, a
// body above the byte limit is abandoned and dropped with a log line, and the picture is read as
// an opened photo is (PhotoReader: the guarded reader with its pixel limit, a JPEG cut short
// refused, upright, at most 1280 pixels a side). GUI thread.
class NetworkImageGetter : public QObject {
  Q_OBJECT

 public:
  using Limits = WebFetchLimits;

  enum State { Created = 0, HeadSent = 1, GetSent = 2 };

  explicit NetworkImageGetter(QUrl url, Limits limits = Limits());
  ~NetworkImageGetter() override;

  const QUrl& url() const { return url_; }
  int state() const { return state_; }

  // Sends the HEAD request.
  void start();

  // The image format a content type names: the first format of the image reader's list whose
  // name it contains (case-sensitive); empty when none does.
  static QByteArray formatFor(const QString& contentType);
  // A fetched body as a picture: refused above `maxBodyBytes`, then read by PhotoReader with
  // `format` (the content type's) as the format the bytes are said to be in.
  static PhotoReader::Photo decode(const QByteArray& body, const QByteArray& format = QByteArray(),
                                   qint64 maxBodyBytes = Limits::kMaxBodyBytes,
                                   qint64 maxPixels = kestrum::GuardedImageReader::kMaxPixels);

 signals:
  void imageReceived(NamedImage image);
  // Why no picture came, a sentence for the user.
  void failed(const QString& reason);
  void finished();

 public slots:
  void replyFinished(QNetworkReply* reply);

 private:
  void send(State state);
  // Appends what the reply holds to the body; false (and the body dropped) beyond the limit.
  bool takeBody(QNetworkReply* reply);
  // Whether the body read has the length the reply declared (true when it declared none).
  bool complete(const QNetworkReply* reply) const;
  void finishGet();
  void logFailure(const QString& detail);
  // failed(reason), then finished().
  void fail(const QString& reason);
  // Why a reply that ended in a network error brought nothing.
  QString networkFailure(const QNetworkReply* reply) const;

  QUrl url_;
  QNetworkAccessManager manager_;
  int state_ = Created;
  QByteArray format_;
  Limits limits_;
  QByteArray body_;  // the GET body read so far
  bool overLimit_ = false;
};
