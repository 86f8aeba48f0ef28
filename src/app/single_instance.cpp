#include "app/single_instance.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QTimer>
#include <functional>

#include "state/logging.h"

namespace {
constexpr int kConnectTimeoutMs = 1000;
constexpr int kLockTimeoutMs = 5000;
// Writing a request and hearing the answer. The running player answers from a thread of its
// own, so only one that hangs keeps a start waiting this long.
constexpr int kHandOverTimeoutMs = 10000;
// A request is one line; a longer one is no start of ours.
constexpr qint64 kMaxRequestBytes = 1 << 20;
// The running player's answer to a request it took.
constexpr char kTaken[] = "taken\n";

// Whether the process at the other end of a connected local socket runs as this user.
bool PeerIsThisUser(qintptr socket) {
  ucred peer{};
  socklen_t size = sizeof(peer);
  return ::getsockopt(static_cast<int>(socket), SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 &&
         peer.uid == ::geteuid();
}

// A folder, not a link to one, that this user alone may enter and change.
bool IsPrivateFolder(const QString& path) {
  struct stat info {};
  return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISDIR(info.st_mode) &&
         info.st_uid == ::geteuid() && (info.st_mode & 077) == 0;
}

// The display the player's windows go to, without the screen (":0.0" is ":0").
QString DisplayName() {
  QString display = qEnvironmentVariable("DISPLAY");
  const qsizetype colon = display.lastIndexOf(':');
  if (colon >= 0 && display.lastIndexOf('.') > colon) display.truncate(display.lastIndexOf('.'));
  return display.isEmpty() ? qEnvironmentVariable("WAYLAND_DISPLAY") : display;
}

enum class Answer { kNobody, kTaken, kNotTaken };

// Hands request to the player that listens at path and waits until it says it took it.
Answer HandOver(const QString& path, const StartRequest& request, QString& error) {
  QLocalSocket socket;
  socket.connectToServer(path);
  if (!socket.waitForConnected(kConnectTimeoutMs)) return Answer::kNobody;
  if (!PeerIsThisUser(socket.socketDescriptor())) {
    // Not ours: it is no player of this user, whatever it is, and hears nothing.
    qCWarning(lcApp, "%s is another user's; nothing is handed to it", qUtf8Printable(path));
    return Answer::kNobody;
  }
  socket.write(request.Encode());
  const QDeadlineTimer deadline(kHandOverTimeoutMs);
  const auto remaining = [&] { return static_cast<int>(deadline.remainingTime()); };
  while (socket.bytesToWrite() > 0 && socket.waitForBytesWritten(remaining())) {
  }
  while (socket.bytesToWrite() == 0 && !socket.canReadLine() &&
         socket.waitForReadyRead(remaining())) {
  }
  if (socket.canReadLine() && socket.readLine() == kTaken) return Answer::kTaken;
  error = deadline.hasExpired() ? QString("no answer within %1 s").arg(kHandOverTimeoutMs / 1000)
                                : QString("it closed the connection");
  return Answer::kNotTaken;
}

// Reads the one request of a start on socket, says it was taken, and hands it to deliver.
void Serve(QLocalSocket* socket, const std::function<void(const StartRequest&)>& deliver) {
  if (!PeerIsThisUser(socket->socketDescriptor())) {
    qCWarning(lcApp, "a start by another user was turned away");
    socket->abort();
    socket->deleteLater();
    return;
  }
  // The request may have arrived, and its sender gone, before this connection was picked up:
  // what is buffered is read all the same.
  const auto read = [socket, deliver] {
    if (!socket->canReadLine()) {
      if (socket->bytesAvailable() > kMaxRequestBytes) socket->abort();
      return;
    }
    const QByteArray line = socket->readLine(kMaxRequestBytes + 1);
    if (!line.endsWith('\n')) {  // a longer one, come whole before it was looked at
      socket->abort();
      return;
    }
    const std::optional<StartRequest> request = StartRequest::Decode(line);
    socket->disconnect(socket);
    QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    if (request) {
      socket->write(kTaken);
      deliver(*request);
    }
    socket->disconnectFromServer();  // once the answer is written
    if (socket->state() == QLocalSocket::UnconnectedState) socket->deleteLater();
  };
  // A start sends its request at once: one that has not within the time a start waits for the
  // answer never will.
  QTimer::singleShot(kHandOverTimeoutMs, socket, [socket] { socket->abort(); });
  QObject::connect(socket, &QLocalSocket::readyRead, socket, read);
  QObject::connect(socket, &QLocalSocket::disconnected, socket, read);
  QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
  read();
}

}  // namespace

SingleInstance::SingleInstance(const QString& title, QObject* parent)
    : QObject(parent), name_(SocketName(title)) {}

SingleInstance::~SingleInstance() {
  listener_.quit();
  listener_.wait();
}

QString SingleInstance::SocketName(const QString& title) {
  const QByteArray key = title.toLower().toUtf8() + '\n' + DisplayName().toUtf8();
  const QByteArray digest = QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex();
  return QString("sonaveil-%1-%2").arg(getuid()).arg(QString::fromLatin1(digest.left(12)));
}

QString SingleInstance::SocketFolder() {
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (QDir::isAbsolutePath(runtime) && IsPrivateFolder(runtime)) return runtime;
  const QString own = QDir::tempPath() + QString("/sonaveil-%1").arg(::geteuid());
  ::mkdir(QFile::encodeName(own).constData(), 0700);
  return IsPrivateFolder(own) ? own : QString();
}

void SingleInstance::Listen(const QString& path) {
  // The socket is made, read and answered on the listener's thread; requests are heard on
  // this one.
  auto* server = new QLocalServer;
  server->setSocketOptions(QLocalServer::UserAccessOption);
  const auto deliver = [this](const StartRequest& request) {
    QMetaObject::invokeMethod(
        this, [this, request] { emit Requested(request); }, Qt::QueuedConnection);
  };
  connect(server, &QLocalServer::newConnection, server, [server, deliver] {
    while (QLocalSocket* socket = server->nextPendingConnection()) Serve(socket, deliver);
  });
  server->moveToThread(&listener_);
  connect(&listener_, &QThread::finished, server, &QObject::deleteLater);
  listener_.start();
  bool listening = false;
  QMetaObject::invokeMethod(
      server,
      [&] {
        // The socket cannot be made; run rather than refuse to start.
        if (!(listening = server->listen(path)))
          qCWarning(lcApp, "cannot listen for other starts: %s",
                    qUtf8Printable(server->errorString()));
      },
      Qt::BlockingQueuedConnection);
  if (!listening) listener_.quit();
}

SingleInstance::Outcome SingleInstance::Claim(const StartRequest& request) {
  const QString folder = SocketFolder();
  if (folder.isEmpty()) {
    // Someone else holds the place where the socket would be: nothing goes there.
    qCWarning(lcApp, "the folder for other starts is not this user's alone; none are taken");
    return Outcome::kRunning;
  }
  const QString path = folder + '/' + name_;
  // Several starts at the same moment take their turn here, so that exactly one of them
  // listens: each later one finds it answering. (Listening would silently replace a socket
  // file in use, so the question comes first.)
  QLockFile lock(path + ".lock");
  const bool locked = lock.tryLock(kLockTimeoutMs);
  switch (HandOver(path, request, error_)) {
    case Answer::kTaken:
      return Outcome::kHandedOver;
    case Answer::kNotTaken:
      return Outcome::kNotTaken;
    case Answer::kNobody:
      break;
  }
  if (!locked) return Outcome::kRunning;
  // Nobody of ours answered: whatever socket file is there was left by an instance that died.
  QLocalServer::removeServer(path);
  Listen(path);
  return Outcome::kRunning;
}
