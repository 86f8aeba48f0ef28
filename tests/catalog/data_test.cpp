#include "catalog/data.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QListWidget>

#include "catalog/catalog_fixture.h"
#include "platform/endpoints.h"

namespace {

QList<int32_t> Ids(const QListWidget& list) {
  QList<int32_t> ids;
  for (int i = 0; i < list.count(); ++i) ids << Data::ItemData(&list, i);
  return ids;
}

class DataTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteSmallCatalog(Data::CatalogFile());
    folder.Write("data/endpoints.ini", "[endpoints]\nMusicFileServer=http://files.test\n");
    ReloadEndpoints();
  }
  TempAppFolder folder;
  MsgBoxRecorder boxes;
  QListWidget list;
};

TEST_F(DataTest, SingerStatementsAreExactlyTheFourForms) {
  StatementLog log;
  Data::ListSingers(3, "B", &list);
  Data::ListSingers(0, "B", &list);
  Data::ListSingers(3, "", &list);
  Data::ListSingers(0, "", &list);
  EXPECT_EQ(log.statements,
            (QStringList{
                "select NClass,NClassID from NNClass where Abcd='B' and SClassID=3 order by NClass",
                "select NClass,NClassID from NNClass where Abcd='B' order by NClass",
                "select NClass,NClassID from NNClass where SClassID=3 order by NClass",
                "select NClass,NClassID from NNClass",
            }));
}

TEST_F(DataTest, AlbumAndSongStatements) {
  StatementLog log;
  Data::ListAlbums(5, &list);
  Data::ListAlbums(0, &list);
  Data::ListSongs(12, &list);
  Data::ListSongs(0, &list);
  EXPECT_EQ(log.statements,
            (QStringList{
                "select name,SpecialID from NSpecial where NClassID=5 order by name",
                "select name,SpecialID from NSpecial order by name",
                // the trailing blank is part of it
                "select MusicName,ID from NMusicList where SpecialID=12 ",
                "select MusicName,ID from NMusicList",
            }));
}

TEST_F(DataTest, ListsShowNamesAndKeepIdsInDatabaseOrder) {
  ASSERT_TRUE(Data::ListSingers(0, "", &list));
  EXPECT_EQ(Texts(list), (QStringList{"白云飞", "Brian O'Neil", "Bravo Lane", "Blue Hollow",
                                      "Able Reed"}));  // stored order, no sorting
  EXPECT_EQ(Ids(list), (QList<int32_t>{2, 4, 5, 7, 9}));

  ASSERT_TRUE(Data::ListSingers(3, "B", &list));
  EXPECT_EQ(Texts(list), (QStringList{"Blue Hollow", "Bravo Lane"}));
  EXPECT_EQ(Ids(list), (QList<int32_t>{7, 5}));

  ASSERT_TRUE(Data::ListAlbums(5, &list));
  EXPECT_EQ(Texts(list), (QStringList{"Another Side", "Stone Road"}));
  EXPECT_EQ(Ids(list), (QList<int32_t>{3, 12}));

  ASSERT_TRUE(Data::ListSongs(12, &list));
  EXPECT_EQ(Texts(list), (QStringList{"Greensleeves", "Danny Boy", "Rock'n'Roll"}));
  EXPECT_EQ(Ids(list), (QList<int32_t>{100, 101, 102}));

  // No rows: an empty list, no message, success.
  ASSERT_TRUE(Data::ListSingers(1, "Z", &list));
  EXPECT_EQ(list.count(), 0);
  EXPECT_TRUE(boxes.Boxes().isEmpty());
}

TEST_F(DataTest, QuotesInValuesAreFoundAndCannotChangeAStatement) {
  ASSERT_TRUE(Data::ListSingers(0, "O", &list));
  EXPECT_EQ(Texts(list), QStringList{"Brian O'Neil"});
  list.clear();
  ASSERT_TRUE(Data::SearchSongs("Rock'n'Roll", &list));
  EXPECT_EQ(Texts(list), QStringList{"Rock'n'Roll\tBravo Lane"});

  // A value shaped to widen the statement finds nothing and changes nothing.
  ASSERT_TRUE(Data::ListSingers(0, "B' or '1'='1", &list));
  EXPECT_EQ(list.count(), 0);
  list.clear();
  ASSERT_TRUE(Data::SearchSongs("x'; delete from NMusicList; --", &list));
  EXPECT_EQ(Rows(Data::CatalogFile(), "select count(*) from NMusicList"), QStringList{"6"});
  EXPECT_EQ(boxes.Texts(), QStringList{"查找不到任何数据！（不支持模糊查找，请输入准确名称！）"});
}

TEST_F(DataTest, ExactSearchHitMissAndEmptyName) {
  StatementLog log;
  ASSERT_TRUE(Data::SearchSongs("茉莉花", &list));
  EXPECT_EQ(log.statements.last(),
            "select NMusicList.ID,NMusicList.MusicName,NNClass.NClass from NMusicList,NNClass "
            "where NMusicList.MusicName = '茉莉花' and NMusicList.NClassID = NNClass.NClassID ;");
  EXPECT_EQ(Texts(list), (QStringList{"茉莉花\t白云飞", "茉莉花\tBravo Lane"}));
  EXPECT_EQ(Ids(list), (QList<int32_t>{103, 104}));
  EXPECT_TRUE(boxes.Boxes().isEmpty());

  // Search adds to what the caller left in the list.
  ASSERT_TRUE(Data::SearchSongs("Danny Boy", &list));
  EXPECT_EQ(list.count(), 3);

  list.clear();
  ASSERT_TRUE(Data::SearchSongs("No Such Song", &list));
  EXPECT_EQ(list.count(), 0);
  ASSERT_EQ(boxes.Boxes().size(), 1);
  EXPECT_EQ(boxes.Boxes()[0].text, "查找不到任何数据！（不支持模糊查找，请输入准确名称！）");
  EXPECT_EQ(boxes.Boxes()[0].caption, "查找提醒");

  EXPECT_FALSE(Data::SearchSongs("", &list));
  ASSERT_EQ(boxes.Boxes().size(), 3);
  EXPECT_TRUE(boxes.Boxes()[1].text.startsWith("查询错误："));
  EXPECT_TRUE(boxes.Boxes()[1].caption.isEmpty());
  EXPECT_EQ(boxes.Boxes()[2].text, "查找专辑失败！");
  EXPECT_EQ(boxes.Boxes()[2].caption, "Error!");
}

