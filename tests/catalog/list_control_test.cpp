#include "catalog/list_control.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QListWidget>
#include <optional>

#include "catalog/catalog_fixture.h"
#include "state/shared_state.h"

namespace {

SongRecord Song(const QString& name, const QString& title, const QString& author, int16_t web,
                const QString& lyric = QString()) {
  SongRecord song;
  song.Name = name;
  song.Path = web ? "/home/user/音乐/" + name : "http://mediaserver.test/music/" + name;
  song.Title = title;
  song.Author = author;
  song.Web = web;
  song.Lyric = lyric;
  song.Length = "215";          // never stored
  song.LyricId = "lrc-000123";  // never stored
  return song;
}

void SetPlaylist(const QList<SongRecord>& songs) {
  Playlist.Clear();
  for (int i = 0; i < songs.size(); ++i) Playlist[i] = songs[i];
  PlaylistCount = static_cast<int16_t>(songs.size());
}

class ListControlTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetSharedState(); }
  void TearDown() override { ResetSharedState(); }
  QString UserDb() const { return ListControl::UserDatabaseFile(); }

  TempAppFolder folder;
  MsgBoxRecorder boxes;
};

TEST_F(ListControlTest, ThreeEntriesRoundTripInOrderWithoutLengthOrLyricId) {
  const QList<SongRecord> songs = {
      Song("moli_hua.wma", "茉莉花", "白云飞", 0, "好一朵美丽的茉莉花\r\n芬芳美丽满枝桠"),
      Song("it's.mp3", "Rock'n'Roll", "Brian O'Neil", 1, "Don't stop, won't stop — 'quoted'"),
      Song("empty.wav", "", "", 1),
  };
  SetPlaylist(songs);
  ASSERT_FALSE(QFile::exists(UserDb()));
  ListControl::SavePlaylist();
  ASSERT_TRUE(QFile::exists(UserDb()));  // made with its table on the first save
  EXPECT_EQ(Rows(UserDb(), "select ID,Name,Web from NUser"),
            (QStringList{"1|moli_hua.wma|0", "2|it's.mp3|1", "3|empty.wav|1"}));
  EXPECT_EQ(Rows(UserDb(), "pragma user_version"), QStringList{"1"});  // which version made it

  ResetSharedState();
  ListControl::LoadPlaylist();
  ASSERT_EQ(PlaylistCount, 3);
  for (int i = 0; i < 3; ++i) {
    SongRecord expected = songs[i];
    expected.Length.clear();
    expected.LyricId.clear();
    EXPECT_EQ(Playlist[i], expected) << i;
  }
  EXPECT_EQ(Playlist[3], SongRecord{});
  EXPECT_TRUE(boxes.Boxes().isEmpty());
}

TEST_F(ListControlTest, AFullPlaylistOf5001EntriesRoundTrips) {
  QList<SongRecord> songs;
  for (int i = 0; i < PlaylistArray::kSlots; ++i)
    songs << Song(QString("第%1首.wma").arg(i), i % 2 ? QString("歌'%1").arg(i) : QString(),
                  QString("歌手%1").arg(i % 50), static_cast<int16_t>(i % 2));
  SetPlaylist(songs);
  ListControl::SavePlaylist();
  ResetSharedState();
  ListControl::LoadPlaylist();
  ASSERT_EQ(PlaylistCount, 5001);
  EXPECT_EQ(Playlist[0].Name, "第0首.wma");
  EXPECT_EQ(Playlist[4999].Title, "歌'4999");
  EXPECT_EQ(Playlist[5000].Author, "歌手0");
  EXPECT_EQ(Playlist[5000].Length, "");
  for (int i = 0; i < PlaylistArray::kSlots; i += 997) EXPECT_EQ(Playlist[i].Path, songs[i].Path);
}

