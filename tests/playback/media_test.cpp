#include "playback/media.h"

#include <gtest/gtest.h>

#include <QListWidget>
#include <QStringEncoder>
#include <QTimer>
#include <QUrl>
#include <cstdio>

#include "catalog/catalog_fixture.h"
#include "catalog/list_control.h"
#include "platform/file_dialog.h"
#include "playback/playlist_file.h"
#include "state/shared_state.h"
#include "support/fake_media_player.h"
#include "support/test_env.h"

namespace {

// The media operations on the main window's controls, with a player the test controls.
class MediaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSharedState();
    PlaylistLoaded = true;
    player->setParent(window.get());
    QObject::connect(List1, &QListWidget::currentRowChanged, [](int row) {
      if (row >= 0) CurrentIndex = static_cast<int16_t>(row);
    });
  }
  void TearDown() override {
    FileDialog::SetAnswerer(nullptr);
    window.reset();
    ResetSharedState();
  }

  void AddEntries(int count, int16_t web = 0) {
    for (int i = 0; i < count; ++i) {
      Playlist[PlaylistCount].Name = QString("%1.mp3").arg(PlaylistCount);
      Playlist[PlaylistCount].Path = QString("/music/%1.mp3").arg(PlaylistCount);
      Playlist[PlaylistCount].Web = web;
      ++PlaylistCount;
    }
    ListControl::ShowPlaylist(List1);
  }

  // Answers the file dialog with these files, made in the test's folder.
  QStringList AnswerFiles(const QStringList& names) {
    QStringList files;
    for (const QString& name : names) {
      folder.Write(name, "x");
      files << folder.File(name);
    }
    FileDialog::SetAnswerer([files](const FileDialog::Request& request) {
      EXPECT_EQ(request.kind, FileDialog::Request::kOpenFiles);
      EXPECT_TRUE(request.filter.contains("*.mp3"));
      return files;
    });
    return files;
  }

  TempAppFolder folder;
  MsgBoxRecorder boxes;
  FakeMediaPlayer* player = new FakeMediaPlayer;
  // The playlist box, whose row that becomes current sets CurrentIndex as the window's does.
  std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
  QListWidget* List1 = new QListWidget(window.get());
};

TEST_F(MediaTest, AddingLocalFiles) {
  AnswerFiles({});
  EXPECT_TRUE(Media::AddLocalFiles(window.get(), List1));
  EXPECT_EQ(PlaylistCount, 0);
  EXPECT_TRUE(QFile::exists(ListControl::UserDatabaseFile()));  // the list was still redrawn

  const QString one = AnswerFiles({"音乐/one.mp3"}).first();
  EXPECT_TRUE(Media::AddLocalFiles(window.get(), List1));
  ASSERT_EQ(PlaylistCount, 1);
  EXPECT_EQ(Playlist[0].Name, "one.mp3");
  EXPECT_EQ(Playlist[0].Path, one);
  EXPECT_EQ(Playlist[0].Web, 1);

  const QStringList three = AnswerFiles({"m/b.wma", "m/a.wav", "m/c.mid"});
  EXPECT_TRUE(Media::AddLocalFiles(window.get(), List1));
  ASSERT_EQ(PlaylistCount, 4);
  EXPECT_EQ(Playlist[1].Path, three[0]);
  EXPECT_EQ(Playlist[3].Name, "c.mid");
  EXPECT_EQ(List1->count(), 4);
  EXPECT_EQ(Rows(ListControl::UserDatabaseFile(), "select count(*) from NUser"), QStringList{"4"});
  EXPECT_TRUE(boxes.Boxes().isEmpty());
}

TEST_F(MediaTest, AddingToAFullPlaylist) {
  PlaylistCount = 5000;
  AnswerFiles({"m/last.mp3", "m/over.mp3", "m/over2.mp3"});
  EXPECT_FALSE(Media::AddLocalFiles(window.get(), List1));
  EXPECT_EQ(PlaylistCount, 5001);  // the one that fitted stays
  EXPECT_EQ(Playlist[5000].Name, "last.mp3");
  EXPECT_EQ(boxes.Texts(), QStringList{"本地文件打开错误！"});

  // A single file that does not fit is left out quietly.
  AnswerFiles({"m/one_more.mp3"});
  EXPECT_TRUE(Media::AddLocalFiles(window.get(), List1));
  EXPECT_EQ(PlaylistCount, 5001);
  EXPECT_EQ(boxes.Boxes().size(), 1);
  EXPECT_FALSE(Media::AddSongToList("http://h/x.wma", "", "", List1));

  // A playlist file stops at the limit; what was there and what fitted is stored.
  PlaylistCount = 4999;
  folder.Write("m/list.m3u", "last.mp3\nover.mp3\nover2.mp3\n");
  EXPECT_FALSE(Media::AddFiles({folder.File("m/list.m3u")}, List1));
  EXPECT_EQ(Playlist[5000].Name, "over.mp3");
  EXPECT_EQ(boxes.Texts().last(), "本地文件打开错误！");
  EXPECT_EQ(Rows(ListControl::UserDatabaseFile(), "select count(*) from NUser"),
            QStringList{"5001"});
}

