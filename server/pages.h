#pragma once

#include <string>
#include <vector>

#include "server/stores.h"

// The site's pages, as UTF-8 HTML. The lyrics site's pages are sent in GB2312 by the server.
namespace sonaveil_server::pages {

struct SongLink {
  std::string title;
  std::string singer;
  std::string url;  // absolute
};

// The lyric search result: one "showgeci.asp?lyricid=" link per lyric found, best first.
std::string LyricSearch(const std::string& singer, const std::string& title,
                        const std::vector<const Lyric*>& found);

// The lyric page: title and singer, then "<br> <br>", then the text with "<br>" between lines,
// closed by "</td>".
std::string LyricPage(const Lyric& lyric);

// The outside music search's result list: for each song a link whose title attribute is the
// ".wma" address and whose text is the song's name with the query marked in red.
std::string MusicSearch(const std::string& query, const std::vector<SongLink>& songs,
                        const std::string& siteHost);

std::string RingTones(const std::string& key, const std::vector<SongLink>& songs);

// The board with the newest messages first and the form that posts to "/note/". notice, when
// not empty, is shown above the form (why a post was refused).
std::string Board(const std::vector<BoardMessage>& messages, const std::string& notice,
                  size_t maxNameChars, size_t maxContentChars);

std::string MediaServerScript(const std::string& base);

}  // namespace sonaveil_server::pages
