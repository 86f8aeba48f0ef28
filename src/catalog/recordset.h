#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>

// A small record-set layer over SQLite files: a connection that runs statements, and a
// record set that reads a query's rows at once (so RecordCount is exact), walks them with
// MoveNext, and writes a changed field of a single-table query back to its row. Values go
// into statements as bound parameters, never as text.

// A text value as it would stand in a statement: between single quotes, any quote inside
// doubled. Only for showing statements; values reach the database bound.
QString SqlText(const QString& value);

// Sees every statement run through this layer, as it is run, its bound values shown in place
// (a trace for diagnostics).
using SqlTrace = std::function<void(const QString& statement)>;
void SetSqlTrace(SqlTrace trace);

class PreparedStatement;

class Connection {
 public:
  Connection();
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // Opens an existing database file; a missing file is an error, never created here.
  // With create set, a missing file is made (empty).
  bool Open(const QString& file, bool create = false);
  void Close();
  bool IsOpen() const;

  // Runs a statement that returns no rows.
  bool Execute(const QString& statement);
  // Prepares a statement with ? placeholders to run many times; nullptr on failure.
  std::unique_ptr<PreparedStatement> Prepare(const QString& statement);

  bool BeginTransaction();
  bool Commit();
  void Rollback();

  // The schema version the file declares (PRAGMA user_version): 0 for a file made before
  // versions were kept, -1 when it cannot be read.
  int UserVersion();
  bool SetUserVersion(int version);

  // The description of the last failure.
  QString Error() const { return error_; }
  QSqlDatabase Database() const;

 private:
  friend class Recordset;
  QString name_;
  QString error_;
};

// A transaction on a connection that rolls back when it goes, unless it was committed.
class Transaction {
 public:
  explicit Transaction(Connection& connection);
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

  // False when the transaction could not be begun.
  bool Active() const { return active_; }
  // Makes the changes stand; on failure they are rolled back.
  bool Commit();

 private:
  Connection& connection_;
  bool active_;
};

// The schema version of the files this program writes. A file that declares a newer one
// comes from a later version of the program and is not opened.
inline constexpr int kSchemaVersion = 1;

// The connection to a database file that every call shares for the program's life, opened
// at the first call (the file is made when create is set) and opened afresh when the file at
// that path was replaced or removed since. nullptr when it cannot be opened, error saying why.
Connection* SharedConnection(const QString& file, bool create, QString* error);
// Closes the shared connection to file: before the file is removed or replaced.
void CloseSharedConnection(const QString& file);

class PreparedStatement {
 public:
  explicit PreparedStatement(QSqlDatabase db) : query_(db) {}
  // Runs the statement once with these values for its placeholders, in order.
  bool Run(const QVariantList& values);
  QString Error() const { return error_; }

 private:
  friend class Connection;
  QSqlQuery query_;
  QString error_;
};

class Recordset {
 public:
  Recordset() = default;
  ~Recordset();

  // Runs query (trimmed) on connection with values bound to its ? placeholders, in order, and
  // positions on the first row. The connection must stay open until Close.
  bool Open(const QString& query, Connection& connection, const QVariantList& values = {});
  void Close();

  // Past the last row (at once for an empty result). Named Eof: the C library owns EOF.
  bool Eof() const { return position_ >= rows_.size(); }
  int RecordCount() const { return static_cast<int>(rows_.size()); }

  // The current row's value by column position from 0 or by name (any letter case).
  // Outside a row or past the columns it is an error: ok is set false when given.
  QVariant Fields(int index, bool* ok = nullptr) const;
  QVariant Fields(const QString& name, bool* ok = nullptr) const;

  // Changes a field of the current row; the change is saved when the position moves.
  // Only rows of a query on one table can be changed.
  bool SetField(int index, const QVariant& value);

  // Moves to the next row, saving a changed current row first.
  bool MoveNext();

  QString Error() const { return error_; }

 private:
  bool SaveCurrentRow();

  Connection* connection_ = nullptr;
  QStringList columns_;
  QList<QList<QVariant>> rows_;
  QList<qint64> rowIds_;  // with an updatable query: the rowid of each row
  QString table_;         // the one table of an updatable query
  QList<int> dirtyColumns_;
  qsizetype position_ = 0;
  QString error_;
};
