#include "web/web_browser.h"

#include <QPainter>
#include <QRegularExpression>
#include <QUrl>

QString ExtractBodyHtml(const QString& html) {
  static const QRegularExpression open(R"(<body\b[^>]*>)",
                                       QRegularExpression::CaseInsensitiveOption);
  const QRegularExpressionMatch start = open.match(html);
  if (!start.hasMatch()) return html;
  const qsizetype from = start.capturedEnd();
  const qsizetype end = html.lastIndexOf(QLatin1String("</body"), -1, Qt::CaseInsensitive);
  return end >= from ? html.mid(from, end - from) : html.mid(from);
}

WebBrowser::WebBrowser(QWidget* parent) : QWidget(parent) {
  connect(&fetch_, &HttpFetch::Finished, this,
          [this](bool ok, const QString& text, const QString& error) {
            bodyHtml_ = ok ? ExtractBodyHtml(text) : QString();
            lastError_ = error;
            update();
            emit DocumentComplete(ok);
          });
}

void WebBrowser::Navigate2(const QString& url) {
  location_ = url;
  lastError_.clear();
  fetch_.Start(QUrl(url));
  update();
}

void WebBrowser::Refresh() {
  if (!location_.isEmpty()) Navigate2(location_);
}

void WebBrowser::Stop() {
  fetch_.Abort();
  update();
}

void WebBrowser::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), QColor(250, 250, 250));
  painter.setPen(QColor(90, 90, 90));
  const QString text = Busy() ? tr("正在载入…\n%1").arg(location_) : location_;
  painter.drawText(rect().adjusted(6, 6, -6, -6), Qt::AlignCenter | Qt::TextWrapAnywhere, text);
}
