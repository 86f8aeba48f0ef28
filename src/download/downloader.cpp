#include "download/downloader.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QNetworkReply>
#include <QPointer>
#include <QSaveFile>
#include <QSslSocket>
#include <QTcpSocket>
#include <QUrl>
#include <algorithm>
#include <vector>

#include "platform/msgbox.h"

namespace {

// The size of each read from a connection, and what an encrypted one may hold ahead of our
// writes, so memory stays flat whatever the size of the file.
constexpr qint64 kReadBufferBytes = 512 * 1024;
// Reads in one turn of the event loop: a fast transfer must not hold up the window's events.
constexpr int kReadsPerTurn = 4;

// How much written data may wait in the page cache before the disk is asked to take it.
constexpr qint64 kWritebackBytes = 1 * 1024 * 1024;

const QColor kBarColour(158, 165, 245);

// n / d rounded to the nearest integer, halves to the even neighbour; d > 0, n >= 0.
qint64 RoundHalfEven(qint64 n, qint64 d) {
  const qint64 q = n / d;
  const qint64 twice = 2 * (n % d);
  if (twice > d || (twice == d && q % 2 != 0)) return q + 1;
  return q;
}

bool IsSuccess(int status) { return status >= 200 && status <= 299; }

// Starts the disk writing what has been written since `from`, without waiting for it. The
// commit makes the file durable before it replaces the target; done as the data arrives, that
// costs a fraction of one sync of the whole file at the end.
bool StartWriteback(QSaveFile& file, qint64& from, qint64 to) {
  if (!file.flush()) return false;
  sync_file_range(file.handle(), from, to - from, SYNC_FILE_RANGE_WRITE);
  from = to;
  return true;
}

// A response head larger than this is no file server's answer.
constexpr qsizetype kMaxHeadBytes = 64 * 1024;
constexpr qsizetype kMaxChunkLineBytes = 4096;
constexpr int kMaxRedirects = 20;
// How much of the start of a body is kept to tell an HTML page.
constexpr qsizetype kPageSniffBytes = 512;

// Where the head that starts `head` ends (past its empty line), or -1 while it goes on; `from`
// is where the search may start, as the bytes before it have been searched.
qsizetype HeadEnd(const QByteArray& head, qsizetype from) {
  for (qsizetype i = head.indexOf('\n', from); i >= 0; i = head.indexOf('\n', i + 1)) {
    if (i + 1 < head.size() && head[i + 1] == '\n') return i + 2;
    if (i + 2 < head.size() && head[i + 1] == '\r' && head[i + 2] == '\n') return i + 3;
  }
  return -1;
}

// Whether the peer ended the connection cleanly rather than with a reset. The socket layer
// reports both as the end of the data and closes its descriptor; `watch`, a second one of the
// same connection, still shows its state: a clean close leaves it waiting for our own.
bool ClosedCleanly(int watch) {
  tcp_info info{};
  socklen_t size = sizeof info;
  return watch >= 0 && getsockopt(watch, IPPROTO_TCP, TCP_INFO, &info, &size) == 0 &&
         info.tcpi_state == TCP_CLOSE_WAIT;
}

// Whether a body begins as an HTML document does (after a byte-order mark and white space).
bool LooksLikePage(QByteArray start) {
  if (start.startsWith("\xEF\xBB\xBF")) start.remove(0, 3);
  start = start.trimmed().left(14).toLower();
  return start.startsWith("<!doctype html") || start.startsWith("<html");
}

}  // namespace

struct Downloader::Read {
  enum class Framing { kLength, kChunked, kClose };
  enum class Chunk { kSize, kData, kDataEnd, kTrailer, kDone };

  // One response: the read's last one is the file, those before it redirects.
  struct Response {
    QByteArray head;  // until the empty line that ends it
    bool inBody = false;
    bool pageType = false;  // Content-Type: text/html
    Framing framing = Framing::kClose;
    qint64 announced = -1;  // Content-Length
    Chunk chunk = Chunk::kSize;
    qint64 chunkLeft = 0;
    QByteArray line;  // a chunk's size line or a trailer line, so far
  };

