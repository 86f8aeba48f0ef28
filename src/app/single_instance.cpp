#include "app/single_instance.h"

#include <unistd.h>

#include <QCryptographicHash>
#include <QLocalSocket>

namespace {
constexpr int kConnectTimeoutMs = 1000;
constexpr char kShowRequest[] = "show\n";
}  // namespace

SingleInstance::SingleInstance(const QString& title, QObject* parent)
    : QObject(parent), name_(SocketName(title)) {
  connect(&server_, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
      connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
      // The request may have arrived before this connection was picked up.
      auto read = [this, socket] {
        if (socket->readAll().contains("show")) emit ShowRequested();
      };
      connect(socket, &QLocalSocket::readyRead, this, read);
      if (socket->bytesAvailable() > 0) read();
    }
  });
}

QString SingleInstance::SocketName(const QString& title) {
  const QByteArray digest =
      QCryptographicHash::hash(title.toLower().toUtf8(), QCryptographicHash::Sha1).toHex();
  return QString("sonaveil-%1-%2").arg(getuid()).arg(QString::fromLatin1(digest.left(12)));
}

bool SingleInstance::AskRunningInstanceToShow() {
  QLocalSocket socket;
  socket.connectToServer(name_);
  if (!socket.waitForConnected(kConnectTimeoutMs)) return false;
  socket.write(kShowRequest);
  socket.waitForBytesWritten(kConnectTimeoutMs);
  socket.disconnectFromServer();
  return true;
}

bool SingleInstance::Claim() {
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (AskRunningInstanceToShow()) return false;
    // Nobody answered: whatever socket file is there was left by an instance that died.
    QLocalServer::removeServer(name_);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    if (server_.listen(name_)) return true;
    // Another start won the race between our check and our listen; ask it instead.
  }
  // The socket can be neither reached nor made; run rather than refuse to start.
  return true;
}
