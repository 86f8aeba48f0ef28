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

// The lyric on a lyric page, as it is kept: the text after the first "<br> <br>" (up to a
// second one), up to its first "</td>" if there is one, with every "<br>" and every
// ideographic space made a CR LF. Nothing when the page has no "<br> <br>".
std::optional<QString> LyricFrom(const QString& page);

// A kept lyric as the lyric box shows it: the page's other line breaks as CR LF, its other
// tags removed and its character references decoded.
QString Shown(const QString& lyric);

}  // namespace LyricText
