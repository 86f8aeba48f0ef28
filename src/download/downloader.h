#pragma once

#include <QLabel>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <list>
#include <memory>

#include "web/file_transfer.h"

// Fetches a URL over HTTP or HTTPS (a FileTransfer) into a local file in the background and
// shows its progress as a bar with a percentage. The local path names the read: every event
// carries it back.
//
// The body streams into a temporary file beside the target as it arrives; the target is
// replaced only when the transfer says the body came whole (see FileTransfer). Any other
// outcome (an error status, a cut or reset connection, a stall, a body that is too large, a
// write that fails, a body the host's rules below refuse) gives DownloadError, then
// DownloadComplete with 0, and leaves the target as it was; LastError says why.
class Downloader : public QWidget {
  Q_OBJECT

 public:
  // A transfer that makes no progress for this long is given up, and so is one that moves
  // less than 1 KiB a second over twice this time.
  static constexpr int kStallTimeoutMs = 15000;

  explicit Downloader(QWidget* parent = nullptr);
  ~Downloader() override;

  // Starts fetching url into SaveFile and returns at once. An address that cannot be
  // fetched at all is refused with a message box, and no event follows.
  void BeginDownload(const QString& url, const QString& SaveFile);
  // Stops every running read; their partial files are removed and no event follows.
  // Always false.
  bool CancelAsyncRead();
  // Makes the control 32 x 32 pixels.
  void SizeIt();
  // Marks the control idle; running reads go on and still report.
  void kill();

  // The updater's instance keeps itself at 32 x 32 on every resize.
  void SetSizeItOnResize(bool on) { sizeItOnResize_ = on; }
  void SetStallTimeoutMs(int ms) { limits_.stallTimeoutMs = ms; }
  // A larger file is refused (512 MiB unless set).
  void SetMaxBytes(qint64 bytes) { limits_.maxBytes = bytes; }
  // Only a body whose end the server announced is kept (a Content-Length met, or a chunked
  // body's last chunk); one ended by closing the connection is refused even when the close
  // was clean. For files that must be whole, such as a program.
  void SetRequireAnnouncedEnd(bool on) { limits_.requireAnnouncedEnd = on; }
  // An HTML page, by its type or by its first bytes, is refused: it is what a song's address
  // gives when the server has no song to send.
  void SetRefusePages(bool on) { refusePages_ = on; }
  // Reads started and not yet reported.
  int PendingReads() const { return static_cast<int>(reads_.size()); }
  // Why the last read that failed failed, for the user.
  QString LastError() const { return lastError_; }

  QTimer* Timer1;
  QLabel* Label1;
  QWidget* Shape1;

 signals:
  // Only while the total is known.
  void DownloadProgress(qint64 CurBytes, qint64 MaxBytes, const QString& SaveFile);
  void DownloadError(const QString& SaveFile);
  // MaxBytes is the size written, or 0 when the transfer failed.
  void DownloadComplete(qint64 MaxBytes, const QString& SaveFile);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  struct Read;

  static bool Store(Read* read, const char* data, qint64 size);
  void AsyncReadProgress(qint64 BytesRead, qint64 BytesMax, const QString& PropertyName);
  void AsyncReadComplete(qint64 BytesMax, const QString& PropertyName);
  // Ends a read: the file is kept only when the body came whole and the host's rules take
  // it; then the completion is reported.
  void Finish(Read* read, const FileTransfer::Result& result);
  std::unique_ptr<Read> Remove(Read* read);
  void Timer1_Timer();
  void CentreLabel();
  void SetIdle();

  std::list<std::unique_ptr<Read>> reads_;
  bool downStat = false;
  qint64 CurNum = 0;
  qint64 MaxNum = 0;
  FileTransfer::Limits limits_{.stallTimeoutMs = kStallTimeoutMs};
  bool sizeItOnResize_ = false;
  bool refusePages_ = false;
  QString lastError_;
};
