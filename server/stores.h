#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "server/client_windows.h"

namespace sonaveil_server {

struct BoardMessage {
  int64_t id = 0;
  std::string name;
  std::string content;
  int64_t postedUnix = 0;
};

enum class PostOutcome {
  kStored,
  kLimited,      // the client has had its posts for this minute
  kFailed,       // the store refused it
  kUnavailable,  // the store cannot be reached now
};

// The message board. Texts are stored as posted; pages escape them.
class MessageBoard {
 public:
  virtual ~MessageBoard() = default;
  // Stores a post from client unless it has had postsPerMinute in the last minute.
  virtual PostOutcome Add(const std::string& name, const std::string& content,
                          const std::string& client) = 0;
  // The newest messages first; nothing when the board cannot be read now.
  virtual std::optional<std::vector<BoardMessage>> Latest(size_t limit) = 0;
};

// The board of one server process, kept in an SQLite file.
class Board : public MessageBoard {
 public:
  // Opens (creating when needed) the board file; nothing on failure, with *error said.
  static std::unique_ptr<Board> Open(const std::filesystem::path& file, size_t postsPerMinute,
                                     std::string* error);
  ~Board() override;

  PostOutcome Add(const std::string& name, const std::string& content,
                  const std::string& client) override;
  std::optional<std::vector<BoardMessage>> Latest(size_t limit) override;

 private:
  Board(sqlite3* db, size_t postsPerMinute)
      : db_(db), posts_(postsPerMinute, std::chrono::minutes(1)) {}
  std::mutex mutex_;
  sqlite3* db_;
  RateLimiter posts_;
};

struct CatalogSong {
  std::string title;
  std::string singer;
  std::string url;  // as stored in the catalog: absolute "http…" or relative "newmusic/…"
};

// The songs of the catalog database the update set publishes, read again whenever that file
// changes, so a newly published catalog is searched at once.
class PublishedCatalog {
 public:
  explicit PublishedCatalog(std::filesystem::path file) : file_(std::move(file)) {}
  std::shared_ptr<const std::vector<CatalogSong>> Songs();

 private:
  const std::filesystem::path file_;
  std::mutex mutex_;
  std::filesystem::file_time_type loadedTime_{};
  std::shared_ptr<const std::vector<CatalogSong>> songs_ =
      std::make_shared<std::vector<CatalogSong>>();
};

struct Lyric {
  std::string id;  // the file name without ".txt"
  std::string title;
  std::string singer;
  std::string text;  // lines as written, "\n" between them
};

// The lyrics folder: one file per song, "title:" and "singer:" lines, a blank line, the text.
class LyricStore {
 public:
  explicit LyricStore(const std::filesystem::path& folder);
  const Lyric* Find(const std::string& id) const;
  // Lyrics whose title matches (ignoring case and outer blanks), those by singer first; when
  // none matches exactly, those whose title contains the wanted one.
  std::vector<const Lyric*> Search(const std::string& singer, const std::string& title) const;
  size_t size() const { return lyrics_.size(); }

 private:
  std::vector<Lyric> lyrics_;
};

}  // namespace sonaveil_server
