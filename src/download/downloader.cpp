#include "download/downloader.h"

#include <fcntl.h>

#include <QPointer>
#include <QSaveFile>
#include <algorithm>

#include "platform/msgbox.h"

namespace {

// How much written data may wait in the page cache before the disk is asked to take it.
constexpr qint64 kWritebackBytes = 1 * 1024 * 1024;
// How much of the start of a body is kept to tell an HTML page.
constexpr qsizetype kPageSniffBytes = 512;

const QColor kBarColour(158, 165, 245);

// n / d rounded to the nearest integer, halves to the even neighbour; d > 0, n >= 0.
qint64 RoundHalfEven(qint64 n, qint64 d) {
  const qint64 q = n / d;
  const qint64 twice = 2 * (n % d);
  if (twice > d || (twice == d && q % 2 != 0)) return q + 1;
  return q;
}

// Starts the disk writing what has been written since `from`, without waiting for it. The
// commit makes the file durable before it replaces the target; done as the data arrives, that
// costs a fraction of one sync of the whole file at the end.
bool StartWriteback(QSaveFile& file, qint64& from, qint64 to) {
  if (!file.flush()) return false;
  sync_file_range(file.handle(), from, to - from, SYNC_FILE_RANGE_WRITE);
  from = to;
  return true;
}

// Whether a body is an HTML page: by its declared type, or by beginning as an HTML document
// does (after a byte-order mark and white space).
bool IsPage(const QByteArray& contentType, QByteArray start) {
  if (contentType.split(';')[0].trimmed().toLower() == "text/html") return true;
  if (start.startsWith("\xEF\xBB\xBF")) start.remove(0, 3);
  start = start.trimmed().left(14).toLower();
  return start.startsWith("<!doctype html") || start.startsWith("<html");
}

}  // namespace

struct Downloader::Read {
  Read(Downloader* owner, const QString& path)
      : saveFile(path), file(path), transfer(new FileTransfer(owner)) {}
  ~Read() {
    // The transfer may be what is reporting now: it goes once it has returned.
    transfer->disconnect();
    transfer->Abort();
    transfer->deleteLater();
  }

  QString saveFile;
  QSaveFile file;
  FileTransfer* transfer;
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
  reads_.push_back(std::make_unique<Read>(this, SaveFile));
  Read* read = reads_.back().get();
  const std::optional<FileTransfer::Refusal> refusal = read->transfer->Start(
      url, limits_, [read](const char* data, qint64 size) { return Store(read, data, size); });
  if (refusal) {
    reads_.pop_back();
    downStat = false;
    MsgBox(tr("%1开始下载数据失败！\r\n\r\n错误：%2")
               .arg(QString::number(refusal->number), refusal->description),
           tr("错误"), vbOKOnly | vbCritical);
    return;
  }
  // A file that cannot be made fails the read at its first bytes, reported as any other.
  read->file.open(QIODevice::WriteOnly);
  connect(read->transfer, &FileTransfer::Progress, this,
          [this, read](qint64 received, qint64 total) {
            AsyncReadProgress(received, std::max<qint64>(total, 0), read->saveFile);
          });
  connect(read->transfer, &FileTransfer::Finished, this,
          [this, read](const FileTransfer::Result& result) { Finish(read, result); });
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

bool Downloader::Store(Read* read, const char* data, qint64 size) {
  if (read->start.size() < kPageSniffBytes)
    read->start.append(data, std::min<qint64>(size, kPageSniffBytes - read->start.size()));
  if (!read->file.isOpen() || read->file.write(data, size) != size) return false;
  read->received += size;
  return read->received - read->writtenBack < kWritebackBytes ||
         StartWriteback(read->file, read->writtenBack, read->received);
}

std::unique_ptr<Downloader::Read> Downloader::Remove(Read* read) {
  for (auto it = reads_.begin(); it != reads_.end(); ++it) {
    if (it->get() != read) continue;
    std::unique_ptr<Read> owned = std::move(*it);
    reads_.erase(it);
    return owned;
  }
  return nullptr;
}

void Downloader::Finish(Read* read, const FileTransfer::Result& result) {
  std::unique_ptr<Read> owned = Remove(read);
  if (!owned) return;
  const QString saveFile = owned->saveFile;
  const qint64 size = owned->received;
  QString error = result.error;
  // An empty body is no file: 0 is what tells the host that nothing arrived.
  if (error.isEmpty() && size == 0) error = tr("服务器发来的文件是空的");
  if (error.isEmpty() && refusePages_ && IsPage(result.contentType, owned->start))
    error = tr("服务器发来的是网页，不是所要的文件");
  // Without a commit the temporary file goes with the read and the target stays as it was.
  if (error.isEmpty() && !owned->file.commit())
    error = tr("无法写入文件：") + owned->file.errorString();
  owned.reset();
  if (!error.isEmpty()) lastError_ = error;
  AsyncReadComplete(error.isEmpty() ? size : 0, saveFile);
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
    Label1->setText(tr("已经下载了%1%").arg(RoundHalfEven(CurNum * 100, MaxNum)));
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
