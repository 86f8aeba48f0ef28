#include "server/pg_store.h"

#include <sys/random.h>

#include <cstdio>
#include <cstdlib>

namespace sonaveil_server {

namespace {

using std::chrono::steady_clock;

// How long a statement waits for a connection of the pool, and how long after a failed
// connect statements fail at once.
constexpr auto kWaitForConnection = std::chrono::seconds(5);
constexpr auto kRetryConnect = std::chrono::seconds(1);
constexpr auto kPublishEvery = std::chrono::seconds(1);
// Past this without a shared count read, the count is this server's own.
constexpr auto kCountStale = std::chrono::seconds(10);
constexpr size_t kMaxPending = 100000;
constexpr size_t kForgetEveryRounds = 30;

// Each step of the schema, in order; a database records how many it has had.
constexpr const char* kMigrations[] = {
    "CREATE TABLE messages(id bigserial PRIMARY KEY, post_key text NOT NULL UNIQUE,"
    " name text NOT NULL, content text NOT NULL, client text NOT NULL, posted bigint NOT NULL);"
    "CREATE INDEX messages_client_posted ON messages(client, posted);"
    "CREATE TABLE sightings(client text PRIMARY KEY, seen timestamptz NOT NULL);"
    "CREATE INDEX sightings_seen ON sightings(seen);",
};
constexpr int kSchemaVersion = static_cast<int>(std::size(kMigrations));

// Stores the post unless its client has had its posts in the last minute. The post's key
// makes a second run of the same post (after a lost connection) store nothing more, and say
// that it is stored.
constexpr char kAddPost[] =
    "WITH recent AS (SELECT count(*) AS n FROM messages"
    "   WHERE client = $4 AND posted > extract(epoch FROM now())::bigint - 60),"
    " stored AS (INSERT INTO messages(post_key, name, content, client, posted)"
    "   SELECT $1, $2, $3, $4, extract(epoch FROM now())::bigint FROM recent WHERE n < $5"
    "   ON CONFLICT (post_key) DO NOTHING RETURNING id)"
    " SELECT (SELECT count(*) FROM stored) > 0"
    "   OR EXISTS (SELECT 1 FROM messages WHERE post_key = $1)";
constexpr char kLatest[] =
    "SELECT id, name, content, posted FROM messages ORDER BY id DESC LIMIT $1";
constexpr char kSighted[] =
    "INSERT INTO sightings(client, seen) SELECT unnest($1::text[]), now()"
    " ON CONFLICT (client) DO UPDATE SET seen = excluded.seen";
constexpr char kCountOnline[] =
    "SELECT count(*) FROM sightings WHERE seen > now() - interval '5 minutes'";
constexpr char kForgetOld[] = "DELETE FROM sightings WHERE seen <= now() - interval '5 minutes'";

void Warn(const std::string& what) {
  std::fprintf(stderr, "sonaveil-server: database: %s\n", what.c_str());
}

std::string Said(const char* message) {
  std::string text = message ? message : "";
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text.empty() ? "no answer" : text;
}

bool Exec(PGconn* connection, const char* sql, std::string* error) {
  const PgResult result(PQexec(connection, sql));
  const ExecStatusType status = result ? PQresultStatus(result.get()) : PGRES_FATAL_ERROR;
  if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) return true;
  *error = Said(PQerrorMessage(connection));
  return false;
}

// Brings the schema to kSchemaVersion in one transaction, one server at a time.
bool Migrate(PGconn* connection, std::string* error) {
  if (!Exec(connection, "BEGIN", error) ||
      !Exec(connection, "SELECT pg_advisory_xact_lock(7310421)", error) ||
      !Exec(connection, "CREATE TABLE IF NOT EXISTS sonaveil_schema(version integer NOT NULL)",
            error))
    return false;
  const PgResult read(PQexec(connection, "SELECT coalesce(max(version), 0) FROM sonaveil_schema"));
  if (PQresultStatus(read.get()) != PGRES_TUPLES_OK || PQntuples(read.get()) != 1) {
    *error = Said(PQerrorMessage(connection));
    return false;
  }
  const int version = std::atoi(PQgetvalue(read.get(), 0, 0));
  if (version > kSchemaVersion) {
    *error = "the database's schema is version " + std::to_string(version) +
             ", later than this server's " + std::to_string(kSchemaVersion);
    return false;
  }
  for (int step = version; step < kSchemaVersion; ++step)
    if (!Exec(connection, kMigrations[step], error)) return false;
  if (version < kSchemaVersion) {
    const std::string reached = std::to_string(kSchemaVersion);
    const char* values[] = {reached.c_str()};
    if (!Exec(connection, "DELETE FROM sonaveil_schema", error)) return false;
    const PgResult set(PQexecParams(connection, "INSERT INTO sonaveil_schema(version) VALUES($1)",
                                    1, nullptr, values, nullptr, nullptr, 0));
    if (PQresultStatus(set.get()) != PGRES_COMMAND_OK) {
      *error = Said(PQerrorMessage(connection));
      return false;
    }
  }
  return Exec(connection, "COMMIT", error);
}

// A text[] value: each element quoted, its quotes and backslashes escaped.
std::string ArrayValue(const std::unordered_set<std::string>& items) {
  std::string value = "{";
  for (const std::string& item : items) {
    if (value.size() > 1) value += ',';
    value += '"';
    for (const char c : item) {
      if (c == '"' || c == '\\') value += '\\';
      value += c;
    }
    value += '"';
  }
  return value + "}";
}

// A key no other post has: 128 random bits.
std::string PostKey() {
  unsigned char bytes[16] = {};
  for (size_t got = 0; got < sizeof bytes;) {
    const ssize_t n = getrandom(bytes + got, sizeof bytes - got, 0);
    if (n > 0) got += static_cast<size_t>(n);
  }
  static const char hex[] = "0123456789abcdef";
  std::string key;
  for (const unsigned char b : bytes) key += {hex[b >> 4], hex[b & 15]};
  return key;
}

}  // namespace