TEST_F(ListControlTest, MoreRowsThanSlotsLeaveTheCountAlone) {
  QStringList statements{
      "create table NUser(ID integer, Name text, Path text, Title text,"
      " Web integer, author text, Lyric text)"};
  statements << "with recursive n(i) as (select 1 union all select i+1 from n where i<5002) "
                "insert into NUser select i,'s'||i,'p','t',0,'a','' from n";
  RunSql(UserDb(), statements);
  PlaylistCount = 7;
  ListControl::LoadPlaylist();
  EXPECT_EQ(PlaylistCount, 7);
  EXPECT_EQ(Playlist[5000].Name, "s5001");  // slots read before the overflow keep their values
}

TEST_F(ListControlTest, EmptyTableLeavesTheCountAlone) {
  SetPlaylist({});
  ListControl::SavePlaylist();
  EXPECT_TRUE(Rows(UserDb(), "select * from NUser").isEmpty());
  PlaylistCount = 2;
  ListControl::LoadPlaylist();
  EXPECT_EQ(PlaylistCount, 2);
}

TEST_F(ListControlTest, AFailedInsertLeavesTheStoredPlaylistWhole) {
  SetPlaylist({Song("a.wma", "A", "x", 0), Song("b.wma", "B", "y", 0)});
  ListControl::SavePlaylist();
  // The database refuses one row of the next save.
  RunSql(UserDb(), {"create trigger refuse before insert on NUser when new.name='boom.wma' "
                    "begin select raise(abort, 'refused'); end"});
  SetPlaylist(
      {Song("c.wma", "C", "z", 0), Song("boom.wma", "Boom", "z", 0), Song("d.wma", "D", "z", 0)});
  ListControl::SavePlaylist();
  EXPECT_EQ(Rows(UserDb(), "select ID,Name from NUser"), (QStringList{"1|a.wma", "2|b.wma"}));
  EXPECT_TRUE(boxes.Boxes().isEmpty());  // saving fails silently
}

TEST_F(ListControlTest, ShowReadsTheTableOnceThenShowsTheArray) {
  SetPlaylist({Song("a.wma", "", "x", 0), Song("b.wma", "Bee", "y", 1)});
  ListControl::SavePlaylist();
  ResetSharedState();

  QListWidget list;
  StatementLog log;
  ASSERT_TRUE(ListControl::ShowPlaylist(&list));
  EXPECT_TRUE(PlaylistLoaded);
  EXPECT_TRUE(log.Ran("select ID,Name,Path,Title,Web,author,Lyric from NUser"));
  EXPECT_EQ(Texts(list), (QStringList{"a.wma", "Bee"}));  // the title, else the name
  EXPECT_EQ(list.currentRow(), 0);
  EXPECT_FALSE(log.Ran("delete from NUser"));  // stored just as read: nothing to write back

  // Changes on disk are not read again; the array is the master and overwrites them.
  RunSql(UserDb(), {"insert into NUser values (3,'sneaked.wma','p','',0,'','')"});
  log.statements.clear();
  ASSERT_TRUE(ListControl::ShowPlaylist(&list));
  EXPECT_FALSE(log.Ran("select ID,Name,Path"));
  EXPECT_EQ(Texts(list), (QStringList{"a.wma", "Bee"}));
  EXPECT_EQ(Rows(UserDb(), "select Name from NUser"), (QStringList{"a.wma", "b.wma"}));
}

TEST_F(ListControlTest, SelectionIsKeptAcrossARefresh) {
  QList<SongRecord> songs;
  for (int i = 0; i < 5; ++i) songs << Song(QString("%1.wma").arg(i), "", "", 0);
  SetPlaylist(songs);
  PlaylistLoaded = true;
  QListWidget list;
  ASSERT_TRUE(ListControl::ShowPlaylist(&list));
  list.setCurrentRow(2);
  ASSERT_TRUE(ListControl::ShowPlaylist(&list));
  EXPECT_EQ(list.currentRow(), 2);

  // The selected last entry goes away: nothing is selected, and the save still happens.
  list.setCurrentRow(4);
  PlaylistCount = 4;
  Playlist[4] = SongRecord{};
  ASSERT_TRUE(ListControl::ShowPlaylist(&list));
  EXPECT_EQ(list.count(), 4);
  EXPECT_EQ(list.currentRow(), -1);
  EXPECT_EQ(Rows(UserDb(), "select count(*) from NUser"), QStringList{"4"});

  // An empty playlist selects nothing and stores nothing.
  PlaylistCount = 0;
  Playlist.Clear();
  ASSERT_TRUE(ListControl::ShowPlaylist(&list));
  EXPECT_EQ(list.count(), 0);
  EXPECT_EQ(Rows(UserDb(), "select count(*) from NUser"), QStringList{"0"});
}

