#include "support/test_http_server.h"

#include <sys/socket.h>

#include <QPointer>
#include <QProcess>
#include <QSslSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <memory>

namespace {

QByteArray ReasonPhrase(int status) {
  switch (status) {
    case 200:
      return "OK";
    case 301:
      return "Moved Permanently";
    case 302:
      return "Found";
    case 404:
      return "Not Found";
    case 500:
      return "Internal Server Error";
    default:
      return "Status";
  }
}

// The key and self-signed certificate of the TLS servers, made for 127.0.0.1.
const QTemporaryDir& TlsFolder() {
  static QTemporaryDir dir;
  [[maybe_unused]] static const int made = QProcess::execute(
      "openssl",
      {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
       "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1", "-days", "2", "-keyout",
       dir.filePath("key.pem"), "-out", dir.filePath("cert.pem")});
  return dir;
}

void StartTls(QTcpSocket* socket) {
  auto* tls = static_cast<QSslSocket*>(socket);
  tls->setLocalCertificate(TlsFolder().filePath("cert.pem"));
  tls->setPrivateKey(TlsFolder().filePath("key.pem"), QSsl::Ec);
  tls->startServerEncryption();
}

// Ends the connection once what was written has left: cleanly, with a reset, or by closing
// TCP without TLS's close_notify.
void End(QTcpSocket* socket, bool reset, bool cutTls = false) {
  if (!reset && !cutTls) {
    socket->disconnectFromHost();
  } else if (socket->bytesToWrite() > 0) {
    QObject::connect(socket, &QTcpSocket::bytesWritten, socket, [socket, reset, cutTls] {
      if (socket->bytesToWrite() == 0) End(socket, reset, cutTls);
    });
  } else {
    socket->flush();
    const linger abortive{1, 0};
    if (reset)
      setsockopt(socket->socketDescriptor(), SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
    else
      shutdown(socket->socketDescriptor(), SHUT_WR);
    // After the flush a TLS socket may have queued for itself, which must not find it aborted.
    QMetaObject::invokeMethod(socket, &QAbstractSocket::abort, Qt::QueuedConnection);
  }
}

void SendChunks(QPointer<QTcpSocket> socket, QByteArray rest, int size, int delayMs,
                qint64 dropAfter) {
  if (!socket) return;
  if (dropAfter == 0) {
    socket->disconnectFromHost();
    return;
  }
  if (rest.isEmpty()) {
    socket->write("0\r\n\r\n");
    socket->disconnectFromHost();
    return;
  }
  const int take = dropAfter > 0 ? static_cast<int>(qMin<qint64>(size, dropAfter)) : size;
  const QByteArray piece = rest.left(take);
  socket->write(QByteArray::number(piece.size(), 16) + "\r\n" + piece + "\r\n");
  rest.remove(0, piece.size());
  if (dropAfter > 0) dropAfter -= piece.size();
  QTimer::singleShot(delayMs, socket, [socket, rest, size, delayMs, dropAfter] {
    SendChunks(socket, rest, size, delayMs, dropAfter);
  });
}

// Sends body from offset up to the next pause or drop point, then carries on after pauseMs.
void SendPieces(QPointer<QTcpSocket> socket, const TestRoute& route, qint64 offset) {
  if (!socket) return;
  qint64 end = route.body.size();
  for (qint64 stop : route.pauseAfterBytes)
    if (stop > offset && stop < end) end = stop;
  if (route.dropAfterBytes >= 0) end = qMin(end, route.dropAfterBytes);
  socket->write(route.body.mid(offset, end - offset));
  if (end == route.body.size() || end == route.dropAfterBytes) {
    End(socket, route.reset, route.cutTls);
    return;
  }
  QTimer::singleShot(route.pauseMs, socket,
                     [socket, route, end] { SendPieces(socket, route, end); });
}

}  // namespace

void TlsCapableServer::incomingConnection(qintptr descriptor) {
  auto* socket = new QSslSocket(this);
  if (socket->setSocketDescriptor(descriptor))
    addPendingConnection(socket);
  else
    delete socket;
}

TestHttpServer::TestHttpServer(Tls tls) : tls_(tls) {
  server_.listen(QHostAddress::LocalHost, 0);
  connect(&server_, &QTcpServer::newConnection, this, [this] {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
      connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
      if (tls_ == Tls::kDirect) StartTls(socket);
      auto buffer = std::make_shared<QByteArray>();
      connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer] {
        if (buffer->contains("\r\n\r\n")) {
          socket->readAll();
          return;
        }
        buffer->append(socket->readAll());
        if (!buffer->contains("\r\n\r\n")) return;
        const QList<QByteArray> requestLine = buffer->left(buffer->indexOf("\r\n")).split(' ');
        const QString target = requestLine.size() > 1 ? QString::fromLatin1(requestLine[1]) : "/";
        if (requestLine[0] == "CONNECT") {  // a tunnel to this server; a request follows
          requests_.append("CONNECT " + target);
          buffer->clear();
          socket->write("HTTP/1.1 200 Connection established\r\n\r\n");
          if (tls_ != Tls::kNone) StartTls(socket);
          return;
        }
        requests_.append(target);
        const QString path = QUrl(target).path();
        TestRoute route;
        if (routes_.contains(path)) {
          route = routes_.value(path);
        } else {
          route.status = 404;
          route.body = "<html><body>not found</body></html>";
        }
        if (route.neverAnswer) return;
        QPointer<QTcpSocket> guarded(socket);
        QTimer::singleShot(route.delayMs, this, [this, guarded, route] {
          if (guarded) Serve(guarded, route);
        });
      });
    }
  });
}

QString TestHttpServer::CertificateFile() { return TlsFolder().filePath("cert.pem"); }

QString TestHttpServer::Url(const QString& path) const {
  return QString("%1://127.0.0.1:%2%3")
      .arg(tls_ == Tls::kDirect ? "https" : "http")
      .arg(Port())
      .arg(path);
}

void TestHttpServer::Route(const QString& path, const TestRoute& route) { routes_[path] = route; }

void TestHttpServer::Serve(QTcpSocket* socket, const TestRoute& route) {
  QByteArray head = route.before + "HTTP/1.1 " + QByteArray::number(route.status) + ' ' +
                    ReasonPhrase(route.status) + "\r\nConnection: close\r\n";
  if (!route.contentType.isEmpty()) head += "Content-Type: " + route.contentType + "\r\n";
  head += route.headers;
  if (!route.location.isEmpty()) head += "Location: " + route.location + "\r\n";
  if (route.chunked) {
    socket->write(head + "Transfer-Encoding: chunked\r\n\r\n");
    SendChunks(socket, route.body, route.chunkBytes, route.chunkDelayMs, route.dropAfterBytes);
    return;
  }
  if (!route.noLength) head += "Content-Length: " + QByteArray::number(route.body.size()) + "\r\n";
  socket->write(head + "\r\n");
  SendPieces(socket, route, 0);
}