PgPool::PgPool(std::string url, size_t maxConnections)
    : url_(std::move(url)), max_(std::max<size_t>(maxConnections, 1)) {}

PgPool::~PgPool() {
  for (PGconn* connection : idle_) PQfinish(connection);
}

PGconn* PgPool::Connect(std::string* error) const {
  // The defaults come first, so that the address given may set any of them itself.
  const char* keys[] = {"connect_timeout",     "tcp_user_timeout", "keepalives_idle",
                        "keepalives_interval", "keepalives_count", "options",
                        "application_name",    "dbname",           nullptr};
  const char* values[] = {"3",
                          "5000",
                          "10",
                          "3",
                          "3",
                          "-c statement_timeout=5000 -c lock_timeout=3000",
                          "sonaveil-server",
                          url_.c_str(),
                          nullptr};
  PGconn* connection = PQconnectdbParams(keys, values, 1);
  if (PQstatus(connection) == CONNECTION_OK) return connection;
  *error = Said(connection ? PQerrorMessage(connection) : "out of memory");
  PQfinish(connection);
  return nullptr;
}

bool PgPool::PrepareSchema(std::string* error) {
  PGconn* connection = Connect(error);
  if (!connection) return false;
  const bool ok = Migrate(connection, error);
  PQfinish(connection);
  return ok;
}

PGconn* PgPool::Take(std::string* error) {
  std::unique_lock lock(mutex_);
  const auto until = steady_clock::now() + kWaitForConnection;
  for (;;) {
    if (!idle_.empty()) {
      PGconn* connection = idle_.back();
      idle_.pop_back();
      return connection;
    }
    if (steady_clock::now() < retryAt_) {
      *error = lastConnectError_;
      return nullptr;
    }
    if (open_ < max_) {
      ++open_;
      lock.unlock();
      PGconn* connection = Connect(error);
      lock.lock();
      if (connection) return connection;
      --open_;
      if (steady_clock::now() >= retryAt_) Warn(*error);
      retryAt_ = steady_clock::now() + kRetryConnect;
      lastConnectError_ = *error;
      returned_.notify_all();
      return nullptr;
    }
    if (returned_.wait_until(lock, until) == std::cv_status::timeout) {
      *error = "every connection to the database is busy";
      return nullptr;
    }
  }
}

void PgPool::Give(PGconn* connection) {
  std::lock_guard lock(mutex_);
  idle_.push_back(connection);
  returned_.notify_one();
}