TEST_F(DataTest, RelativeAddressIsCompletedAndRewrittenOnce) {
  StatementLog log;
  const QString expected = "http://files.test/musicfiles/q731_com_music/a012/greensleeves.wma";
  EXPECT_EQ(Data::GetSongUrl(100), expected);
  EXPECT_EQ(Rows(Data::CatalogFile(), "select URL from NMusicList where ID=100"),
            QStringList{"q731_com_music/a012/greensleeves.wma"});
  EXPECT_TRUE(log.Ran("update NMusicList"));
  log.statements.clear();
  EXPECT_EQ(Data::GetSongUrl(100), expected);
  EXPECT_FALSE(log.Ran("update"));  // already rewritten: nothing to store

  // Every occurrence is rewritten.
  EXPECT_EQ(Data::GetSongUrl(104),
            "http://files.test/musicfiles/q731_com_music/x/q731_com_music/y.wma");
  EXPECT_TRUE(boxes.Boxes().isEmpty());
}

TEST_F(DataTest, AbsoluteAddressesAreLeftAlone) {
  StatementLog log;
  EXPECT_EQ(Data::GetSongUrl(101), "http://mediaserver.test/music/a012/danny_boy.wma");
  EXPECT_FALSE(log.Ran("update"));
  // Only a lower-case "http" start counts as absolute.
  EXPECT_EQ(Data::GetSongUrl(102), "http://files.test/musicfiles/HTTP/odd/case.wma");
  EXPECT_EQ(Rows(Data::CatalogFile(), "select URL from NMusicList where ID=102"),
            QStringList{"HTTP/odd/case.wma"});
}

TEST_F(DataTest, UnknownSongGivesNothing) {
  EXPECT_EQ(Data::GetSongUrl(999), "");
  EXPECT_TRUE(boxes.Boxes().isEmpty());
  EXPECT_EQ(Data::GetSongUrl(0), "");  // no statement at all: the query error is shown
  EXPECT_EQ(boxes.Boxes().size(), 1);
}

TEST_F(DataTest, MissingOrCorruptCatalogIsReportedNotCreated) {
  ASSERT_TRUE(Data::ListSingers(0, "B", &list));
  ASSERT_GT(list.count(), 0);
  QFile::remove(Data::CatalogFile());
  EXPECT_FALSE(Data::ListSingers(0, "A", &list));
  EXPECT_EQ(list.count(), 0);  // no singers of the earlier query left standing
  EXPECT_FALSE(QFile::exists(Data::CatalogFile()));
  ASSERT_EQ(boxes.Boxes().size(), 2);
  EXPECT_TRUE(boxes.Boxes()[0].text.startsWith("查询错误："));
  EXPECT_EQ(boxes.Boxes()[1].text, "查找歌手失败！");
  EXPECT_EQ(boxes.Boxes()[1].caption, "Error!");

  folder.Write("data/db.dll", QByteArray("not a database at all").repeated(200));
  EXPECT_FALSE(Data::ListAlbums(1, &list));
  EXPECT_FALSE(Data::ListSongs(1, &list));
  EXPECT_EQ(Data::GetSongUrl(100), "");
  EXPECT_EQ(boxes.Texts().mid(2), (QStringList{boxes.Texts()[2], "查找专辑失败！", boxes.Texts()[4],
                                               "查找专辑失败！", boxes.Texts()[6]}));
  for (int i : {2, 4, 6}) EXPECT_TRUE(boxes.Texts()[i].startsWith("查询错误：")) << i;
}

TEST(DemoCatalog, HasTypesSingersAlbumsAndBothKindsOfAddress) {
  const QString file = QString(SONAVEIL_APP_DIR) + "/data/db.dll";
  ASSERT_TRUE(QFile::exists(file));
  EXPECT_GE(Rows(file, "select count(*) from SClass").value(0).toInt(), 4);
  EXPECT_GE(Rows(file, "select count(*) from NNClass").value(0).toInt(), 20);
  EXPECT_GE(Rows(file, "select count(distinct Abcd) from NNClass").value(0).toInt(), 5);
  EXPECT_GT(Rows(file, "select count(*) from NSpecial").value(0).toInt(), 0);
  EXPECT_GT(Rows(file, "select count(*) from NMusicList where URL like 'http%'").value(0).toInt(),
            0);
  EXPECT_GT(
      Rows(file, "select count(*) from NMusicList where URL like 'newmusic/%'").value(0).toInt(),
      0);
  // Every song belongs to an album of its own singer.
  EXPECT_EQ(Rows(file,
                 "select count(*) from NMusicList m left join NSpecial s on "
                 "m.SpecialID=s.SpecialID where s.NClassID is null or s.NClassID<>m.NClassID"),
            QStringList{"0"});
}

}  // namespace
