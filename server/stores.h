#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace sonaveil_server {

struct BoardMessage {
  int64_t id = 0;
  std::string name;
  std::string content;
  int64_t postedUnix = 0;
};

// The message board, kept in an SQLite file. Texts are stored as posted; pages escape them.
class Board {
 public:
  // Opens (creating when needed) the board file; nothing on failure, with *error said.
  static std::unique_ptr<Board> Open(const std::filesystem::path& file, std::string* error);
  ~Board();

  bool Add(const std::string& name, const std::string& content, const std::string& client,
           int64_t postedUnix);
  // The newest messages first.
  std::vector<BoardMessage> Latest(size_t limit);

 private:
  explicit Board(sqlite3* db) : db_(db) {}
  std::mutex mutex_;
  sqlite3* db_;
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