void PgPool::Lost(PGconn* connection) {
  std::vector<PGconn*> idle;
  {
    std::lock_guard lock(mutex_);
    idle.swap(idle_);
    open_ -= idle.size() + 1;
    returned_.notify_all();
  }
  PQfinish(connection);
  for (PGconn* other : idle) PQfinish(other);
}

PgOutcome PgPool::Run(const char* sql, const std::vector<std::string>& values) {
  std::vector<const char*> params;
  for (const std::string& value : values) params.push_back(value.c_str());
  PgOutcome outcome;
  for (int attempt = 0; attempt < 2; ++attempt) {
    PGconn* connection = Take(&outcome.error);
    if (!connection) return outcome;
    PgResult result(PQexecParams(connection, sql, static_cast<int>(params.size()), nullptr,
                                 params.data(), nullptr, nullptr, 0));
    const ExecStatusType status = result ? PQresultStatus(result.get()) : PGRES_FATAL_ERROR;
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) {
      Give(connection);
      outcome.result = std::move(result);
      outcome.reached = true;
      return outcome;
    }
    outcome.error = Said(PQerrorMessage(connection));
    if (PQstatus(connection) != CONNECTION_BAD) {
      Give(connection);
      outcome.reached = true;
      Warn(outcome.error);
      return outcome;
    }
    Lost(connection);
  }
  Warn(outcome.error);
  return outcome;
}

PostOutcome PgBoard::Add(const std::string& name, const std::string& content,
                         const std::string& client) {
  const PgOutcome run =
      pool_.Run(kAddPost, {PostKey(), name, content, client, std::to_string(postsPerMinute_)});
  if (!run.result) return run.reached ? PostOutcome::kFailed : PostOutcome::kUnavailable;
  const bool stored =
      PQntuples(run.result.get()) == 1 && std::string(PQgetvalue(run.result.get(), 0, 0)) == "t";
  return stored ? PostOutcome::kStored : PostOutcome::kLimited;
}

std::optional<std::vector<BoardMessage>> PgBoard::Latest(size_t limit) {
  const PgOutcome run = pool_.Run(kLatest, {std::to_string(limit)});
  if (!run.result) return std::nullopt;
  PGresult* rows = run.result.get();
  std::vector<BoardMessage> messages;
  for (int row = 0; row < PQntuples(rows); ++row) {
    messages.push_back({std::atoll(PQgetvalue(rows, row, 0)), PQgetvalue(rows, row, 1),
                        PQgetvalue(rows, row, 2), std::atoll(PQgetvalue(rows, row, 3))});
  }
  return messages;
}

SharedCount::SharedCount(PgPool& pool) : pool_(pool), publisher_([this] { Publish(); }) {}

SharedCount::~SharedCount() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  publisher_.join();
}

size_t SharedCount::SeenAndCount(const std::string& client) {
  const auto now = steady_clock::now();
  const size_t local = local_.SeenAndCount(client, now);
  std::lock_guard lock(mutex_);
  if (pending_.size() < kMaxPending) pending_.insert(client);
  // A client new to every server is in the shared count from the next write on.
  return now - readAt_ > kCountStale ? local : std::max(local, shared_);
}

void SharedCount::Publish() {
  std::unique_lock lock(mutex_);
  for (;;) {
    if (wake_.wait_for(lock, kPublishEvery, [this] { return stopping_; })) return;
    lock.unlock();
    WriteAndRead();
    lock.lock();
  }
}

void SharedCount::WriteAndRead() {
  std::unordered_set<std::string> batch;
  {
    std::lock_guard lock(mutex_);
    batch.swap(pending_);
  }
  if (!batch.empty() && !pool_.Run(kSighted, {ArrayValue(batch)}).result) {
    // Kept for the next write.
    std::lock_guard lock(mutex_);
    for (const std::string& client : batch)
      if (pending_.size() < kMaxPending) pending_.insert(client);
    return;
  }
  if (++rounds_ % kForgetEveryRounds == 0) pool_.Run(kForgetOld, {});
  const PgOutcome read = pool_.Run(kCountOnline, {});
  std::lock_guard lock(mutex_);
  if (!read.result || PQntuples(read.result.get()) != 1) return;
  shared_ = static_cast<size_t>(std::atoll(PQgetvalue(read.result.get(), 0, 0)));
  readAt_ = steady_clock::now();
}

}  // namespace sonaveil_server