  Read(Downloader* owner, const QString& path)
      : owner(owner), saveFile(path), file(path), stall(new QTimer(owner)) {
    stall->setSingleShot(true);
  }
  ~Read() {
    // The timer or the socket may be what is reporting now: they go once it has returned.
    QObject::disconnect(stall, nullptr, owner, nullptr);
    stall->stop();
    stall->deleteLater();
    DropConnection();
  }

  void DropConnection() {
    if (socket) {
      QObject::disconnect(socket, nullptr, owner, nullptr);
      socket->abort();
      socket->deleteLater();
      socket = nullptr;
    }
    if (watch >= 0) ::close(watch);
    watch = -1;
  }

  Downloader* owner;
  QString saveFile;
  QSaveFile file;
  QTimer* stall;
  QUrl url;
  int redirects = 0;
  QAbstractSocket* socket = nullptr;
  int watch = -1;  // a second descriptor of the connection, see ClosedCleanly
  Response response;
  QByteArray start;  // the first bytes of the body
  qint64 received = 0;
  qint64 writtenBack = 0;  // bytes the disk was asked to write
};

Downloader::Downloader(QWidget* parent) : QWidget(parent) {
  setAutoFillBackground(true);
  QPalette white = palette();
  white.setColor(QPalette::Window, Qt::white);
  setPalette(white);

  Shape1 = new QWidget(this);
  Shape1->setAutoFillBackground(true);
  QPalette bar = Shape1->palette();
  bar.setColor(QPalette::Window, kBarColour);
  Shape1->setPalette(bar);
  Shape1->setGeometry(0, 0, 0, height());

  Label1 = new QLabel("Label1", this);
  Label1->setAttribute(Qt::WA_TranslucentBackground);
  Label1->adjustSize();
  Label1->raise();
  CentreLabel();

  // The tick only matters once the control falls idle: it clears the percentage then.
  Timer1 = new QTimer(this);
  Timer1->setSingleShot(true);
  Timer1->setInterval(10);
  connect(Timer1, &QTimer::timeout, this, &Downloader::Timer1_Timer);
  Timer1->start();
}

Downloader::~Downloader() { reads_.clear(); }

void Downloader::BeginDownload(const QString& url, const QString& SaveFile) {
  downStat = true;
  const QUrl address(url, QUrl::StrictMode);
  const QString scheme = address.scheme().toLower();
  if (!address.isValid() || address.host().isEmpty() || (scheme != "http" && scheme != "https")) {
    downStat = false;
    const bool known = address.isValid() && !scheme.isEmpty();
    const int number =
        known ? QNetworkReply::ProtocolUnknownError : QNetworkReply::ProtocolInvalidOperationError;
    const QString description = known ? QString("不支持的协议 %1: %2").arg(scheme, url)
                                      : QString("无效的地址: %1").arg(url);
    MsgBox(QString::number(number) + "开始下载数据失败！\r\n\r\n错误：" + description, "错误",
           vbOKOnly | vbCritical);
    return;
  }

  reads_.push_back(std::make_unique<Read>(this, SaveFile));
  Read* read = reads_.back().get();
  connect(read->stall, &QTimer::timeout, this, [this, read] { Finish(read, false); });
  if (!read->file.open(QIODevice::WriteOnly)) {
    // Reported from the event loop, as every other outcome is.
    read->stall->start(0);
    return;
  }
  read->url = address;
  Connect(read);
}

void Downloader::Connect(Read* read) {
  read->DropConnection();
  read->response = {};
  const bool tls = read->url.scheme().toLower() == "https";
  QAbstractSocket* socket = tls ? new QSslSocket(this) : new QTcpSocket(this);
  read->socket = socket;
  // Bounds what the socket may hold ahead of our writes.
  socket->setReadBufferSize(kReadBufferBytes);
  connect(socket, &QAbstractSocket::connected, this, [this, read, socket, tls] {
    read->watch = fcntl(int(socket->socketDescriptor()), F_DUPFD_CLOEXEC, 0);
    if (!tls) SendRequest(read);
  });
  connect(socket, &QAbstractSocket::readyRead, this, [this, read] { Receive(read, false); });
  connect(socket, &QAbstractSocket::disconnected, this, [this, read] { Receive(read, true); });
  connect(socket, &QAbstractSocket::errorOccurred, this,
          [this, read](QAbstractSocket::SocketError error) {
            // How the connection ended is judged once it has.
            if (error != QAbstractSocket::RemoteHostClosedError) Finish(read, false);
          });
  const quint16 port = quint16(read->url.port(tls ? 443 : 80));
  if (auto* secure = qobject_cast<QSslSocket*>(socket)) {
    connect(secure, &QSslSocket::encrypted, this, [this, read] { SendRequest(read); });
    secure->connectToHostEncrypted(read->url.host(), port);
  } else {
    // Read straight from the socket: no second copy of every byte.
    socket->connectToHost(read->url.host(), port, QIODevice::ReadWrite | QIODevice::Unbuffered);
  }
  read->stall->start(stallTimeoutMs_);
}

