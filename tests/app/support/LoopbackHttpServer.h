#pragma once

#include <map>

#include <QByteArray>
#include <QObject>
#include <QStringList>
#include <QTcpServer>

// A small HTTP server on 127.0.0.1 that stands for the web in the tests: clients reach it as
// their proxy, so it receives absolute-form targets ("http://host/path"). Each target's path is
// answered with its set reply (404 when none is set); a silent server accepts and never answers.
// Serves from the thread it lives in, while that thread runs its event loop.
class LoopbackHttpServer : public QObject {
  Q_OBJECT

 public:
  LoopbackHttpServer();

  quint16 port() const { return server_.serverPort(); }
  // "http://127.0.0.1:PORT", for http_proxy.
  QString proxyUrl() const;
  // Makes this server the application's proxy for the life of the object.
  void becomeApplicationProxy();
  ~LoopbackHttpServer() override;

  void setReply(const QString& path, int status, const QByteArray& body);
  void setSilent(bool silent) { silent_ = silent; }

  // The targets received, in order.
  const QStringList& requests() const { return requests_; }

 private:
  struct Reply {
    int status;
    QByteArray body;
  };
  void serve(QTcpSocket* socket);

  QTcpServer server_;
  std::map<QTcpSocket*, QByteArray> pending_;
  std::map<QString, Reply> replies_;
  QStringList requests_;
  bool silent_ = false;
  bool isProxy_ = false;
};
