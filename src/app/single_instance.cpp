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
// A request is one line; a longer one is no start of ours.
constexpr qint64 kMaxRequestBytes = 1 << 20;
}  // namespace

SingleInstance::SingleInstance(const QString& title, QObject* parent)
    : QObject(parent), name_(SocketName(title)) {
  connect(&server_, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
      // The request may have arrived, and its sender gone, before this connection was
      // picked up: what is buffered is read all the same.
      auto read = [this, socket] {
        if (!socket->canReadLine()) {
          if (socket->bytesAvailable() > kMaxRequestBytes) socket->abort();
          return;
        }
        const std::optional<StartRequest> request = StartRequest::Decode(socket->readLine());
        socket->disconnect(this);
        socket->deleteLater();
        emit Requested(request.value_or(StartRequest{}));
      };
      connect(socket, &QLocalSocket::readyRead, this, read);
      connect(socket, &QLocalSocket::disconnected, this, read);
      connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
      read();
    }
  });
}

QString SingleInstance::SocketName(const QString& title) {
  const QByteArray digest =
      QCryptographicHash::hash(title.toLower().toUtf8(), QCryptographicHash::Sha1).toHex();
  return QString("sonaveil-%1-%2").arg(getuid()).arg(QString::fromLatin1(digest.left(12)));
}

bool SingleInstance::HandToRunningInstance(const StartRequest& request) {
  QLocalSocket socket;
  socket.connectToServer(name_);
  if (!socket.waitForConnected(kConnectTimeoutMs)) return false;
  socket.write(request.Encode());
  socket.waitForBytesWritten(kConnectTimeoutMs);
  socket.disconnectFromServer();
  return true;
}

bool SingleInstance::Claim(const StartRequest& request) {
  // Several starts at the same moment take their turn here, so that exactly one of them
  // listens: each later one finds it answering. (Listening would silently replace a socket
  // file in use, so the question comes first.)
  QLockFile lock(QDir::temp().filePath(name_ + ".lock"));
  if (!lock.tryLock(kLockTimeoutMs)) return !HandToRunningInstance(request);
  if (HandToRunningInstance(request)) return false;
  // Nobody answered: whatever socket file is there was left by an instance that died.
  QLocalServer::removeServer(name_);
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  if (server_.listen(name_)) return true;
  // The socket cannot be made; run rather than refuse to start.
  qCWarning(lcApp, "cannot listen for other starts: %s", qUtf8Printable(server_.errorString()));
  return true;
}
