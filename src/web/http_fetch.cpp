#include "web/http_fetch.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include "web/text_decoding.h"

QNetworkAccessManager* Network() {
  static QNetworkAccessManager* manager = new QNetworkAccessManager(QCoreApplication::instance());
  return manager;
}

HttpFetch::HttpFetch(QObject* parent) : QObject(parent) {
  deadline_.setSingleShot(true);
  // A coarse timer may fire up to 5 % early; the limit is meant to the millisecond.
  deadline_.setTimerType(Qt::PreciseTimer);
  connect(&deadline_, &QTimer::timeout, this, [this] {
    if (!badAddress_.isNull())
      Fail("not a valid address: " + badAddress_);
    else
      Fail(QString("no answer within %1 s").arg(timeoutMs_ / 1000.0));
  });
}

HttpFetch::~HttpFetch() { Release(); }

void HttpFetch::Start(const QUrl& url) {
  Release();
  if (!url.isValid() || url.scheme().isEmpty()) {
    // Reported on the next turn of the event loop, as every other outcome is.
    badAddress_ = url.toString();
    deadline_.start(0);
    return;
  }
  QNetworkRequest request(url);
  request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                       QNetworkRequest::NoLessSafeRedirectPolicy);
  request.setMaximumRedirectsAllowed(10);
  request.setHeader(QNetworkRequest::UserAgentHeader, "Sonaveil/4.0");
  reply_ = Network()->get(request);
  QNetworkReply* reply = reply_;
  connect(reply, &QNetworkReply::downloadProgress, this, [this](qint64 received, qint64 total) {
    if (received > kMaxPageBytes || total > kMaxPageBytes) Fail("the page is larger than 8 MiB");
  });
  connect(reply, &QNetworkReply::finished, this, &HttpFetch::OnReplyFinished);
  deadline_.start(timeoutMs_);
}

void HttpFetch::Abort() { Release(); }

void HttpFetch::Release() {
  deadline_.stop();
  badAddress_ = QString();
  if (reply_) {
    QNetworkReply* reply = reply_;
    reply_.clear();
    reply->disconnect(this);
    reply->abort();
    reply->deleteLater();
  }
}

void HttpFetch::Fail(const QString& error) {
  Release();
  emit Finished(false, QString(), error);
}

void HttpFetch::OnReplyFinished() {
  QNetworkReply* reply = reply_;
  if (!reply) return;
  const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  if (reply->error() != QNetworkReply::NoError || status >= 400) {
    const QString error =
        status >= 400 ? QString("HTTP status %1").arg(status) : reply->errorString();
    Fail(error);
    return;
  }
  const QByteArray body = reply->readAll();
  const QByteArray contentType = reply->header(QNetworkRequest::ContentTypeHeader).toByteArray();
  Release();
  emit Finished(true, DecodeHttpBody(body, contentType), QString());
}
