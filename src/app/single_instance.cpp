#include "app/single_instance.h"

#include <unistd.h>

#include <QCryptographicHash>
#include <QDir>
#include <QLocalSocket>
#include <QLockFile>

#include "state/logging.h"

namespace {
constexpr int kConnectTimeoutMs = 1000;
constexpr int kLockTimeoutMs = 5000;
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
  // Several starts at the same moment take their turn here, so that exactly one of them
  // listens: each later one finds it answering. (Listening would silently replace a socket
  // file in use, so the question comes first.)
  QLockFile lock(QDir::temp().filePath(name_ + ".lock"));
  if (!lock.tryLock(kLockTimeoutMs)) return !AskRunningInstanceToShow();
  if (AskRunningInstanceToShow()) return false;
  // Nobody answered: whatever socket file is there was left by an instance that died.
  QLocalServer::removeServer(name_);
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  if (server_.listen(name_)) return true;
  // The socket cannot be made; run rather than refuse to start.
  qCWarning(lcApp, "cannot listen for other starts: %s", qUtf8Printable(server_.errorString()));
  return true;
}