void Downloader::SendRequest(Read* read) {
  const QUrl& url = read->url;
  QByteArray target = url.path(QUrl::FullyEncoded).toLatin1();
  if (target.isEmpty()) target = "/";
  if (url.hasQuery()) target += "?" + url.query(QUrl::FullyEncoded).toLatin1();
  QByteArray host = url.host(QUrl::FullyEncoded).toLatin1();
  if (host.contains(':')) host = "[" + host + "]";
  if (url.port() != -1) host += ":" + QByteArray::number(url.port());
  // The bytes as the server holds them: a compressed transfer would not be the file.
  read->socket->write("GET " + target + " HTTP/1.1\r\nHost: " + host +
                      "\r\nUser-Agent: Sonaveil/4.0\r\nAccept-Encoding: identity\r\n"
                      "Cache-Control: no-cache\r\nConnection: close\r\n\r\n");
}

bool Downloader::CancelAsyncRead() {
  if (reads_.empty()) return false;
  reads_.clear();
  SetIdle();
  return false;
}

void Downloader::SizeIt() { resize(32, 32); }

void Downloader::kill() { SetIdle(); }

void Downloader::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (sizeItOnResize_ && size() != QSize(32, 32)) SizeIt();
}

void Downloader::Receive(Read* read, bool closed) {
  // One buffer for every read, so a long transfer does not churn the heap.
  static std::vector<char> buffer(kReadBufferBytes);
  read->stall->start(stallTimeoutMs_);
  const qint64 before = read->received;
  // An unbuffered socket says again when more is waiting; a buffered one only when more
  // arrives, so all it holds is read now.
  const bool capped = !closed && (read->socket->openMode() & QIODevice::Unbuffered);
  Outcome outcome = Outcome::kMore;
  for (int reads = 0; outcome == Outcome::kMore && !(capped && reads == kReadsPerTurn); ++reads) {
    const qint64 n = read->socket->read(buffer.data(), qint64(buffer.size()));
    // Read unbuffered, the socket tells its end only here, and then with no signal.
    closed = closed || n < 0;
    if (n <= 0) break;
    outcome = Feed(read, QByteArrayView(buffer.data(), n));
  }
  if (outcome == Outcome::kRedirected) return;  // the read goes on at the new address
  if (closed && outcome == Outcome::kMore) {
    // Only a body that no length and no chunks end is ended by the close, and then only by a
    // clean one.
    const bool ended = read->response.inBody && read->response.framing == Read::Framing::kClose &&
                       !requireAnnouncedEnd_ && ClosedCleanly(read->watch);
    outcome = ended ? Outcome::kDone : Outcome::kFailed;
  }
  if (outcome != Outcome::kFailed && read->received != before) {
    QPointer<Downloader> alive(this);
    const Read::Response& r = read->response;
    AsyncReadProgress(read->received, r.framing == Read::Framing::kLength ? r.announced : 0,
                      read->saveFile);
    if (!alive) return;
  }
  if (outcome != Outcome::kMore) Finish(read, outcome == Outcome::kDone);
}

Downloader::Outcome Downloader::Feed(Read* read, QByteArrayView data) {
  Read::Response& r = read->response;
  if (r.inBody) return TakeBody(read, data);
  const qsizetype searched = std::max<qsizetype>(0, r.head.size() - 3);
  r.head.append(data);
  const qsizetype end = HeadEnd(r.head, searched);
  if (end < 0) return r.head.size() > kMaxHeadBytes ? Outcome::kFailed : Outcome::kMore;
  const QByteArray rest = r.head.mid(end);
  r.head.truncate(end);
  const Outcome outcome = TakeHead(read);
  if (outcome != Outcome::kMore || rest.isEmpty()) return outcome;
  return Feed(read, rest);
}

