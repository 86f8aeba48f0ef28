#include "server/pages.h"

#include <ctime>

#include "server/text.h"

namespace sonaveil_server::pages {

namespace {

std::string Head(const std::string& title, const char* charset) {
  return std::string(
             "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=") +
         charset + "\"><title>" + HtmlEscape(title) + "</title></head>\n<body>\n";
}

constexpr char kTail[] = "</body></html>\n";

// The name with every occurrence of the query (ASCII letters ignoring case) in red.
std::string Marked(const std::string& name, const std::string& query) {
  if (query.empty()) return HtmlEscape(name);
  const std::string lowerName = AsciiLower(name);
  const std::string lowerQuery = AsciiLower(query);
  std::string out;
  size_t from = 0;
  for (size_t at; (at = lowerName.find(lowerQuery, from)) != std::string::npos;
       from = at + query.size()) {
    out += HtmlEscape(name.substr(from, at - from));
    out += "<font color=red>" + HtmlEscape(name.substr(at, query.size())) + "</font>";
  }
  return out + HtmlEscape(name.substr(from));
}

std::string Lines(const std::string& text, const char* separator) {
  std::string out;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    if (start > 0) out += separator;
    out += HtmlEscape(Trim(std::string_view(text).substr(start, end - start)));
    start = end + 1;
  }
  return out;
}

}  // namespace

std::string LyricSearch(const std::string& singer, const std::string& title,
                        const std::vector<const Lyric*>& found) {
  std::string page = Head("歌词搜索 - " + title, "gb2312");
  page += "<p>歌手：" + HtmlEscape(singer) + "　歌名：" + HtmlEscape(title) + "</p>\n";
  if (found.empty()) {
    page += "<p>没有找到相关歌词。</p>\n";
    return page + kTail;
  }
  page += "<table>\n";
  for (const Lyric* lyric : found) {
    page += "<tr><td><a href=\"showgeci.asp?lyricid=" + HtmlEscape(lyric->id) + "\">" +
            HtmlEscape(lyric->title) + "</a></td><td>" + HtmlEscape(lyric->singer) + "</td></tr>\n";
  }
  return page + "</table>\n" + kTail;
}

std::string LyricPage(const Lyric& lyric) {
  std::string page = Head(lyric.title, "gb2312");
  page += "<table><tr><td class=\"lyric\">" + HtmlEscape(lyric.title);
  if (!lyric.singer.empty()) page += "<br>演唱：" + HtmlEscape(lyric.singer);
  // Lines are trimmed, so no empty line can repeat the "<br> <br>" that opens the text.
  page += "<br> <br>" + Lines(lyric.text, "<br>") + "</td></tr></table>\n";
  return page + kTail;
}

std::string MusicSearch(const std::string& query, const std::vector<SongLink>& songs,
                        const std::string& siteHost) {
  std::string page = Head(query + " - 音乐搜索", "utf-8");
  page += "<p>找到 " + std::to_string(songs.size()) + " 首歌曲</p>\n<ol>\n";
  for (const SongLink& song : songs) {
    page += "<li><a href=\"" + HtmlEscape(song.url) + "\" title=\"" + HtmlEscape(song.url) +
            "\" target=\"_blank\">" + Marked(song.title, query) + "</a> " +
            HtmlEscape(song.singer) + "<br>来源网址：" + HtmlEscape(siteHost) +
            " 请注意：此内容可能受到版权保护</li>\n";
  }
  return page + "</ol>\n" + kTail;
}

std::string RingTones(const std::string& key, const std::vector<SongLink>& songs) {
  std::string page = Head(key + " - 铃声下载", "utf-8");
  page += "<h1>铃声搜索：" + HtmlEscape(key) + "</h1>\n";
  if (songs.empty()) page += "<p>没有找到这首歌的铃声。</p>\n";
  page += "<ul>\n";
  for (const SongLink& song : songs) {
    page += "<li>" + HtmlEscape(song.title) + " - " + HtmlEscape(song.singer) + " <a href=\"" +
            HtmlEscape(song.url) + "\">下载铃声</a></li>\n";
  }
  return page + "</ul>\n" + kTail;
}

std::string Board(const std::vector<BoardMessage>& messages, const std::string& notice,
                  size_t maxNameChars, size_t maxContentChars) {
  std::string page = Head("Sonaveil留言簿", "utf-8");
  page += "<h1>Sonaveil留言簿</h1>\n";
  if (!notice.empty()) page += "<p class=\"notice\">" + HtmlEscape(notice) + "</p>\n";
  page +=
      "<form method=\"post\" action=\"/note/\">\n"
      "<p>名字：<input name=\"name\" maxlength=\"" +
      std::to_string(maxNameChars) +
      "\"></p>\n"
      "<p><textarea name=\"content\" rows=\"4\" cols=\"60\" maxlength=\"" +
      std::to_string(maxContentChars) +
      "\"></textarea></p>\n"
      "<p><input type=\"submit\" value=\"发表留言\"></p>\n</form>\n";
  for (const BoardMessage& message : messages) {
    char when[32] = "";
    const std::time_t posted = static_cast<std::time_t>(message.postedUnix);
    std::tm utc{};
    if (gmtime_r(&posted, &utc)) std::strftime(when, sizeof when, "%Y-%m-%d %H:%M UTC", &utc);
    page += "<div class=\"message\"><p><b>" +
            HtmlEscape(message.name.empty() ? std::string("匿名") : message.name) + "</b> " + when +
            "</p><p>" + Lines(message.content, "<br>") + "</p></div>\n";
  }
  return page + kTail;
}

std::string MediaServerScript(const std::string& base) {
  return "// The stream server that catalog addresses point at.\nvar serverurl = \"" + base +
         "\";\n";
}

}  // namespace sonaveil_server::pages
