#pragma once

#include <map>

#include <QByteArray>
#include <QObject>
#include <QStringList>
#include <QTcpServer>

// A small HTTP server on 127.0.0.1 that stands for the web in the tests: clients reach it as
// their proxy, so it receives absolute-form targets ("http://host/path"), or directly by its
// address. Each target's path is answered with its set reply (404 when none is set); HEAD gets
// the reply's headers alone. A silent server, or a silent reply, accepts and never answers.
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

  struct Reply {
    int status = 200;
    QByteArray body;
    QByteArray contentType = "text/html; charset=utf-8";
    int headStatus = -1;         // the status HEAD gets; -1: as GET
    qint64 declaredLength = -1;  // the Content-Length sent; -1: the body's
    bool silent = false;
    // The answer sent, the connection left open: a body still on its way. A close here would
    // end a body shorter than declared, which Qt may answer by sending the request again.
    bool keepOpen = false;
  };

  void setReply(const QString& path, int status, const QByteArray& body);
  void setReply(const QString& path, const Reply& reply) { replies_[path] = reply; }
  void setSilent(bool silent) { silent_ = silent; }

  // The targets received, in order.
  const QStringList& requests() const { return requests_; }
  // The same as "METHOD target".
  const QStringList& exchanges() const { return exchanges_; }

 private:
  void serve(QTcpSocket* socket);

  QTcpServer server_;
  std::map<QTcpSocket*, QByteArray> pending_;
  std::map<QString, Reply> replies_;
  QStringList requests_;
  QStringList exchanges_;
  bool silent_ = false;
  bool isProxy_ = false;
};
