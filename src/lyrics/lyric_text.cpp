#include "lyrics/lyric_text.h"

#include <QRegularExpression>
#include <QUrl>

#include "platform/endpoints.h"
#include "web/text_decoding.h"

namespace LyricText {

namespace {

constexpr char kSearchPage[] = "searchgc.asp";
constexpr char kLyricPage[] = "showgeci.asp";
constexpr char kIdMarker[] = "showgeci.asp?lyricid=";
constexpr char kLyricStart[] = "<br> <br>";
constexpr char kLyricEnd[] = "</td>";
constexpr char kLineBreak[] = "<br>";
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
  // The text runs to the next "<br> <br>", and within that to the cell's end if it has one.
  const qsizetype next = page.indexOf(QLatin1String(kLyricStart), start);
  QString text = page.mid(start, next < 0 ? -1 : next - start);
  const qsizetype cellEnd = text.indexOf(QLatin1String(kLyricEnd));
  if (cellEnd >= 0) text.truncate(cellEnd);
  text.replace(QLatin1String(kLineBreak), "\r\n");
  text.replace(kIdeographicSpace, "\r\n");
  return text;
}

QString Shown(const QString& lyric) {
  // One lyric is shown again and again (MPRIS reads it at every change): the last is kept.
  static QString lastLyric, lastShown;
  if (lyric == lastLyric) return lastShown;
  static const QRegularExpression lineBreak(R"(<br\s*/?>)",
                                            QRegularExpression::CaseInsensitiveOption);
  // The tags a lyrics page writes; a line like "<Chorus>" in a lyric file stays.
  static const QRegularExpression tag(
      R"(<!--.*?-->|)"
      R"(</?(a|b|i|u|p|em|strong|font|span|div|center|td|tr|table|tbody|li|ul|ol)\b[^<>]*>)",
      QRegularExpression::CaseInsensitiveOption);
  QString text = lyric;
  text.replace(lineBreak, "\r\n");
  text.remove(tag);
  lastLyric = lyric;
  lastShown = DecodeCharacterReferences(text);
  return lastShown;
}

}  // namespace LyricText
