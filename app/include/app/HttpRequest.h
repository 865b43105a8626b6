#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QSettings>
#include <QString>
#include <QTimer>

class QNetworkAccessManager;
class QNetworkReply;

// An HTTP GET of one fixed address, for the update and news checks. At most one request is in
// flight; a kick-off while one is only updates the forced flag. An unforced check does not run
// before the moment stored under group + "SupressUntil". With useCache, a page whose
// "<html" ... "</html>" slice hashes as the one stored under group + "Cache" is not new, unless
// the check was forced; the digest is stored when the page was accepted.
//
// A transfer that takes longer than the time-out (30 s) or sends more than 1 MiB is aborted and
// counts as a network error. GUI thread.
class HttpRequest : public QObject {
  Q_OBJECT

 public:
  static constexpr int kDefaultTimeoutMs = 30000;
  static constexpr qint64 kMaxBodyBytes = 1 << 20;

  HttpRequest(const QString& url, const QString& group, bool useCache, QObject* parent = nullptr);
  ~HttpRequest() override;

  const QString& url() const { return url_; }
  const QString& group() const { return group_; }
  bool isBusy() const { return busy_; }
  int statusCode() const { return statusCode_; }
  const QString& reasonPhrase() const { return reasonPhrase_; }
  const QString& body() const { return body_; }
  bool forced() const { return forced_; }
  // True when an unforced check must not run now (logs the current time and the threshold).
  bool isSuppressed();
  void setTimeout(int milliseconds) { timeoutMs_ = milliseconds; }

  // A finished reply's evaluation: emits httpStatusCode, and for status 200 a new page's
  // response; the checker is idle afterwards. Driven by getFinishedSlot (and directly by the
  // reply harness).
  void evaluateReply(int status, const QString& reason, const QByteArray& body);

 signals:
  // The page text; the slot answers whether the user accepted the page.
  bool response(QString result, bool forced);
  void httpStatusCode(int statusCode);

 public slots:
  void kickOffTransfer(bool force = false);
  // No unforced check before now + `days`.
  void supress(int days);
  void getFinishedSlot(QNetworkReply* reply);

 private:
  void abortTransfer(const QString& reason);

  QNetworkAccessManager* manager_;
  QString url_;
  QString group_;
  bool useCache_;
  QNetworkReply* reply_ = nullptr;
  // From the start of a transfer to the end of its evaluation (the evaluation may show a box).
  bool busy_ = false;
  int statusCode_ = 0;
  QString reasonPhrase_;
  QString body_;
  QSettings settings_;
  bool forced_ = false;
  QTimer timeout_;
  int timeoutMs_ = kDefaultTimeoutMs;
  QString abortReason_;
};
