#include "server/server.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "server/content_path.h"
#include "server/pages.h"
#include "server/text.h"

namespace sonaveil_server {

namespace fs = std::filesystem;
using httplib::Request;
using httplib::Response;
using Handled = httplib::Server::HandlerResponse;

namespace {

constexpr char kHtmlUtf8[] = "text/html; charset=utf-8";
constexpr char kHtmlGb2312[] = "text/html; charset=gb2312";
constexpr size_t kBoardPageMessages = 100;
constexpr char kBoardUnavailable[] = "留言板暂时无法读取，请稍后再试。";
constexpr size_t kMusicSearchResults = 20;
// Far above any message the board keeps; larger posts are refused unread.
constexpr size_t kMaxPostBytes = 16 * 1024;

std::string MimeType(const fs::path& file) {
  const std::string extension = AsciiLower(file.extension().string());
  if (extension == ".mp3") return "audio/mpeg";
  if (extension == ".wma") return "audio/x-ms-wma";
  if (extension == ".html" || extension == ".htm") return kHtmlUtf8;
  if (extension == ".txt" || extension == ".lrc") return "text/plain; charset=utf-8";
  if (extension == ".js") return "application/javascript; charset=utf-8";
  if (extension == ".css") return "text/css; charset=utf-8";
  if (extension == ".png") return "image/png";
  if (extension == ".gif") return "image/gif";
  return "application/octet-stream";
}

bool ValidHost(const std::string& host) {
  if (host.empty() || host.size() > 255) return false;
  return std::all_of(host.begin(), host.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == ':' ||
           c == '[' || c == ']';
  });
}

std::string Param(const Request& req, const char* key) {
  return QueryValueToUtf8(req.get_param_value(key));
}

// An open file that a streamed response reads from as the client takes it.
class OpenFile {
 public:
  explicit OpenFile(const fs::path& file) : fd_(::open(file.c_str(), O_RDONLY | O_CLOEXEC)) {}
  ~OpenFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  int fd() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

Server::Server(ServerOptions options) : options_(std::move(options)) {}

Server::~Server() { Stop(); }

bool Server::Bind(std::string* error) {
  std::error_code failure;
  root_ = fs::canonical(options_.content, failure);
  if (failure || !fs::is_directory(root_)) {
    *error = "no content folder " + options_.content.string();
    return false;
  }
  if (!OpenStores(error)) return false;
  lyrics_ = std::make_unique<LyricStore>(root_ / "lyrics");
  catalog_ = std::make_unique<PublishedCatalog>(root_ / "sonaveil" / "updatefile" / "db.rar");

  http_.set_payload_max_length(64 * 1024);
  // Head and body go out in separate writes; without this a kept-alive connection waits for
  // the delayed acknowledgement between them.
  http_.set_tcp_nodelay(true);
  http_.set_read_timeout(5);
  http_.set_write_timeout(10);
  http_.set_keep_alive_timeout(5);
  http_.set_keep_alive_max_count(100);
  http_.set_pre_routing_handler(
      [this](const Request& req, Response& res) { return Route(req, res); });
  http_.Post("/note/", [this](const Request& req, Response& res) { PostNote(req, res); });
  http_.set_exception_handler([](const Request&, Response& res, std::exception_ptr) {
    res.status = 500;
    res.set_content("Internal error\n", "text/plain");
  });
  http_.set_error_handler([](const Request&, Response& res) {
    if (!res.body.empty()) return;
    res.set_content(std::to_string(res.status) + "\n", "text/plain; charset=utf-8");
  });

  if (options_.accessLog) SetUpLog();
  if (options_.port == 0) {
    port_ = http_.bind_to_any_port(options_.host);
  } else {
    port_ = http_.bind_to_port(options_.host, options_.port) ? options_.port : -1;
  }
  if (port_ <= 0) {
    *error = "cannot listen on " + options_.host + ":" + std::to_string(options_.port);
    return false;
  }
  http_.WidenBacklog();
  return true;
}

bool Server::OpenStores(std::string* error) {
  if (options_.database.empty()) {
    board_ = Board::Open(options_.boardFile, options_.postsPerMinute, error);
    if (!board_) {
      *error = "cannot open the board " + options_.boardFile.string() + ": " + *error;
      return false;
    }
    count_ = std::make_unique<LocalCount>();
    return true;
  }
  database_ = std::make_unique<PgPool>(options_.database);
  if (!database_->PrepareSchema(error)) {
    *error = "cannot use the database: " + *error;
    return false;
  }
  board_ = std::make_unique<PgBoard>(*database_, options_.postsPerMinute);
  count_ = std::make_unique<SharedCount>(*database_);
  return true;
}

void Server::SetUpLog() {
  http_.set_logger([this](const Request& req, const Response& res) {
    // A GET's query, decoded, says what was asked for (a lyric search's singer and song).
    std::string target = req.path;
    char separator = '?';
    for (const auto& [key, value] : req.params) {
      if (req.method != "GET") break;
      target += separator + key + "=" + value;
      separator = '&';
    }
    std::fprintf(stderr, "%s %s %s %d %zu\n", Client(req).c_str(), req.method.c_str(),
                 target.c_str(), res.status, res.body.size());
  });
}

std::string Server::Client(const Request& req) const {
  if (options_.trustedProxies.empty()) return req.remote_addr;
  std::vector<std::string> forwarded;
  const size_t fields = req.get_header_value_count("X-Forwarded-For");
  for (size_t i = 0; i < fields; ++i)
    forwarded.push_back(req.get_header_value("X-Forwarded-For", i));
  return options_.trustedProxies.ClientOf(req.remote_addr, forwarded,
                                          req.get_header_value("X-Real-IP"));
}

bool Server::Run() { return http_.listen_after_bind(); }

void Server::Stop() { http_.stop(); }

std::string Server::Base(const Request& req) const {
  if (!options_.publicBase.empty()) return options_.publicBase;
  const std::string host = req.get_header_value("Host");
  if (ValidHost(host)) return "http://" + host;
  const bool v6 = options_.host.find(':') != std::string::npos;
  return "http://" + (v6 ? "[" + options_.host + "]" : options_.host) + ":" + std::to_string(port_);
}

Handled Server::Route(const Request& req, Response& res) {
  const std::string& path = req.path;
  if (req.method == "POST") {
    // Decided before any body is read, so a false length cannot hold a worker while the
    // server reads and discards what it announces.
    const std::string length = req.get_header_value("Content-Length");
    if (path != "/note/") {
      res.status = 405;
    } else if (req.has_header("Transfer-Encoding")) {
      res.status = 411;  // a form's length is known; an unknown one could be read for ever
    } else if (length.find_first_not_of("0123456789") != std::string::npos) {
      res.status = 400;
    } else if (length.size() > 9 || (!length.empty() && std::stoul(length) > kMaxPostBytes)) {
      res.status = 413;
    } else {
      return Handled::Unhandled;  // read with its body by PostNote
    }
    res.set_header("Connection", "close");
    return Handled::Handled;
  }
  if (req.method != "GET" && req.method != "HEAD") {
    res.status = 405;
    res.set_header("Allow", "GET, HEAD, POST");
    return Handled::Handled;
  }
  if (path == "/sonaveil/count1/active.asp") {
    Count(req, res);
  } else if (path == "/js/serverurl.js") {
    res.set_content(pages::MediaServerScript(Base(req)), "application/javascript; charset=utf-8");
  } else if (path == "/searchgc.asp") {
    LyricSearch(req, res);
  } else if (path == "/showgeci.asp") {
    LyricPage(req, res);
  } else if (path == "/search") {
    MusicSearch(req, res);
  } else if (path == "/ring_search.php") {
    RingTones(req, res);
  } else if (path == "/note/") {
    ShowBoard(res, "");
  } else if (path == "/note") {
    res.set_redirect("/note/", 301);
  } else {
    ServeFile(req, res);
    return Handled::Handled;
  }
  // Generated pages change with every post, search and visitor.
  if (!res.has_header("Cache-Control")) res.set_header("Cache-Control", "no-cache");
  return Handled::Handled;
}

void Server::Count(const Request& req, Response& res) {
  const size_t count = count_->SeenAndCount(Client(req));
  res.set_header("Cache-Control", "no-store");
  res.set_content(std::to_string(count), kHtmlUtf8);
}

void Server::LyricSearch(const Request& req, Response& res) {
  const std::string singer = Param(req, "singername");
  const std::string title = Param(req, "lyricname");
  res.set_content(
      Utf8HtmlToGb2312(pages::LyricSearch(singer, title, lyrics_->Search(singer, title))),
      kHtmlGb2312);
}

void Server::LyricPage(const Request& req, Response& res) {
  const Lyric* lyric = lyrics_->Find(Param(req, "lyricid"));
  if (!lyric) {
    res.status = 404;
    res.set_content(Utf8HtmlToGb2312("<html><body><p>没有这首歌词。</p></body></html>\n"),
                    kHtmlGb2312);
    return;
  }
  res.set_content(Utf8HtmlToGb2312(pages::LyricPage(*lyric)), kHtmlGb2312);
}

std::string Server::ServedUrl(const CatalogSong& song, const std::string& base,
                              const std::string& extension) const {
  std::string path;
  if (song.url.starts_with("http")) {
    // Any host: the placeholder, or this server under an older address. The path decides.
    const size_t scheme = song.url.find("://");
    if (scheme == std::string::npos) return "";
    const size_t slash = song.url.find('/', scheme + 3);
    if (slash == std::string::npos) return "";
    path = song.url.substr(slash);
  } else {
    path = "/musicfiles/" + song.url;
    const std::string old = "newmusic/", renamed = "q731_com_music/";
    for (size_t at = 0; (at = path.find(old, at)) != std::string::npos; at += renamed.size())
      path.replace(at, old.size(), renamed);
  }
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || path.find('/', dot) != std::string::npos) return "";
  path = path.substr(0, dot) + extension;
  if (ResolveContentPath(root_, path).verdict != PathVerdict::kFound) return "";
  return base + path;
}

void Server::MusicSearch(const Request& req, Response& res) {
  const std::string query(Trim(Param(req, "p")));
  const std::string wanted = AsciiLower(query);
  const std::string base = Base(req);
  std::vector<pages::SongLink> links;
  const auto songs = catalog_->Songs();
  for (const CatalogSong& song : *songs) {
    if (links.size() >= kMusicSearchResults) break;
    if (AsciiLower(song.title).find(wanted) == std::string::npos &&
        AsciiLower(song.singer).find(wanted) == std::string::npos)
      continue;
    const std::string url = ServedUrl(song, base, ".wma");
    if (url.empty()) continue;
    if (std::any_of(links.begin(), links.end(), [&](const auto& l) { return l.url == url; }))
      continue;
    links.push_back({song.title, song.singer, url});
  }
  const std::string host = base.substr(base.find("://") + 3);
  res.set_content(pages::MusicSearch(query, links, host), kHtmlUtf8);
}

void Server::RingTones(const Request& req, Response& res) {
  const std::string key(Trim(Param(req, "key")));
  const std::string wanted = AsciiLower(key);
  const std::string base = Base(req);
  std::vector<pages::SongLink> links;
  const auto songs = catalog_->Songs();
  for (const CatalogSong& song : *songs) {
    if (wanted.empty() || AsciiLower(song.title).find(wanted) == std::string::npos) continue;
    const std::string url = ServedUrl(song, base, ".mp3");
    if (!url.empty()) links.push_back({song.title, song.singer, url});
    if (links.size() >= kMusicSearchResults) break;
  }
  res.set_content(pages::RingTones(key, links), kHtmlUtf8);
}

void Server::ShowBoard(Response& res, const std::string& notice) {
  const auto messages = board_->Latest(kBoardPageMessages);
  if (!messages) {
    if (res.status < 400) res.status = 503;
    res.set_header("Retry-After", "5");
  }
  res.set_content(pages::Board(messages ? *messages : std::vector<BoardMessage>(),
                               messages ? notice : notice + kBoardUnavailable,
                               options_.maxNameBytes, options_.maxContentBytes),
                  kHtmlUtf8);
}

void Server::PostNote(const Request& req, Response& res) {
  const std::string name(Trim(req.get_param_value("name")));
  const std::string content(Trim(req.get_param_value("content")));
  const auto refuse = [&](int status, const std::string& why) {
    res.status = status;
    ShowBoard(res, why);
  };
  if (!req.has_param("content") || content.empty()) return refuse(400, "留言内容不能为空。");
  // A NUL ends a text in the database's protocol: it is not a character a message holds.
  if (!IsValidUtf8(name) || !IsValidUtf8(content) || name.find('\0') != std::string::npos ||
      content.find('\0') != std::string::npos)
    return refuse(400, "留言须为 UTF-8 文字。");
  if (name.size() > options_.maxNameBytes || content.size() > options_.maxContentBytes)
    return refuse(413, "名字或留言太长。");
  switch (board_->Add(name, content, Client(req))) {
    case PostOutcome::kStored:
      return res.set_redirect("/note/", 303);
    case PostOutcome::kLimited:
      return refuse(429, "留言太频繁，请一分钟后再试。");
    case PostOutcome::kFailed:
      return refuse(500, "留言没有保存，请稍后再试。");
    case PostOutcome::kUnavailable:
      res.set_header("Retry-After", "5");
      return refuse(503, "留言没有保存，请稍后再试。");
  }
}

void Server::ServeFile(const Request& req, Response& res) {
  const ResolvedPath resolved = ResolveContentPath(root_, req.path);
  if (resolved.verdict == PathVerdict::kRefused) {
    res.status = 403;
    return;
  }
  if (resolved.verdict == PathVerdict::kMissing) {
    res.status = 404;
    return;
  }
  auto file = std::make_shared<OpenFile>(resolved.file);
  std::error_code error;
  const uintmax_t size = fs::file_size(resolved.file, error);
  if (file->fd() < 0 || error) {
    res.status = 404;
    return;
  }
  // Ranges that start past the end are refused as a whole, as HTTP wants, rather than sent
  // as an empty part.
  if (!req.ranges.empty() &&
      std::none_of(req.ranges.begin(), req.ranges.end(), [&](const httplib::Range& range) {
        return range.first < 0 ? range.second > 0 : static_cast<uintmax_t>(range.first) < size;
      })) {
    res.status = 416;
    res.set_header("Content-Range", "bytes */" + std::to_string(size));
    return;
  }
  res.set_header("Accept-Ranges", "bytes");
  res.set_header("Cache-Control", "max-age=3600");
  res.set_content_provider(static_cast<size_t>(size), MimeType(resolved.file),
                           [file](size_t offset, size_t length, httplib::DataSink& sink) {
                             char buffer[64 * 1024];
                             const ssize_t got =
                                 ::pread(file->fd(), buffer, std::min(length, sizeof buffer),
                                         static_cast<off_t>(offset));
                             if (got <= 0) return false;
                             return sink.write(buffer, static_cast<size_t>(got));
                           });
}

}  // namespace sonaveil_server