// Playlist files add their entries as if each had been chosen on its own.
TEST_F(MediaTest, AddingPlaylistFiles) {
  QStringEncoder gbk("GBK");
  for (const char* name : {"list/月亮.mp3", "list/sub/b.ogg", "other/c.flac", "other/d.wv"})
    folder.Write(name, "x");
  // A file whose name is GBK bytes, unpacked from a Windows archive.
  const QByteArray gbkName = QFile::encodeName(folder.File("list/")) + gbk(u"邓丽君.mp3");
  std::fclose(std::fopen(gbkName.constData(), "w"));
  folder.Write("list/old.m3u",
               gbk(QString("#EXTM3U\n#EXTINF:215,甜蜜蜜\r\n月亮.mp3\r\nsub\\b.ogg\n"
                           "#EXTINF:-1,小说\nhttp://radio.test/live/stream\n"
                           "gone.mp3\n邓丽君.mp3\n%1\n")
                       .arg(QUrl::fromLocalFile(folder.File("other/d.wv")).toString())));
  folder.Write("other/new.pls",
               "[playlist]\nFile2=c.flac\nFile1=../list/月亮.mp3\nTitle1=第一首\n");
  folder.Write("other/new.m3u8", QString(folder.File("list/月亮.mp3") + "\n").toUtf8());
  // A name Qt made text of (a file dialog's answer) has lost its bytes.
  const QString lost = folder.File("list/\ufffd\ufffd.mp3");
  EXPECT_TRUE(Media::AddFiles({folder.File("list/old.m3u"), folder.File("other/new.pls"),
                               folder.File("other/new.m3u8"), lost},
                              List1));
  QStringList added;
  for (int i = 0; i < PlaylistCount; ++i)
    added << QString("%1|%2|%3|%4")
                 .arg(QString(Playlist[i].Path).remove(folder.Path() + "/"), Playlist[i].Name,
                      Playlist[i].Title)
                 .arg(Playlist[i].Web);
  EXPECT_EQ(added, (QStringList{"list/月亮.mp3|月亮.mp3|甜蜜蜜|1", "list/sub/b.ogg|b.ogg||1",
                                "http://radio.test/live/stream|stream|小说|0",
                                "file://list/%B5%CB%C0%F6%BE%FD.mp3|邓丽君.mp3||1",
                                "other/d.wv|d.wv||1", "list/月亮.mp3|月亮.mp3|第一首|1",
                                "other/c.flac|c.flac||1", "list/月亮.mp3|月亮.mp3||1"}));
  EXPECT_EQ(boxes.Texts(), QStringList{"1 个文件不存在，已跳过。\n以下文件的名称不是 UTF-8 编码，"
                                       "无法播放，请改名后再添加：\n" +
                                       lost});
  std::remove(gbkName.constData());  // QTemporaryDir does not see it
}

// Lists that list themselves, nest too deep, hold more than the playlist, or are too large.
TEST_F(MediaTest, AddingPlaylistFilesThatAskTooMuch) {
  folder.Write("l/a.mp3", "x");
  folder.Write("l/self.m3u", "a.mp3\n" + QByteArray("self.m3u\n").repeated(20));
  for (int i = 0; i < 4; ++i)  // 0.m3u lists 1.m3u, which lists 2.m3u ...
    folder.Write(QString("l/%1.m3u").arg(i), QString("%1.m3u\na.mp3\n").arg(i + 1).toUtf8());
  folder.Write("l/many.m3u", QByteArray("http://radio.test/live\n").repeated(6000));
  folder.Write("l/large.m3u", QByteArray((16 << 20) + 1, '#'));
  EXPECT_TRUE(Media::AddFiles(
      {folder.File("l/self.m3u"), folder.File("l/0.m3u"), folder.File("l/large.m3u")}, List1));
  EXPECT_EQ(PlaylistCount, 4);  // a.mp3 from self.m3u once, and from 0, 1 and 2.m3u
  EXPECT_EQ(boxes.Texts().join('|'),
            "以下播放列表嵌套超过 3 层，未读取：\n" + folder.File("l/3.m3u") +
                "\n以下播放列表文件大于 16 MB，未读取：\n" + folder.File("l/large.m3u"));
  EXPECT_EQ(PlaylistFile::Expand({folder.File("l/many.m3u")}, {}).entries.size(), 5002);
}

