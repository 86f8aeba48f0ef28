#pragma once

#include <QString>
#include <QWidget>

#include "web/http_fetch.h"

// A page fetcher that sits on a window like a browser control: Navigate2 loads a page,
// Busy tells whether it is still loading, and DocumentComplete announces the outcome, after
// which BodyHtml gives the HTML of the page's body. Pages are not rendered; while visible,
// the widget shows what it is loading.
class WebBrowser : public QWidget {
  Q_OBJECT

 public:
  explicit WebBrowser(QWidget* parent = nullptr);

  // Starts loading url and returns at once; a page still loading is dropped.
  void Navigate2(const QString& url);
  // Loads the current page again.
  void Refresh();
  // Drops a page still loading; no DocumentComplete follows.
  void Stop();
  bool Busy() const { return fetch_.Running(); }

  QString LocationURL() const { return location_; }
  // The HTML between <body> and </body> of the last page loaded (the whole text when the
  // page has no body element); empty after a failed load.
  QString BodyHtml() const { return bodyHtml_; }
  QString LastError() const { return lastError_; }

  void SetTimeoutMs(int ms) { fetch_.SetTimeoutMs(ms); }

 signals:
  void DocumentComplete(bool ok);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  HttpFetch fetch_;
  QString location_;
  QString bodyHtml_;
  QString lastError_;
};

// The body of an HTML document: what lies between the body's start tag and its end tag.
QString ExtractBodyHtml(const QString& html);
