#include "lyrics/lyric_text.h"

#include <QRegularExpression>
#include <QUrl>

#include "platform/endpoints.h"

namespace LyricText {

namespace {

constexpr char kSearchPage[] = "searchgc.asp";
constexpr char kLyricPage[] = "showgeci.asp";
constexpr char kIdMarker[] = "showgeci.asp?lyricid=";
constexpr char kLyricStart[] = "<br> <br>";
constexpr char kLyricEnd[] = "</td>";
constexpr char16_t kIdeographicSpace = u'\u3000';

QString Encoded(const QString& value) {
  return QString::fromLatin1(QUrl::toPercentEncoding(value));
}

}  // namespace

QString SearchAddress(const QString& site, const QString& singer, const QString& title) {
  return JoinUrl(site, kSearchPage) + "?singername=" + Encoded(singer) +
         "&lyricname=" + Encoded(title);
}

QString LyricAddress(const QString& site, const QString& lyricId) {
  return JoinUrl(site, kLyricPage) + "?lyricid=" + lyricId;
}

std::optional<QString> LyricIdFrom(const QString& page) {
  const qsizetype marker = page.indexOf(QLatin1String(kIdMarker));
  if (marker < 0) return std::nullopt;
  const qsizetype start = marker + qsizetype(sizeof(kIdMarker) - 1);
  const qsizetype end = page.indexOf(u'"', start);
  // Without a closing quote the id runs to the end of the page, or to the next marker.
  qsizetype stop = page.indexOf(QLatin1String(kIdMarker), start);
  if (end >= 0 && (stop < 0 || end < stop)) stop = end;
  const QString id = page.mid(start, stop < 0 ? -1 : stop - start);
  if (id.isEmpty()) return std::nullopt;
  return id;
}

std::optional<QString> LyricFrom(const QString& page) {
  const qsizetype marker = page.indexOf(QLatin1String(kLyricStart));
  if (marker < 0) return std::nullopt;
  const qsizetype start = marker + qsizetype(sizeof(kLyricStart) - 1);
  // The text ends at the cell's end, and never runs past a further "<br> <br>".
  const qsizetype end = page.indexOf(QLatin1String(kLyricEnd), start);
  if (end < 0) return std::nullopt;
  const qsizetype next = page.indexOf(QLatin1String(kLyricStart), start);
  QString text = page.mid(start, (next >= 0 && next < end ? next : end) - start);

  static const QRegularExpression lineBreak(R"(<br\s*/?>)",
                                            QRegularExpression::CaseInsensitiveOption);
  static const QRegularExpression tag(R"(<[A-Za-z/!?][^<>]*>)");
  text.replace(lineBreak, "\r\n");
  text.remove(tag);
  text = DecodeEntities(text);
  text.replace(kIdeographicSpace, "\r\n");
  return text;
}

QString DecodeEntities(const QString& text) {
  static const QRegularExpression entity(R"(&(#[0-9]{1,7}|#[xX][0-9A-Fa-f]{1,6}|[A-Za-z]+);)");
  QString out;
  out.reserve(text.size());
  qsizetype last = 0;
  auto it = entity.globalMatch(text);
  while (it.hasNext()) {
    const QRegularExpressionMatch m = it.next();
    const QString name = m.captured(1);
    QString replacement;
    if (name.startsWith(u'#')) {
      bool ok = false;
      const bool hex = name.size() > 1 && (name[1] == u'x' || name[1] == u'X');
      const uint code = hex ? name.mid(2).toUInt(&ok, 16) : name.mid(1).toUInt(&ok, 10);
      if (ok && code > 0 && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF)) {
        const char32_t c = code;
        replacement = QString::fromUcs4(&c, 1);
      }
    } else if (name == "amp") {
      replacement = "&";
    } else if (name == "lt") {
      replacement = "<";
    } else if (name == "gt") {
      replacement = ">";
    } else if (name == "quot") {
      replacement = "\"";
    } else if (name == "apos") {
      replacement = "'";
    } else if (name == "nbsp") {
      replacement = " ";
    }
    if (replacement.isNull()) continue;
    out += QStringView(text).mid(last, m.capturedStart() - last);
    out += replacement;
    last = m.capturedEnd();
  }
  out += QStringView(text).mid(last);
  return out;
}

}  // namespace LyricText
