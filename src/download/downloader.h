#pragma once

#include <QLabel>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <list>
#include <memory>

class QNetworkAccessManager;
class QNetworkReply;
class QSaveFile;

// Fetches a URL into a local file in the background and shows its progress as a bar with a
// percentage. The local path names the read: every event carries it back.
//
// The body streams into a temporary file beside the target as it arrives; the target is
// replaced only when the server answered 2xx and, where it announced a length, sent exactly
// that many bytes. Any other outcome (error status, dropped connection, no progress within
// the time-out, a write that fails) gives DownloadError, then DownloadComplete with 0, and
// leaves the target as it was.
class Downloader : public QWidget {
  Q_OBJECT

 public:
  // A transfer that makes no progress for this long is given up.
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
  void SetStallTimeoutMs(int ms) { stallTimeoutMs_ = ms; }
  // Reads started and not yet reported.
  int PendingReads() const { return static_cast<int>(reads_.size()); }

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

  void OnReadyRead(Read* read);
  void OnFinished(Read* read);
  void AsyncReadProgress(qint64 BytesRead, qint64 BytesMax, const QString& PropertyName);
  void AsyncReadComplete(qint64 BytesMax, const QString& PropertyName);
  // Ends a read: the file is kept only when ok; then the completion is reported.
  void Finish(Read* read, bool ok);
  std::unique_ptr<Read> Take(Read* read);
  void Timer1_Timer();
  void CentreLabel();
  void SetIdle();

  QNetworkAccessManager* network_;
  std::list<std::unique_ptr<Read>> reads_;
  bool downStat = false;
  qint64 CurNum = 0;
  qint64 MaxNum = 0;
  int stallTimeoutMs_ = kStallTimeoutMs;
  bool sizeItOnResize_ = false;
};
