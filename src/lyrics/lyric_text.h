#pragma once

#include <QString>
#include <optional>

// What the lookup makes of the lyrics site's pages, without any window or network.
namespace LyricText {

// Pages longer than this (in characters read) are not lyric pages.
constexpr qsizetype kMaxLyricPageChars = 256 * 1024;

// The search page for a singer and a title, both percent-encoded as UTF-8 so that "&", "#",
// "=" or spaces stay inside their value. site is the lyrics site's scheme and host.
QString SearchAddress(const QString& site, const QString& singer, const QString& title);

// The lyric page of a lyric id found on the search page.
QString LyricAddress(const QString& site, const QString& lyricId);

// The lyric id on a search page: the text after the first "showgeci.asp?lyricid=" up to the
// next double quote. Nothing when the marker is missing or the id is empty.
std::optional<QString> LyricIdFrom(const QString& page);

// The lyric on a lyric page: the text after the first "<br> <br>" up to the next "</td>",
// with line breaks (<br> and ideographic spaces) as CR LF, other tags removed and entities
// decoded. Nothing when a marker is missing.
std::optional<QString> LyricFrom(const QString& page);

// Decodes &amp; &lt; &gt; &quot; &apos; &nbsp; and numeric references; unknown names stay.
QString DecodeEntities(const QString& text);

}  // namespace LyricText
