#include "download/downloader.h"

#include <fcntl.h>

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QSaveFile>
#include <QUrl>
#include <vector>

#include "platform/msgbox.h"

namespace {

// Bounds what the network thread may hold ahead of our writes, so memory stays flat
// whatever the size of the file.
constexpr qint64 kReadBufferBytes = 512 * 1024;

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

// Writes what has arrived; false when the file refused it.
bool WriteAvailable(QNetworkReply* reply, QSaveFile& file, qint64& received, qint64& written_back) {
  // One buffer for every read, so a long transfer does not churn the heap.
  static std::vector<char> buffer(kReadBufferBytes);
  for (;;) {
    const qint64 n = reply->read(buffer.data(), static_cast<qint64>(buffer.size()));
    if (n <= 0) return true;
    if (file.write(buffer.data(), n) != n) return false;
    received += n;
    if (received - written_back >= kWritebackBytes &&
        !StartWriteback(file, written_back, received))
      return false;
  }
}

}  // namespace

struct Downloader::Read {
  ~Read() {
    if (reply) {
      // Only our own connections: the reply tells its network thread to stop through others.
      QObject::disconnect(reply, nullptr, owner, nullptr);
      reply->abort();
      reply->deleteLater();
    }
  }

  QObject* owner;
  QString saveFile;
  QNetworkReply* reply = nullptr;
  QSaveFile file;
  QTimer stall;
  qint64 received = 0;
  qint64 writtenBack = 0;  // bytes the disk was asked to write
  qint64 announced = -1;  // Content-Length, -1 while none was sent

  Read(QObject* owner, const QString& path) : owner(owner), saveFile(path), file(path) {}
};

Downloader::Downloader(QWidget* parent)
    : QWidget(parent), network_(new QNetworkAccessManager(this)) {
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
  read->stall.setSingleShot(true);
  connect(&read->stall, &QTimer::timeout, this, [this, read] { Finish(read, false); });

  if (!read->file.open(QIODevice::WriteOnly)) {
    // Reported from the event loop, as every other outcome is.
    read->stall.start(0);
    return;
  }

  QNetworkRequest request(address);
  request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                       QNetworkRequest::NoLessSafeRedirectPolicy);
  request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
  // The bytes as the server holds them: a compressed transfer would not match its length.
  request.setRawHeader("Accept-Encoding", "identity");
  request.setHeader(QNetworkRequest::UserAgentHeader, "Sonaveil/4.0");
  read->reply = network_->get(request);
  read->reply->setReadBufferSize(kReadBufferBytes);
  connect(read->reply, &QNetworkReply::metaDataChanged, this,
          [this, read] { read->stall.start(stallTimeoutMs_); });
  connect(read->reply, &QNetworkReply::readyRead, this, [this, read] { OnReadyRead(read); });
  connect(read->reply, &QNetworkReply::finished, this, [this, read] { OnFinished(read); });
  read->stall.start(stallTimeoutMs_);
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

void Downloader::OnReadyRead(Read* read) {
  read->stall.start(stallTimeoutMs_);
  QNetworkReply* reply = read->reply;
  if (!IsSuccess(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt())) {
    reply->readAll();  // an error page or a redirect's body, not the file
    return;
  }
  if (read->announced < 0) {
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    if (length.isValid()) read->announced = length.toLongLong();
  }
  if (!WriteAvailable(reply, read->file, read->received, read->writtenBack)) {
    Finish(read, false);
    return;
  }
  AsyncReadProgress(read->received, std::max<qint64>(read->announced, 0), read->saveFile);
}

void Downloader::OnFinished(Read* read) {
  QNetworkReply* reply = read->reply;
  const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  bool ok = reply->error() == QNetworkReply::NoError && IsSuccess(status);
  if (ok) {
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    if (length.isValid()) read->announced = length.toLongLong();
    ok = WriteAvailable(reply, read->file, read->received, read->writtenBack);
  }
  // An empty body is no file: 0 is what tells the host that nothing arrived.
  ok = ok && read->received > 0 && (read->announced < 0 || read->received == read->announced);
  Finish(read, ok);
}

std::unique_ptr<Downloader::Read> Downloader::Take(Read* read) {
  for (auto it = reads_.begin(); it != reads_.end(); ++it) {
    if (it->get() != read) continue;
    std::unique_ptr<Read> owned = std::move(*it);
    reads_.erase(it);
    owned->stall.stop();
    return owned;
  }
  return nullptr;
}

void Downloader::Finish(Read* read, bool ok) {
  std::unique_ptr<Read> owned = Take(read);
  if (!owned) return;
  const QString saveFile = owned->saveFile;
  const qint64 size = owned->received;
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