TEST_F(MediaTest, AddingCatalogAndSearchSongs) {
  EXPECT_TRUE(Media::AddSongToList("http://files.test/musicfiles/q731_com_music/a/kd.wma",
                                   "康定情歌", "白云飞", List1));
  EXPECT_EQ(Playlist[0].Name, "kd.wma");
  EXPECT_EQ(Playlist[0].Title, "康定情歌");
  EXPECT_EQ(Playlist[0].Author, "白云飞");
  EXPECT_EQ(Playlist[0].Web, 0);

  EXPECT_TRUE(Media::AddSongToList("http://h/a/", "my song", "somebody", List1));
  EXPECT_EQ(Playlist[1].Name, "");  // an address ending in a slash has no name
  EXPECT_EQ(List1->item(1)->text(), "my song");
}

TEST_F(MediaTest, PlayLoadsOrResumes) {
  AddEntries(3);
  List1->setCurrentRow(1);
  ASSERT_EQ(CurrentIndex, 1);
  EXPECT_TRUE(Media::PlayMedia(*player));
  EXPECT_EQ(player->calls, (QStringList{"setURL /music/1.mp3", "play"}));
  EXPECT_EQ(PlayingIndex, 1);

  // Paused: the loaded media resumes, whatever is selected; PlayingIndex still follows.
  player->calls.clear();
  Paused = true;
  List1->setCurrentRow(2);
  EXPECT_TRUE(Media::PlayMedia(*player));
  EXPECT_EQ(player->calls, QStringList{"play"});
  EXPECT_EQ(PlayingIndex, 2);

  // Past the end: nothing to play.
  player->calls.clear();
  CurrentIndex = 3;
  EXPECT_TRUE(Media::PlayMedia(*player));
  EXPECT_TRUE(player->calls.isEmpty());
}

TEST_F(MediaTest, PauseStopPositionLengthAndVolume) {
  AddEntries(2);
  List1->setCurrentRow(1);
  Media::PauseMedia(*player);  // not playing: nothing
  EXPECT_TRUE(player->calls.isEmpty());
  player->state = MediaPlayer::wmppsPlaying;
  Media::PauseMedia(*player);
  EXPECT_EQ(player->calls, QStringList{"pause"});
  EXPECT_EQ(CurrentIndex, 1);  // pausing keeps the current entry
  EXPECT_TRUE(Media::StopMedia(*player));
  EXPECT_EQ(player->calls.last(), "stop");

  player->duration = 215.6;
  player->position = 2.5;
  int16_t index = 1;
  EXPECT_EQ(Media::GetMediaLength(*player, index), 216);
  EXPECT_EQ(Playlist[1].Length, "216");
  EXPECT_EQ(Media::GetMediaPosition(*player), 2);  // halves go to even
  player->position = 3.5;
  EXPECT_EQ(Media::GetMediaPosition(*player), 4);
  EXPECT_TRUE(Media::SetMediaPosition(*player, 100));
  EXPECT_EQ(player->calls.last(), "seek 100");

  player->state = MediaPlayer::wmppsStopped;
  Playlist[1].Length = "7";
  EXPECT_EQ(Media::GetMediaLength(*player, index), 0);
  EXPECT_EQ(Playlist[1].Length, "7");
  EXPECT_EQ(Media::GetMediaPosition(*player), 0);
  player->calls.clear();
  EXPECT_TRUE(Media::SetMediaPosition(*player, 30));  // not playing: no seek, still true
  EXPECT_TRUE(player->calls.isEmpty());

  EXPECT_TRUE(Media::SetVolume(*player, 80));
  EXPECT_EQ(Media::GetVolume(*player), 80);
  EXPECT_TRUE(boxes.Boxes().isEmpty());
}

