#pragma once

#include <libpq-fe.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_set>
#include <vector>

#include "server/client_windows.h"
#include "server/stores.h"

namespace sonaveil_server {

struct ResultFree {
  void operator()(PGresult* result) const { PQclear(result); }
};
using PgResult = std::unique_ptr<PGresult, ResultFree>;

struct PgOutcome {
  PgResult result;       // set when the statement ran
  bool reached = false;  // whether the database answered at all
  std::string error;
};

// Connections to one PostgreSQL database for the server's threads, each connection used by
// one thread at a time. A statement whose connection turns out lost is tried once more on a
// fresh one, so every statement run here must be safe to run twice. After a failed connect,
// statements fail at once for a second rather than each waiting for its own connect.
class PgPool {
 public:
  // url: "postgresql://USER@HOST:PORT/DB" or any libpq connection string.
  explicit PgPool(std::string url, size_t maxConnections = 8);
  ~PgPool();
  PgPool(const PgPool&) = delete;
  PgPool& operator=(const PgPool&) = delete;

  // Makes or brings up to date the schema (on the first start against a database); false
  // with *error said when the database cannot be reached or is of a later schema.
  bool PrepareSchema(std::string* error);

  // Runs one statement with its values bound as text.
  PgOutcome Run(const char* sql, const std::vector<std::string>& values);

 private:
  PGconn* Take(std::string* error);
  void Give(PGconn* connection);
  // Closes a connection found lost, and the idle ones, which went with it as a rule.
  void Lost(PGconn* connection);
  PGconn* Connect(std::string* error) const;

  const std::string url_;
  const size_t max_;
  std::mutex mutex_;
  std::condition_variable returned_;
  std::vector<PGconn*> idle_;
  size_t open_ = 0;
  std::chrono::steady_clock::time_point retryAt_{};
  std::string lastConnectError_;
};

// The message board in PostgreSQL, shared by every server on the database. The posts limit
// is counted there too, so a client's posts are limited whichever server takes them.
class PgBoard : public MessageBoard {
 public:
  PgBoard(PgPool& pool, size_t postsPerMinute) : pool_(pool), postsPerMinute_(postsPerMinute) {}
  PostOutcome Add(const std::string& name, const std::string& content,
                  const std::string& client) override;
  std::optional<std::vector<BoardMessage>> Latest(size_t limit) override;

 private:
  PgPool& pool_;
  const size_t postsPerMinute_;
};

// The online count of every server on the database. Sightings are kept in memory and written
// once a second in one statement; the shared count is read back at the same time, so a
// client is counted by all servers within about two seconds. While the database does not
// answer, the count is this server's own.
class SharedCount : public OnlineCount {
 public:
  explicit SharedCount(PgPool& pool);
  ~SharedCount() override;
  size_t SeenAndCount(const std::string& client) override;

 private:
  void Publish();
  void WriteAndRead();

  PgPool& pool_;
  ActiveClients local_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  std::unordered_set<std::string> pending_;  // seen since the last write
  size_t shared_ = 0;                        // as last read
  std::chrono::steady_clock::time_point readAt_{};
  size_t rounds_ = 0;
  std::thread publisher_;
};

}  // namespace sonaveil_server
