#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;

// The one network manager of the user-interface thread.
QNetworkAccessManager* Network();

// Every fetch ends within this time, answered or not.
constexpr int kNetworkTimeoutMs = 15000;
// Pages larger than this are refused rather than read into memory.
constexpr qint64 kMaxPageBytes = 8 * 1024 * 1024;

// One HTTP GET of a text resource, asynchronous on the calling thread. Redirects are
// followed; an HTTP error status, a time-out or an oversized body is a failure. The body is
// decoded by its declared character set. Exactly one Finished follows each Start, unless
// the fetch is aborted or started again first.
class HttpFetch : public QObject {
  Q_OBJECT

 public:
  explicit HttpFetch(QObject* parent = nullptr);
  ~HttpFetch() override;

  void Start(const QUrl& url);
  // Stops a running fetch; it reports nothing.
  void Abort();
  bool Running() const { return !reply_.isNull(); }

  void SetTimeoutMs(int ms) { timeoutMs_ = ms; }
  int TimeoutMs() const { return timeoutMs_; }

 signals:
  void Finished(bool ok, const QString& text, const QString& error);

 private:
  void OnReplyFinished();
  void Fail(const QString& error);
  void Release();

  QPointer<QNetworkReply> reply_;
  QTimer deadline_;
  QString badAddress_;  // set while a refused address waits to be reported
  int timeoutMs_ = kNetworkTimeoutMs;
};
