#include "catalog/recordset.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAtomicInt>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <map>

namespace {

SqlTrace& Trace() {
  static SqlTrace trace;
  return trace;
}

// The statement as it runs: each ? placeholder shown with its bound value, text quoted.
void Traced(const QString& statement, const QVariantList& values = {}) {
  if (!Trace()) return;
  QString shown;
  qsizetype next = 0;
  bool quoted = false;
  for (const QChar c : statement) {
    if (c == '\'') quoted = !quoted;
    if (c != '?' || quoted || next >= values.size()) {
      shown += c;
      continue;
    }
    const QVariant& value = values[next++];
    shown += value.typeId() == QMetaType::QString ? SqlText(value.toString()) : value.toString();
  }
  Trace()(shown);
}

QString NextConnectionName() {
  static QAtomicInt counter;
  return QString("sonaveil-db-%1").arg(counter.fetchAndAddRelaxed(1));
}

// "select <columns> from <Table> <rest>" on a single table, whose rows can be written back.
bool SplitSingleTableSelect(const QString& query, QString* columns, QString* table, QString* rest) {
  static const QRegularExpression re(
      R"(^\s*select\s+(.+?)\s+from\s+([A-Za-z_][A-Za-z0-9_]*)(\s+(?:where|order)\b.*|\s*;?\s*)$)",
      QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
  const QRegularExpressionMatch m = re.match(query);
  if (!m.hasMatch()) return false;
  *columns = m.captured(1);
  *table = m.captured(2);
  *rest = m.captured(3);
  return !columns->contains(QLatin1String(" from "), Qt::CaseInsensitive);
}

}  // namespace

QString SqlText(const QString& value) {
  QString quoted = value;
  quoted.replace('\'', QLatin1String("''"));
  return '\'' + quoted + '\'';
}

void SetSqlTrace(SqlTrace trace) { Trace() = std::move(trace); }

// Connection

Connection::Connection() : name_(NextConnectionName()) {}

Connection::~Connection() { Close(); }

QSqlDatabase Connection::Database() const { return QSqlDatabase::database(name_, false); }

bool Connection::Open(const QString& file, bool create) {
  Close();
  if (!create && !QFileInfo::exists(file)) {
    error_ = QCoreApplication::translate("Recordset", "数据库文件不存在：%1").arg(file);
    return false;
  }
  {
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name_);
    db.setDatabaseName(file);
    db.setConnectOptions("QSQLITE_BUSY_TIMEOUT=2000");
    if (!db.open()) {
      error_ = db.lastError().text();
      db = QSqlDatabase();
      QSqlDatabase::removeDatabase(name_);
      return false;
    }
  }
  // A file that is not a database opens fine and fails at its first read: find out now.
  QSqlQuery probe(Database());
  if (!probe.exec("select count(*) from sqlite_master")) {
    error_ = probe.lastError().text();
    probe = QSqlQuery();
    Close();
    return false;
  }
  return true;
}

bool Connection::IsOpen() const { return QSqlDatabase::contains(name_) && Database().isOpen(); }

void Connection::Close() {
  if (!QSqlDatabase::contains(name_)) return;
  {
    QSqlDatabase db = Database();
    db.close();
  }
  QSqlDatabase::removeDatabase(name_);
}

bool Connection::Execute(const QString& statement) {
  Traced(statement);
  QSqlQuery query(Database());
  if (!query.exec(statement)) {
    error_ = query.lastError().text();
    return false;
  }
  return true;
}

std::unique_ptr<PreparedStatement> Connection::Prepare(const QString& statement) {
  Traced(statement);
  auto prepared = std::make_unique<PreparedStatement>(Database());
  if (!prepared->query_.prepare(statement)) {
    error_ = prepared->query_.lastError().text();
    return nullptr;
  }
  return prepared;
}

bool PreparedStatement::Run(const QVariantList& values) {
  for (int i = 0; i < values.size(); ++i) query_.bindValue(i, values[i]);
  if (query_.exec()) return true;
  error_ = query_.lastError().text();
  return false;
}

bool Connection::BeginTransaction() {
  if (Database().transaction()) return true;
  error_ = Database().lastError().text();
  return false;
}

bool Connection::Commit() {
  if (Database().commit()) return true;
  error_ = Database().lastError().text();
  return false;
}

void Connection::Rollback() { Database().rollback(); }

int Connection::UserVersion() {
  QSqlQuery query(Database());
  if (!query.exec("pragma user_version") || !query.next()) {
    error_ = query.lastError().text();
    return -1;
  }
  return query.value(0).toInt();
}

bool Connection::SetUserVersion(int version) {
  return Execute(QString("pragma user_version = %1").arg(version));
}

// Shared connections

namespace {

// The file a shared connection was opened on, held open beside it: a file removed since has
// no name left, and a file replaced under its name is another file there.
class OpenedFile {
 public:
  explicit OpenedFile(const QString& file)
      : fd_(::open(QFile::encodeName(file).constData(), O_RDONLY | O_CLOEXEC)) {}
  ~OpenedFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  OpenedFile(const OpenedFile&) = delete;
  OpenedFile& operator=(const OpenedFile&) = delete;

  bool IsAt(const QString& file) const {
    struct stat held {
    }, named{};
    return fd_ >= 0 && ::fstat(fd_, &held) == 0 && held.st_nlink > 0 &&
           ::stat(QFile::encodeName(file).constData(), &named) == 0 &&
           held.st_dev == named.st_dev && held.st_ino == named.st_ino;
  }

