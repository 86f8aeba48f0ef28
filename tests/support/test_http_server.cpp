#include "support/test_http_server.h"

#include <sys/socket.h>

#include <QPointer>
#include <QTcpSocket>
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

// Ends the connection once what was written has left: cleanly, or with a reset.
void End(QTcpSocket* socket, bool reset) {
  if (!reset) {
    socket->disconnectFromHost();
  } else if (socket->bytesToWrite() > 0) {
    QObject::connect(socket, &QTcpSocket::bytesWritten, socket, [socket] {
      if (socket->bytesToWrite() == 0) End(socket, true);
    });
  } else {
    const linger abortive{1, 0};
    setsockopt(socket->socketDescriptor(), SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
    socket->abort();
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
    End(socket, route.reset);
    return;
  }
  QTimer::singleShot(route.pauseMs, socket,
                     [socket, route, end] { SendPieces(socket, route, end); });
}

}  // namespace

TestHttpServer::TestHttpServer() {
  server_.listen(QHostAddress::LocalHost, 0);
  connect(&server_, &QTcpServer::newConnection, this, [this] {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
      connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
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

QString TestHttpServer::Url(const QString& path) const {
  return QString("http://127.0.0.1:%1%2").arg(Port()).arg(path);
}

void TestHttpServer::Route(const QString& path, const TestRoute& route) { routes_[path] = route; }

void TestHttpServer::Serve(QTcpSocket* socket, const TestRoute& route) {
  QByteArray head = "HTTP/1.1 " + QByteArray::number(route.status) + ' ' +
                    ReasonPhrase(route.status) + "\r\nConnection: close\r\n";
  if (!route.contentType.isEmpty()) head += "Content-Type: " + route.contentType + "\r\n";
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