Downloader::Outcome Downloader::TakeHead(Read* read) {
  Read::Response& r = read->response;
  const QList<QByteArray> lines = r.head.split('\n');
  const QList<QByteArray> statusLine = lines[0].trimmed().split(' ');
  bool numeric = false;
  const int status = statusLine.value(1).toInt(&numeric);
  if (!statusLine[0].startsWith("HTTP/1.") || !numeric) return Outcome::kFailed;
  QByteArray location;
  bool chunked = false;
  for (qsizetype i = 1; i < lines.size(); ++i) {
    const qsizetype colon = lines[i].indexOf(':');
    if (colon < 0) continue;
    const QByteArray name = lines[i].left(colon).trimmed().toLower();
    const QByteArray value = lines[i].mid(colon + 1).trimmed();
    if (name == "content-length") {
      bool valid =
          value.size() <= 18 && !value.isEmpty() &&
          std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; });
      // A length that is not a number, or two that differ, leave the end unknown: no file.
      if (!valid || (r.announced >= 0 && r.announced != value.toLongLong()))
        return Outcome::kFailed;
      r.announced = value.toLongLong();
    } else if (name == "transfer-encoding") {
      // Chunks are the only coding that leaves the file's bytes as they are.
      if (value.toLower() != "chunked") return Outcome::kFailed;
      chunked = true;
    } else if (name == "content-type") {
      r.pageType = value.split(';')[0].trimmed().toLower() == "text/html";
    } else if (name == "location") {
      location = value;
    }
  }
  if (status >= 100 && status < 200 && status != 101) {
    r = {};  // an interim answer; the real one follows
    return Outcome::kMore;
  }
  if ((status == 301 || status == 302 || status == 303 || status == 307 || status == 308) &&
      !location.isEmpty()) {
    const QUrl next = read->url.resolved(QUrl::fromEncoded(location));
    const QString scheme = next.scheme().toLower();
    // Never from HTTPS down to plain HTTP.
    if (++read->redirects > kMaxRedirects || next.host().isEmpty() ||
        (scheme != "https" && (scheme != "http" || read->url.scheme().toLower() == "https")))
      return Outcome::kFailed;
    read->url = next;
    Connect(read);
    return Outcome::kRedirected;
  }
  if (!IsSuccess(status)) return Outcome::kFailed;
  r.inBody = true;
  r.framing = chunked            ? Read::Framing::kChunked
              : r.announced >= 0 ? Read::Framing::kLength
                                 : Read::Framing::kClose;
  if (r.framing == Read::Framing::kLength && r.announced == 0) return Outcome::kDone;
  return Outcome::kMore;
}

Downloader::Outcome Downloader::TakeBody(Read* read, QByteArrayView data) {
  const Read::Response& r = read->response;
  switch (r.framing) {
    case Read::Framing::kLength: {
      const qint64 wanted = r.announced - read->received;
      if (!Store(read, data.first(std::min<qint64>(data.size(), wanted)))) return Outcome::kFailed;
      return read->received == r.announced ? Outcome::kDone : Outcome::kMore;
    }
    case Read::Framing::kChunked:
      return TakeChunks(read, data);
    case Read::Framing::kClose:
      break;
  }
  return Store(read, data) ? Outcome::kMore : Outcome::kFailed;
}

