#include "server/stores.h"

#include <algorithm>
#include <ctime>
#include <fstream>
#include <sstream>

#include "server/text.h"

namespace sonaveil_server {

namespace fs = std::filesystem;

namespace {

struct StatementCloser {
  void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementCloser>;

Statement Prepare(sqlite3* db, const char* sql) {
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK) return nullptr;
  return Statement(statement);
}

std::string Column(sqlite3_stmt* statement, int column) {
  const auto* text = sqlite3_column_text(statement, column);
  return text ? std::string(reinterpret_cast<const char*>(text)) : std::string();
}

}  // namespace

std::unique_ptr<Board> Board::Open(const fs::path& file, size_t postsPerMinute,
                                   std::string* error) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
      SQLITE_OK) {
    *error = db ? sqlite3_errmsg(db) : "out of memory";
    sqlite3_close(db);
    return nullptr;
  }
  sqlite3_busy_timeout(db, 2000);
  const char* schema =
      "PRAGMA journal_mode=WAL;"
      "CREATE TABLE IF NOT EXISTS messages(id INTEGER PRIMARY KEY, name TEXT NOT NULL,"
      " content TEXT NOT NULL, client TEXT NOT NULL, posted INTEGER NOT NULL);";
  char* message = nullptr;
  if (sqlite3_exec(db, schema, nullptr, nullptr, &message) != SQLITE_OK) {
    *error = message ? message : "cannot create the messages table";
    sqlite3_free(message);
    sqlite3_close(db);
    return nullptr;
  }
  return std::unique_ptr<Board>(new Board(db, postsPerMinute));
}

Board::~Board() { sqlite3_close(db_); }

PostOutcome Board::Add(const std::string& name, const std::string& content,
                       const std::string& client) {
  if (!posts_.Allow(client, Clock::now())) return PostOutcome::kLimited;
  const int64_t postedUnix = static_cast<int64_t>(std::time(nullptr));
  std::lock_guard lock(mutex_);
  Statement insert =
      Prepare(db_, "INSERT INTO messages(name, content, client, posted) VALUES(?, ?, ?, ?)");
  if (!insert) return PostOutcome::kFailed;
  sqlite3_bind_text(insert.get(), 1, name.data(), static_cast<int>(name.size()), SQLITE_STATIC);
  sqlite3_bind_text(insert.get(), 2, content.data(), static_cast<int>(content.size()),
                    SQLITE_STATIC);
  sqlite3_bind_text(insert.get(), 3, client.data(), static_cast<int>(client.size()), SQLITE_STATIC);
  sqlite3_bind_int64(insert.get(), 4, postedUnix);
  return sqlite3_step(insert.get()) == SQLITE_DONE ? PostOutcome::kStored : PostOutcome::kFailed;
}

std::optional<std::vector<BoardMessage>> Board::Latest(size_t limit) {
  std::lock_guard lock(mutex_);
  std::vector<BoardMessage> messages;
  Statement select =
      Prepare(db_, "SELECT id, name, content, posted FROM messages ORDER BY id DESC LIMIT ?");
  if (!select) return std::nullopt;
  sqlite3_bind_int64(select.get(), 1, static_cast<int64_t>(limit));
  while (sqlite3_step(select.get()) == SQLITE_ROW) {
    messages.push_back({sqlite3_column_int64(select.get(), 0), Column(select.get(), 1),
                        Column(select.get(), 2), sqlite3_column_int64(select.get(), 3)});
  }
  return messages;
}

std::shared_ptr<const std::vector<CatalogSong>> PublishedCatalog::Songs() {
  std::lock_guard lock(mutex_);
  std::error_code error;
  const fs::file_time_type modified = fs::last_write_time(file_, error);
  if (error || modified == loadedTime_) return songs_;

  auto songs = std::make_shared<std::vector<CatalogSong>>();
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(file_.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    Statement select = Prepare(db,
                               "SELECT NMusicList.MusicName, NNClass.NClass, NMusicList.URL "
                               "FROM NMusicList JOIN NNClass USING (NClassID) "
                               "ORDER BY NMusicList.ID");
    while (select && sqlite3_step(select.get()) == SQLITE_ROW) {
      songs->push_back({Column(select.get(), 0), Column(select.get(), 1), Column(select.get(), 2)});
    }
  }
  sqlite3_close(db);
  songs_ = std::move(songs);
  loadedTime_ = modified;
  return songs_;
}

LyricStore::LyricStore(const fs::path& folder) {
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
    if (entry.path().extension() != ".txt") continue;
    std::ifstream in(entry.path());
    Lyric lyric;
    lyric.id = entry.path().stem().string();
    std::string line;
    while (std::getline(in, line) && !Trim(line).empty()) {
      const std::string_view field = Trim(line);
      if (field.starts_with("title:")) lyric.title = Trim(field.substr(6));
      if (field.starts_with("singer:")) lyric.singer = Trim(field.substr(7));
    }
    std::ostringstream text;
    text << in.rdbuf();
    lyric.text = std::string(Trim(text.str()));
    if (!lyric.title.empty() && !lyric.text.empty()) lyrics_.push_back(std::move(lyric));
  }
  std::sort(lyrics_.begin(), lyrics_.end(),
            [](const Lyric& a, const Lyric& b) { return a.id < b.id; });
}

const Lyric* LyricStore::Find(const std::string& id) const {
  for (const Lyric& lyric : lyrics_) {
    if (lyric.id == id) return &lyric;
  }
  return nullptr;
}

std::vector<const Lyric*> LyricStore::Search(const std::string& singer,
                                             const std::string& title) const {
  const std::string wanted = AsciiLower(Trim(title));
  const std::string by = AsciiLower(Trim(singer));
  std::vector<const Lyric*> exact, bySinger, containing;
  if (wanted.empty()) return exact;
  for (const Lyric& lyric : lyrics_) {
    const std::string name = AsciiLower(lyric.title);
    if (name == wanted) {
      (!by.empty() && AsciiLower(lyric.singer) == by ? bySinger : exact).push_back(&lyric);
    } else if (name.find(wanted) != std::string::npos) {
      containing.push_back(&lyric);
    }
  }
  bySinger.insert(bySinger.end(), exact.begin(), exact.end());
  return bySinger.empty() ? containing : bySinger;
}

}  // namespace sonaveil_server
