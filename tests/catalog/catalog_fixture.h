#pragma once

#include <QString>
#include <QStringList>

class QListWidget;

#include "catalog/recordset.h"
#include "support/test_env.h"

// Builds small catalogs and user databases on disk for the catalog tests, and records the
// statements the code runs.
class StatementLog {
 public:
  StatementLog() {
    SetSqlTrace([this](const QString& statement) { statements << statement; });
  }
  ~StatementLog() { SetSqlTrace(nullptr); }
  bool Ran(const QString& prefix) const {
    for (const QString& s : statements)
      if (s.startsWith(prefix)) return true;
    return false;
  }
  QStringList statements;
};

// Runs statements on the database file (made if missing); fails the test on any error.
void RunSql(const QString& file, const QStringList& statements);

// A catalog with the real schema and a handful of rows (see catalog_fixture.cpp).
void WriteSmallCatalog(const QString& file);

// The texts of a list's rows, in order.
QStringList Texts(const QListWidget& list);

// Every row of a query on file, each row's columns joined by "|".
QStringList Rows(const QString& file, const QString& query);

// Holds an exclusive lock on a database file, as another program writing it would, until it
// goes.
class ExclusiveLock {
 public:
  explicit ExclusiveLock(const QString& file);
  ~ExclusiveLock();

 private:
  QString name_;
};