// An index outside the playlist is a failure of the operation.
TEST_F(MediaTest, AFailureShowsItsMessageAndGivesTheFailureValue) {
  AddEntries(1);
  player->state = MediaPlayer::wmppsPlaying;
  int16_t index = 5001;
  EXPECT_EQ(Media::GetMediaLength(*player, index), -1);
  EXPECT_EQ(boxes.Texts(), QStringList{"获取播放长度错误！"});
  EXPECT_EQ(boxes.Boxes()[0].caption, "Error!");
}

TEST_F(MediaTest, MediaInfoFillsTheEntryOnceItPlays) {
  AddEntries(1, /*web=*/1);
  AddEntries(1, /*web=*/0);
  Playlist[1].Title = "catalog title";
  player->info = {{"Title", "Tagged Title"}, {"Author", "Tagged Artist"}};
  player->duration = 215.625;
  List1->setCurrentRow(0);
  player->url = Playlist[0].Path;
  EXPECT_TRUE(Media::GetMediaInfo(*player, List1));  // not playing: the entry stays as it is
  EXPECT_EQ(Playlist[0].Title, "");
  player->state = MediaPlayer::wmppsPlaying;
  EXPECT_TRUE(Media::GetMediaInfo(*player, List1));
  EXPECT_EQ(Playlist[0].Title, "Tagged Title");
  EXPECT_EQ(Playlist[0].Author, "Tagged Artist");
  EXPECT_EQ(Playlist[0].Length, "215.625");
  EXPECT_EQ(List1->item(0)->text(), "Tagged Title");

  List1->setCurrentRow(1);
  player->url = Playlist[1].Path;
  EXPECT_TRUE(Media::GetMediaInfo(*player, List1));
  EXPECT_EQ(Playlist[1].Title, "catalog title");  // a catalog song keeps its own
  EXPECT_EQ(Playlist[1].Length, "215.625");

  // A local file without tags falls back to its name in the list.
  player->info.clear();
  List1->setCurrentRow(0);
  player->url = Playlist[0].Path;
  EXPECT_TRUE(Media::GetMediaInfo(*player, List1));
  EXPECT_EQ(List1->item(0)->text(), "0.mp3");
}

TEST_F(MediaTest, DeletingEntries) {
  AddEntries(3);
  List1->setCurrentRow(1);
  Media::PlayMedia(*player);
  player->state = MediaPlayer::wmppsPlaying;
  player->calls.clear();

  // Not the entry in the player: playback goes on.
  List1->setCurrentRow(2);
  Media::DeleteSong(*player, List1, {});
  EXPECT_EQ(PlaylistCount, 2);
  EXPECT_FALSE(player->calls.contains("stop"));
  EXPECT_EQ(Playlist[2], SongRecord{});

  // The entry in the player: it stops, and the later entries move down.
  List1->setCurrentRow(1);
  Media::DeleteSong(*player, List1, {});
  EXPECT_TRUE(player->calls.contains("stop"));
  EXPECT_EQ(PlaylistCount, 1);
  EXPECT_EQ(Playlist[0].Name, "0.mp3");
  EXPECT_EQ(Rows(ListControl::UserDatabaseFile(), "select Name from NUser"), QStringList{"0.mp3"});

  // Nothing to delete: nothing changes.
  CurrentIndex = 1;
  Media::DeleteSong(*player, List1, {});
  EXPECT_EQ(PlaylistCount, 1);

  List1->setCurrentRow(0);
  Media::DeleteSong(*player, List1, {});
  EXPECT_EQ(PlaylistCount, 0);
  EXPECT_EQ(Playlist[0], SongRecord{});
  Media::DeleteSong(*player, List1, {});
  EXPECT_EQ(PlaylistCount, 0);
  EXPECT_TRUE(boxes.Boxes().isEmpty());
}

TEST_F(MediaTest, DeletingEverythingFromAFullPlaylist) {
  for (int i = 0; i < PlaylistArray::kSlots; ++i) Playlist[i].Name = QString::number(i);
  PlaylistCount = PlaylistArray::kSlots;
  ListControl::ShowPlaylist(List1);
  List1->setCurrentRow(0);
  Media::DeleteAllSongs(*player, List1, {});
  EXPECT_EQ(PlaylistCount, 0);
  EXPECT_EQ(Playlist[5000], SongRecord{});
  EXPECT_EQ(List1->count(), 0);
  EXPECT_TRUE(player->calls.contains("stop"));
  EXPECT_EQ(Rows(ListControl::UserDatabaseFile(), "select count(*) from NUser"), QStringList{"0"});
}

}  // namespace
