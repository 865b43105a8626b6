#include "LoopbackHttpServer.h"

#include <QNetworkProxy>
#include <QTcpSocket>
#include <QUrl>

LoopbackHttpServer::LoopbackHttpServer() {
  server_.listen(QHostAddress::LocalHost, 0);
  connect(&server_, &QTcpServer::newConnection, this, [this] {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
      socket->setParent(this);
      connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
    }
  });
}

LoopbackHttpServer::~LoopbackHttpServer() {
  if (isProxy_) QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::NoProxy));
}

QString LoopbackHttpServer::proxyUrl() const {
  return QStringLiteral("http://127.0.0.1:%1").arg(port());
}

void LoopbackHttpServer::becomeApplicationProxy() {
  QNetworkProxy::setApplicationProxy(
      QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), port()));
  isProxy_ = true;
}

void LoopbackHttpServer::setReply(const QString& path, int status, const QByteArray& body) {
  Reply reply;
  reply.status = status;
  reply.body = body;
  replies_[path] = reply;
}

void LoopbackHttpServer::serve(QTcpSocket* socket) {
  QByteArray& request = pending_[socket];
  request += socket->readAll();
  const int headerEnd = request.indexOf("\r\n\r\n");
  if (headerEnd < 0) return;
  const QList<QByteArray> requestLine = request.left(request.indexOf("\r\n")).split(' ');
  pending_.erase(socket);
  const QString target =
      requestLine.size() > 1 ? QString::fromLatin1(requestLine.at(1)) : QString();
  requests_ << target;
  const QByteArray method = requestLine.value(0);
  exchanges_ << QString::fromLatin1(method) + QLatin1Char(' ') + target;
  if (silent_) return;
  const auto found = replies_.find(QUrl(target).path());
  Reply reply;
  if (found != replies_.end()) {
    reply = found->second;
  } else {
    reply.status = 404;
    reply.body = "missing";
  }
  if (reply.silent) return;
  const bool head = method == "HEAD";
  const int status = head && reply.headStatus >= 0 ? reply.headStatus : reply.status;
  const qint64 length = reply.declaredLength >= 0 ? reply.declaredLength : reply.body.size();
  QByteArray answer =
      "HTTP/1.1 " + QByteArray::number(status) + (status == 200 ? " OK" : " Status") + "\r\n";
  answer += "Content-Type: " + reply.contentType + "\r\n";
  answer += "Content-Length: " + QByteArray::number(length) + "\r\n";
  answer += "Connection: close\r\n\r\n";
  if (!head) answer += reply.body;
  socket->write(answer);
  if (!reply.keepOpen) socket->disconnectFromHost();
}