Downloader::Outcome Downloader::TakeChunks(Read* read, QByteArrayView data) {
  using Chunk = Read::Chunk;
  Read::Response& r = read->response;
  while (!data.isEmpty()) {
    if (r.chunk == Chunk::kData) {
      const qsizetype take = qsizetype(std::min<qint64>(data.size(), r.chunkLeft));
      if (!Store(read, data.first(take))) return Outcome::kFailed;
      data = data.sliced(take);
      r.chunkLeft -= take;
      if (r.chunkLeft == 0) r.chunk = Chunk::kDataEnd;
      continue;
    }
    // The lines between the data: a chunk's size, the end of its data, the trailer.
    const char c = data.front();
    data = data.sliced(1);
    if (c != '\n') {
      if (r.line.size() >= kMaxChunkLineBytes) return Outcome::kFailed;
      r.line += c;
      continue;
    }
    const QByteArray line = r.line.trimmed();
    r.line.clear();
    if (r.chunk == Chunk::kSize) {
      const qsizetype extension = line.indexOf(';');
      const QByteArray digits = (extension < 0 ? line : line.left(extension)).trimmed();
      bool valid = false;
      const qint64 size = digits.size() <= 15 ? digits.toLongLong(&valid, 16) : -1;
      if (!valid || size < 0) return Outcome::kFailed;
      r.chunkLeft = size;
      r.chunk = size > 0 ? Chunk::kData : Chunk::kTrailer;
    } else if (r.chunk == Chunk::kDataEnd) {
      if (!line.isEmpty()) return Outcome::kFailed;
      r.chunk = Chunk::kSize;
    } else if (line.isEmpty()) {  // the trailer's end: the body is whole
      r.chunk = Chunk::kDone;
      return Outcome::kDone;
    }
  }
  return Outcome::kMore;
}

bool Downloader::Store(Read* read, QByteArrayView data) {
  if (data.isEmpty()) return true;
  if (read->start.size() < kPageSniffBytes)
    read->start.append(data.first(std::min(data.size(), kPageSniffBytes - read->start.size())));
  if (read->file.write(data.data(), data.size()) != data.size()) return false;
  read->received += data.size();
  return read->received - read->writtenBack < kWritebackBytes ||
         StartWriteback(read->file, read->writtenBack, read->received);
}

std::unique_ptr<Downloader::Read> Downloader::Remove(Read* read) {
  for (auto it = reads_.begin(); it != reads_.end(); ++it) {
    if (it->get() != read) continue;
    std::unique_ptr<Read> owned = std::move(*it);
    reads_.erase(it);
    owned->stall->stop();
    return owned;
  }
  return nullptr;
}

void Downloader::Finish(Read* read, bool ok) {
  std::unique_ptr<Read> owned = Remove(read);
  if (!owned) return;
  const QString saveFile = owned->saveFile;
  const qint64 size = owned->received;
  // An empty body is no file: 0 is what tells the host that nothing arrived.
  ok = ok && size > 0;
  if (refusePages_ && (owned->response.pageType || LooksLikePage(owned->start))) ok = false;
  // Without a commit the temporary file goes with the read and the target stays as it was.
  ok = ok && owned->file.commit();
  owned.reset();
  AsyncReadComplete(ok ? size : 0, saveFile);
}

void Downloader::AsyncReadProgress(qint64 BytesRead, qint64 BytesMax, const QString& PropertyName) {
  if (BytesMax != 0) {
    QPointer<Downloader> alive(this);
    emit DownloadProgress(BytesRead, BytesMax, PropertyName);
    if (!alive) return;
    CurNum = BytesRead;
    MaxNum = BytesMax;
    downStat = true;
  }
  if (!downStat) return;
  CentreLabel();
  Shape1->setGeometry(0, 0, Shape1->width(), height());
  if (MaxNum != 0) {
    Shape1->resize(static_cast<int>(static_cast<double>(CurNum) / MaxNum * width()), height());
    Label1->setText(QString("已经下载了%1%").arg(RoundHalfEven(CurNum * 100, MaxNum)));
    Label1->adjustSize();
  }
}

void Downloader::AsyncReadComplete(qint64 BytesMax, const QString& PropertyName) {
  QPointer<Downloader> alive(this);
  if (BytesMax == 0) emit DownloadError(PropertyName);
  if (!alive) return;
  emit DownloadComplete(BytesMax, PropertyName);
  if (!alive) return;
  SetIdle();
}

void Downloader::Timer1_Timer() {
  if (downStat) return;
  Label1->setText("");
  Label1->adjustSize();
}

void Downloader::CentreLabel() {
  Label1->move(static_cast<int>((width() - Label1->width()) / 2.0),
               static_cast<int>((height() - Label1->height()) / 2.0));
}

void Downloader::SetIdle() {
  downStat = false;
  Timer1->start();
}
