#pragma once

#include <QObject>
#include <QString>
#include <functional>

#include "web/http_fetch.h"

// The transfer object behind the lyric fetches, the media-server script and the updater's
// version texts. Everything is asynchronous on the calling thread: Execute reports through
// StateChanged, OpenURL through its callback; nothing waits in a nested event loop.
class Inet : public QObject {
  Q_OBJECT

 public:
  // The states StateChanged reports.
  enum State { icError = 11, icResponseCompleted = 12 };

  explicit Inet(QObject* parent = nullptr);

  // Starts a GET of url; a transfer still running is dropped first. The response arrives as
  // StateChanged(icResponseCompleted), a failure as StateChanged(icError).
  void Execute(const QString& url, const QString& operation = "GET");

  // The next part of the completed response, at most size characters; "" once all is read.
  // dataType 0 (text) is the only kind there is.
  QString GetChunk(int size, int dataType = 0);

  // True while a transfer started by Execute runs.
  bool StillExecuting() const;

  // Stops the running transfers; neither reports anything.
  void Cancel();

  // Fetches the whole body of url and hands it to done (ok false on failure, within the
  // time-out). A fetch still running is dropped, without a call of its callback.
  using OpenUrlDone = std::function<void(bool ok, const QString& body)>;
  void OpenURL(const QString& url, OpenUrlDone done);

  // Why the last transfer failed.
  QString LastError() const { return lastError_; }

  void SetTimeoutMs(int ms);

 signals:
  void StateChanged(int State);

 private:
  HttpFetch execute_;
  HttpFetch open_;
  OpenUrlDone openDone_;
  QString response_;
  qsizetype readPos_ = 0;
  QString lastError_;
};
