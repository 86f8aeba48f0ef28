#include "catalog/catalog_fixture.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QListWidget>
#include <QSqlDatabase>
#include <QSqlQuery>

void RunSql(const QString& file, const QStringList& statements) {
  Connection connection;
  ASSERT_TRUE(connection.Open(file, /*create=*/true)) << connection.Error().toStdString();
  for (const QString& statement : statements)
    ASSERT_TRUE(connection.Execute(statement))
        << statement.toStdString() << ": " << connection.Error().toStdString();
}

void WriteSmallCatalog(const QString& file) {
  QFile::remove(file);
  RunSql(
      file,
      {
          "create table SClass(ID integer primary key, Name text)",
          "create table NNClass(NClassID integer primary key, NClass text collate nocase,"
          " Abcd text collate nocase, SClassID integer)",
          "create table NSpecial(SpecialID integer primary key, name text collate nocase,"
          " NClassID integer)",
          "create table NMusicList(ID integer primary key, MusicName text collate nocase, URL text,"
          " SpecialID integer, NClassID integer)",
          "insert into SClass values (1,'华语男歌手'),(2,'华语女歌手'),(3,'欧美歌手')",
          // Stored out of name order on purpose.
          "insert into NNClass values (5,'Bravo Lane','B',3),(2,'白云飞','B',1),"
          "(9,'Able Reed','A',3),(4,'Brian O''Neil','O',3),(7,'Blue Hollow','B',3)",
          "insert into NSpecial values (12,'Stone Road',5),(3,'Another Side',5),(20,'云上',2)",
          "insert into NMusicList values"
          " (100,'Greensleeves','newmusic/a012/greensleeves.wma',12,5),"
          " (101,'Danny Boy','http://mediaserver.test/music/a012/danny_boy.wma',12,5),"
          " (102,'Rock''n''Roll','HTTP/odd/case.wma',12,5),"
          " (103,'茉莉花','newmusic/a020/moli_hua.mp3',20,2),"
          " (104,'茉莉花','newmusic/x/newmusic/y.wma',3,5),"
          " (105,'Shenandoah','q731_com_music/done.wma',3,5)",
      });
}

QStringList Rows(const QString& file, const QString& query) {
  Connection connection;
  if (!connection.Open(file)) return {"<" + connection.Error() + ">"};
  Recordset rows;
  if (!rows.Open(query, connection)) return {"<" + rows.Error() + ">"};
  QStringList out;
  while (!rows.Eof()) {
    QStringList columns;
    bool ok = true;
    for (int i = 0; ok; ++i) {
      const QVariant value = rows.Fields(i, &ok);
      if (ok) columns << value.toString();
    }
    out << columns.join('|');
    rows.MoveNext();
  }
  return out;
}

ExclusiveLock::ExclusiveLock(const QString& file) : name_("lock-" + file) {
  QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name_);
  db.setDatabaseName(file);
  EXPECT_TRUE(db.open());
  QSqlQuery query(db);
  EXPECT_TRUE(query.exec("begin exclusive"));
}

ExclusiveLock::~ExclusiveLock() {
  {
    QSqlDatabase db = QSqlDatabase::database(name_, false);
    QSqlQuery(db).exec("rollback");
    db.close();
  }
  QSqlDatabase::removeDatabase(name_);
}

QStringList Texts(const QListWidget& list) {
  QStringList texts;
  for (int i = 0; i < list.count(); ++i) texts << list.item(i)->text();
  return texts;
}