TEST_F(ListControlTest, NoStoredPlaylistIsAnEmptyOneWithoutAWord) {
  QListWidget list;
  ASSERT_TRUE(ListControl::ShowPlaylist(&list));
  EXPECT_EQ(list.count(), 0);
  EXPECT_EQ(PlaylistCount, 0);
  EXPECT_TRUE(boxes.Boxes().isEmpty());
}

// A stored playlist that cannot be read is reported, left alone by the start, and copied
// aside before the first save overwrites it: no stored row is lost.
TEST_F(ListControlTest, AnUnreadablePlaylistIsReportedAndKept) {
  const QString table =
      "create table NUser(ID integer, Name text, Path text, Title text, Web integer,"
      " author text, Lyric text)";
  const QString rows5002 =
      "with recursive n(i) as (select 1 union all select i+1 from n where i<5002) "
      "insert into NUser select i,'s'||i,'p','t',0,'a','' from n";
  struct Case {
    const char* what;
    QStringList sql;
    bool lock;
    QByteArray bytes;
  };
  const Case cases[] = {
      {"a web flag that is no number",
       {table, "insert into NUser values (1,'a','p','',1,'','')",
        "insert into NUser values (2,'b','p','','local','','')"},
       false,
       {}},
      {"more rows than slots", {table, rows5002}, false, {}},
      {"a file locked past the busy time-out",
       {table, "insert into NUser values (1,'a','p','',1,'','')"},
       true,
       {}},
      {"a damaged file", {}, false, QByteArray("garbage").repeated(1000)},
      {"a file of a later version",
       {table, "insert into NUser values (1,'a','p','',1,'','')", "pragma user_version = 2"},
       false,
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ResetSharedState();
    boxes.Clear();
    QFile::remove(UserDb());
    QFile::remove(ListControl::BackupFile());
    if (c.bytes.isEmpty())
      RunSql(UserDb(), c.sql);
    else
      folder.Write("data/user.dll", c.bytes);
    QFile original(UserDb());
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    const QByteArray before = original.readAll();
    original.close();

    std::optional<ExclusiveLock> holder;
    if (c.lock) holder.emplace(UserDb());
    QListWidget list;
    EXPECT_TRUE(ListControl::ShowPlaylist(&list));
    holder.reset();
    ASSERT_EQ(boxes.Boxes().size(), 1);
    EXPECT_TRUE(boxes.Texts()[0].contains("data/user.dll.bak"));
    EXPECT_EQ(list.count(), 0);
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    EXPECT_EQ(original.readAll(), before) << "the start wrote to the stored playlist";
    original.close();

    // The user adds a song, and the program saves: the old file is kept aside first.
    Playlist[0] = Song("new.wma", "新", "", 0);
    PlaylistCount = 1;
    ASSERT_TRUE(ListControl::ShowPlaylist(&list));
    QFile backup(ListControl::BackupFile());
    ASSERT_TRUE(backup.open(QIODevice::ReadOnly));
    EXPECT_EQ(backup.readAll(), before);
    EXPECT_EQ(Rows(UserDb(), "select Name from NUser"), QStringList{"new.wma"});
  }
}

TEST_F(ListControlTest, ACountPastTheSlotsIsReportedNotACrash) {
  PlaylistLoaded = true;
  PlaylistCount = 5002;  // a corrupted count
  QListWidget list;
  EXPECT_FALSE(ListControl::ShowPlaylist(&list));
  EXPECT_EQ(boxes.Texts(), QStringList{"显示列表错误！"});
  EXPECT_EQ(boxes.Boxes()[0].caption, "Error!");
  EXPECT_FALSE(QFile::exists(UserDb()));  // no save after a failed refresh
}

}  // namespace
