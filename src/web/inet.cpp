#include "web/inet.h"

#include <QUrl>

#include "state/logging.h"

Inet::Inet(QObject* parent) : QObject(parent) {
  connect(&execute_, &HttpFetch::Finished, this,
          [this](bool ok, const QString& text, const QString& error) {
            response_ = text;
            readPos_ = 0;
            lastError_ = error;
            if (!ok) qCInfo(lcWeb) << objectName() << "transfer failed:" << error;
            emit StateChanged(ok ? icResponseCompleted : icError);
          });
  connect(&open_, &HttpFetch::Finished, this,
          [this](bool ok, const QString& text, const QString& error) {
            lastError_ = error;
            if (!ok) qCInfo(lcWeb) << objectName() << "fetch failed:" << error;
            OpenUrlDone done = std::move(openDone_);
            openDone_ = nullptr;
            if (done) done(ok, text);
          });
}

void Inet::Execute(const QString& url, const QString& operation) {
  Q_UNUSED(operation);  // only GET is ever asked for
  response_.clear();
  readPos_ = 0;
  execute_.Start(QUrl(url));
}

QString Inet::GetChunk(int size, int dataType) {
  Q_UNUSED(dataType);
  if (size <= 0 || readPos_ >= response_.size()) return QString();
  const QString chunk = response_.mid(readPos_, size);
  readPos_ += chunk.size();
  return chunk;
}

bool Inet::StillExecuting() const { return execute_.Running(); }

void Inet::Cancel() {
  execute_.Abort();
  open_.Abort();
  openDone_ = nullptr;
}

void Inet::OpenURL(const QString& url, OpenUrlDone done) {
  open_.Abort();
  openDone_ = std::move(done);
  open_.Start(QUrl(url));
}

void Inet::SetTimeoutMs(int ms) {
  execute_.SetTimeoutMs(ms);
  open_.SetTimeoutMs(ms);
}
