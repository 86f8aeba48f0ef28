#include "catalog/recordset.h"

#include <gtest/gtest.h>

#include <QFile>

#include "catalog/catalog_fixture.h"

namespace {

class RecordsetTest : public ::testing::Test {
 protected:
  void SetUp() override { WriteSmallCatalog(file); }
  TempAppFolder folder;
  QString file = folder.File("data/db.dll");
};

TEST_F(RecordsetTest, ReadsEveryRowWithExactCountAndNamedFields) {
  Connection connection;
  ASSERT_TRUE(connection.Open(file));
  Recordset rows;
  ASSERT_TRUE(rows.Open("  select * from SClass  ", connection));
  EXPECT_EQ(rows.RecordCount(), 3);
  EXPECT_EQ(rows.Fields(0).toInt(), 1);
  EXPECT_EQ(rows.Fields("name").toString(), "华语男歌手");  // any letter case
  bool ok = true;
  rows.Fields(2, &ok);
  EXPECT_FALSE(ok);
  ASSERT_TRUE(rows.MoveNext());
  ASSERT_TRUE(rows.MoveNext());
  ASSERT_TRUE(rows.MoveNext());
  EXPECT_TRUE(rows.Eof());
  EXPECT_FALSE(rows.MoveNext());
  rows.Fields(0, &ok);
  EXPECT_FALSE(ok);
}

TEST_F(RecordsetTest, ChangedFieldIsSavedWhenThePositionMoves) {
  {
    Connection connection;
    ASSERT_TRUE(connection.Open(file));
    Recordset rows;
    ASSERT_TRUE(rows.Open("select URL from NMusicList where ID=100", connection));
    ASSERT_TRUE(rows.SetField(0, "changed/it's.wma"));
    EXPECT_EQ(Rows(file, "select URL from NMusicList where ID=100"),
              QStringList{"newmusic/a012/greensleeves.wma"});  // not yet
    ASSERT_TRUE(rows.MoveNext());
  }
  EXPECT_EQ(Rows(file, "select URL from NMusicList where ID=100"), QStringList{"changed/it's.wma"});
  EXPECT_EQ(Rows(file, "select count(*) from NMusicList"), QStringList{"6"});
}

TEST_F(RecordsetTest, JoinedRowsCannotBeChanged) {
  Connection connection;
  ASSERT_TRUE(connection.Open(file));
  Recordset rows;
  ASSERT_TRUE(
      rows.Open("select NMusicList.ID,NNClass.NClass from NMusicList,NNClass where "
                "NMusicList.NClassID = NNClass.NClassID ;",
                connection));
  EXPECT_EQ(rows.RecordCount(), 6);
  EXPECT_FALSE(rows.SetField(1, "x"));
}

TEST_F(RecordsetTest, MissingAndBrokenFilesAndStatementsFailWithADescription) {
  Connection missing;
  EXPECT_FALSE(missing.Open(folder.File("data/none.dll")));
  EXPECT_FALSE(missing.Error().isEmpty());
  EXPECT_FALSE(QFile::exists(folder.File("data/none.dll")));  // never made by a read

  folder.Write("data/broken.dll", QByteArray(4096, '\x5a'));
  Connection broken;
  EXPECT_FALSE(broken.Open(folder.File("data/broken.dll")));
  EXPECT_FALSE(broken.Error().isEmpty());

  Connection connection;
  ASSERT_TRUE(connection.Open(file));
  Recordset rows;
  EXPECT_FALSE(rows.Open("select Name from NoTable", connection));
  EXPECT_TRUE(rows.Error().contains("NoTable")) << rows.Error().toStdString();
}

TEST(SqlText, DoublesQuotesSoValuesStayValues) {
  EXPECT_EQ(SqlText("B"), "'B'");
  EXPECT_EQ(SqlText("O'Neil"), "'O''Neil'");
  EXPECT_EQ(SqlText("'; drop table NUser; --"), "'''; drop table NUser; --'");
  EXPECT_EQ(SqlText(""), "''");
}

}  // namespace