 private:
  int fd_;
};

struct SharedEntry {
  std::unique_ptr<Connection> connection;
  std::unique_ptr<OpenedFile> file;
};

// Closed as the application object goes, while the SQL driver is still there.
std::map<QString, SharedEntry>& SharedConnections() {
  static auto* connections = [] {
    qAddPostRoutine([] { SharedConnections().clear(); });
    return new std::map<QString, SharedEntry>;
  }();
  return *connections;
}

}  // namespace

Connection* SharedConnection(const QString& file, bool create, QString* error) {
  auto& connections = SharedConnections();
  const auto found = connections.find(file);
  if (found != connections.end()) {
    if (found->second.file->IsAt(file)) return found->second.connection.get();
    connections.erase(found);  // replaced or removed since it was opened
  }
  auto connection = std::make_unique<Connection>();
  if (!connection->Open(file, create)) {
    if (error) *error = connection->Error();
    return nullptr;
  }
  if (const int version = connection->UserVersion(); version > kSchemaVersion) {
    if (error)
      *error = QCoreApplication::translate("Recordset", "数据库文件来自更新的版本（%1）：%2")
                   .arg(version)
                   .arg(file);
    return nullptr;
  }
  Connection* opened = connection.get();
  connections[file] = SharedEntry{std::move(connection), std::make_unique<OpenedFile>(file)};
  return opened;
}

void CloseSharedConnection(const QString& file) { SharedConnections().erase(file); }

// Recordset

Recordset::~Recordset() { Close(); }

bool Recordset::Open(const QString& text, Connection& connection, const QVariantList& values) {
  Close();
  Traced(text, values);
  const QString query = text.trimmed();
  if (!connection.IsOpen()) {
    error_ = QCoreApplication::translate("Recordset", "连接未打开");
    return false;
  }
  if (query.isEmpty()) {
    error_ = QCoreApplication::translate("Recordset", "查询语句为空");
    return false;
  }
  QString columns, table, rest;
  const bool updatable = SplitSingleTableSelect(query, &columns, &table, &rest);
  {
    QSqlQuery sql(connection.Database());
    sql.setForwardOnly(true);
    // Keep each row's rowid beside it, so a changed field can find its way back.
    const QString run =
        updatable ? QString("select rowid, %1 from %2%3").arg(columns, table, rest) : query;
    if (!sql.prepare(run)) {
      error_ = sql.lastError().text();
      return false;
    }
    for (int i = 0; i < values.size(); ++i) sql.bindValue(i, values[i]);
    if (!sql.exec()) {
      error_ = sql.lastError().text();
      return false;
    }
    const QSqlRecord record = sql.record();
    const int first = updatable ? 1 : 0;
    for (int i = first; i < record.count(); ++i) columns_ << record.fieldName(i);
    while (sql.next()) {
      QList<QVariant> row;
      row.reserve(record.count() - first);
      for (int i = first; i < record.count(); ++i) row << sql.value(i);
      rows_ << row;
      if (updatable) rowIds_ << sql.value(0).toLongLong();
    }
    if (sql.lastError().isValid()) {
      error_ = sql.lastError().text();
      rows_.clear();
      return false;
    }
  }
  if (updatable) table_ = table;
  connection_ = &connection;
  position_ = 0;
  return true;
}

void Recordset::Close() {
  rows_.clear();
  rowIds_.clear();
  columns_.clear();
  dirtyColumns_.clear();
  table_.clear();
  position_ = 0;
  connection_ = nullptr;
}

QVariant Recordset::Fields(int index, bool* ok) const {
  const bool valid = !Eof() && index >= 0 && index < columns_.size();
  if (ok) *ok = valid;
  return valid ? rows_[position_][index] : QVariant();
}

QVariant Recordset::Fields(const QString& name, bool* ok) const {
  for (int i = 0; i < columns_.size(); ++i)
    if (columns_[i].compare(name, Qt::CaseInsensitive) == 0) return Fields(i, ok);
  if (ok) *ok = false;
  return QVariant();
}

bool Recordset::SetField(int index, const QVariant& value) {
  if (Eof() || index < 0 || index >= columns_.size()) {
    error_ = QCoreApplication::translate("Recordset", "没有当前记录");
    return false;
  }
  if (table_.isEmpty()) {
    error_ = QCoreApplication::translate("Recordset", "该记录集不能更新");
    return false;
  }
  rows_[position_][index] = value;
  if (!dirtyColumns_.contains(index)) dirtyColumns_ << index;
  return true;
}

bool Recordset::SaveCurrentRow() {
  if (dirtyColumns_.isEmpty()) return true;
  QStringList assignments;
  for (int column : dirtyColumns_) assignments << columns_[column] + "=?";
  const QString statement =
      QString("update %1 set %2 where rowid=?").arg(table_, assignments.join(','));
  QVariantList values;
  for (int column : dirtyColumns_) values << rows_[position_][column];
  values << rowIds_[position_];
  Traced(statement, values);
  QSqlQuery sql(connection_->Database());
  sql.prepare(statement);
  for (const QVariant& value : values) sql.addBindValue(value);
  if (!sql.exec()) {
    error_ = sql.lastError().text();
    return false;
  }
  dirtyColumns_.clear();
  return true;
}

bool Recordset::MoveNext() {
  if (Eof()) {
    error_ = QCoreApplication::translate("Recordset", "已到记录集末尾");
    return false;
  }
  if (!SaveCurrentRow()) return false;
  ++position_;
  return true;
}

Transaction::Transaction(Connection& connection)
    : connection_(connection), active_(connection.BeginTransaction()) {}

Transaction::~Transaction() {
  if (active_) connection_.Rollback();
}

bool Transaction::Commit() {
  if (!active_) return false;
  active_ = false;
  if (connection_.Commit()) return true;
  connection_.Rollback();
  return false;
}
