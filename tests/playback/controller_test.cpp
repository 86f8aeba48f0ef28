#include <gtest/gtest.h>

#include <QAccessible>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "app/frmmain.h"
#include "catalog/catalog_fixture.h"
#include "catalog/list_control.h"
#include "platform/endpoints.h"
#include "platform/file_dialog.h"
#include "playback/media.h"
#include "playback/now_playing.h"
#include "playback/playback_controller.h"
#include "skin/my_hscoll_bar.h"
#include "skin/picture_box.h"
#include "state/shared_state.h"
#include "support/fake_media_player.h"
#include "support/test_env.h"
#include "support/test_http_server.h"
#include "support/test_media.h"

namespace {

TEST(NowPlaying, LengthInMinutesAndSeconds) {
  struct Case {
    QString length;
    int minutes, seconds;
  } cases[] = {{"215", 3, 35}, {"215.6", 3, 36}, {"59.4", 0, 59}, {"", 0, 0},
               {"abc", 0, 0},  {"3600", 60, 0},  {"0", 0, 0}};
  for (const Case& c : cases) {
    int m = -1, s = -1;
    NowPlaying::LengthParts(c.length, &m, &s);
    EXPECT_EQ(m, c.minutes) << c.length.toStdString();
    EXPECT_EQ(s, c.seconds) << c.length.toStdString();
  }
  SongRecord song;
  song.Title = "茉莉花";
  song.Author = "白云飞";
  song.Length = "215";
  EXPECT_EQ(NowPlaying::SongText(song), "歌曲标题：茉莉花\r\n艺术家：白云飞\r\n歌曲长度：3分35秒");
  EXPECT_EQ(NowPlaying::PlayingText(song, "01:02"),
            "歌曲标题：茉莉花\r\n艺术家：白云飞\r\n歌曲长度：3分35秒\r\n当前时间：01:02");
  song.Title.clear(), song.Name = "晚风.ogg";  // untagged: its name, as the playlist shows
  EXPECT_TRUE(NowPlaying::SongText(song).startsWith("歌曲标题：晚风.ogg\r\n"));
}

TEST(Controller, StatusTextsAndDecisions) {
  EXPECT_EQ(PlaybackController::OpenStateText(3), "正在寻找Media Server");
  EXPECT_EQ(PlaybackController::OpenStateText(5), "正在打开或侦听流信息 ");
  EXPECT_EQ(PlaybackController::OpenStateText(0), "已经关闭");
  EXPECT_FALSE(PlaybackController::OpenStateText(7));
  EXPECT_FALSE(PlaybackController::OpenStateText(-1));
  EXPECT_EQ(PlaybackController::BufferingText(true, ""), "正在缓冲，请稍后...\r\n歌词：\r\n");
  EXPECT_EQ(PlaybackController::BufferingText(false, "词"), "歌词：\r\n词");

  for (const auto& [path, follows] : {std::pair{"/音乐/a.mp3", true},
                                      {"file:///a%B8.mp3", true},
                                      {"https://h/a.ogg", true},
                                      {"mms://h/a.wma", false},
                                      {"http://ph/a.wma", false},
                                      {"", false}})
    EXPECT_EQ(PlaybackController::CanFollowOn(path, "http://ph"), follows) << path;

  EXPECT_EQ(PlaybackController::MediaServerBaseFrom("var url = \"  mms://s.example/ \";"),
            "mms://s.example/");
  EXPECT_EQ(PlaybackController::MediaServerBaseFrom("a=\"first\";b=\"second\""), "first");
  EXPECT_FALSE(PlaybackController::MediaServerBaseFrom("no quotes"));
  EXPECT_EQ(
      PlaybackController::RepairedPath("http://ph/m/a.wma?x=http://ph/", "http://ph", "mms://s"),
      "mms://s/m/a.wma?x=mms://s/");
  EXPECT_FALSE(PlaybackController::RepairedPath("http://other/a.wma", "http://ph", "mms://s"));
  EXPECT_FALSE(PlaybackController::RepairedPath("http://PH/a.wma", "http://ph", "mms://s"));
  EXPECT_FALSE(PlaybackController::RepairedPath("http://ph/a.wma", "http://ph", ""));
}

// The window's playback handlers with a player the test controls.
class ControllerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSharedState();
    PlaylistLoaded = true;
    folder.Write("data/endpoints.ini", ("[endpoints]\nMediaScriptHost=" + server.Url("/") +
                                        "\nPlaceholderHostPrefix=http://placeholder.test\n")
                                           .toUtf8());
    ReloadEndpoints();
    window = std::make_unique<frmmain>(player);
    ui = Skin::FindFaceControls(window.get());
    for (QTimer* t : {&window->timWMP, &window->timList, &window->Timer1, &window->Timer3,
                      &window->timVol, &window->timButton, &window->Timer2})
      t->stop();
  }
  void TearDown() override {
    window.reset();
    ResetSharedState();
  }
  void AddEntries(int count) {
    for (int i = 0; i < count; ++i) {
      SongRecord& song = Playlist[PlaylistCount];
      song.Name = QString("%1.wma").arg(PlaylistCount);
      song.Path = QString("http://placeholder.test/music/%1.wma").arg(PlaylistCount);
      song.Title = QString("歌曲%1").arg(PlaylistCount);
      song.Author = "歌手";
      song.Lyric = QString("第%1首的歌词").arg(PlaylistCount);
      ++PlaylistCount;
    }
    ListControl::ShowPlaylist(ui.List1);
  }
  QString Label1() const { return ui.Label1->text(); }
  QString Text2() const { return ui.Text2->toPlainText(); }

  TestHttpServer server;
  TempAppFolder folder;
  MsgBoxRecorder boxes;
  FakeMediaPlayer* player = new FakeMediaPlayer;
  std::unique_ptr<frmmain> window;
  Skin::FaceControls ui;
};

TEST_F(ControllerTest, SelectingARowShowsItsTextAndLyric) {
  AddEntries(3);
  Playlist[1].Length = "215";
  ui.List1->setCurrentRow(1);
  EXPECT_EQ(CurrentIndex, 1);
  EXPECT_EQ(Label1(), "歌曲标题：歌曲1\n艺术家：歌手\n歌曲长度：3分35秒");
  EXPECT_EQ(Text2(), "歌词\n第1首的歌词");
  ui.List1->setCurrentRow(2);
  EXPECT_EQ(Label1(), "歌曲标题：歌曲2\n艺术家：歌手\n歌曲长度：0分0秒");
}

TEST_F(ControllerTest, TransportButtons) {
  AddEntries(3);
  ui.List1->setCurrentRow(0);
  window->ControlButton_Click(0);  // previous on the first row: nothing but timList
  EXPECT_TRUE(window->timList.isActive());
  EXPECT_TRUE(player->calls.isEmpty());

  window->ControlButton_Click(1);
  EXPECT_EQ(player->calls, (QStringList{"setURL http://placeholder.test/music/0.wma", "play"}));
  EXPECT_FALSE(Paused);
  player->state = MediaPlayer::wmppsPlaying;

  window->ControlButton_Click(2);
  EXPECT_TRUE(Paused);
  EXPECT_EQ(player->calls.last(), "pause");
  player->state = MediaPlayer::wmppsPaused;

  // Next while paused loads and plays the next entry.
  player->calls.clear();
  window->ControlButton_Click(4);
  EXPECT_EQ(CurrentIndex, 1);
  EXPECT_EQ(ui.List1->currentRow(), 1);
  EXPECT_EQ(player->calls, (QStringList{"setURL http://placeholder.test/music/1.wma", "play"}));
  EXPECT_FALSE(Paused);

  window->ControlButton_Click(4);
  player->calls.clear();
  window->timList.stop();
  window->ControlButton_Click(4);  // next on the last row: nothing but timList
  EXPECT_TRUE(player->calls.isEmpty());
  EXPECT_TRUE(window->timList.isActive());
  EXPECT_EQ(CurrentIndex, 2);

  window->ControlButton_Click(0);
  EXPECT_EQ(CurrentIndex, 1);
  EXPECT_EQ(player->calls.first(), "setURL http://placeholder.test/music/1.wma");

  window->ControlButton_Click(3);
  EXPECT_EQ(player->calls.last(), "stop");
  EXPECT_FALSE(Paused);
}

TEST_F(ControllerTest, PlayWithAnEmptyPlaylistOnlyStartsTheLyricTimer) {
  window->ControlButton_Click(1);
  EXPECT_TRUE(player->calls.isEmpty());
  EXPECT_TRUE(window->Timer1.isActive());
}

TEST_F(ControllerTest, DoubleClickPlaysTheRowOrResumesIt) {
  AddEntries(3);
  ui.List1->setCurrentRow(0);
  window->List1_DblClick();
  EXPECT_EQ(player->calls.last(), "play");
  EXPECT_EQ(PlayingIndex, 0);
  Paused = true;  // paused on entry 0
  player->calls.clear();
  window->List1_DblClick();  // the same row: resume
  EXPECT_EQ(player->calls, QStringList{"play"});
  ui.List1->setCurrentRow(2);
  player->calls.clear();
  window->List1_DblClick();  // another row: load it
  EXPECT_EQ(player->calls.first(), "setURL http://placeholder.test/music/2.wma");
  EXPECT_TRUE(window->timList.isActive());
}

// The entry after the current one waits in the player; when it takes over it becomes current
// as the advance makes it, without a new load. A move queues again; what cannot follow on plays
// once the song before has ended, and a live stream is never cut short.
TEST_F(ControllerTest, TheNextEntryFollowsOnOrPlaysAtTheEnd) {
  AddEntries(3);
  for (int i : {0, 1}) Playlist[i].Path = QString("/music/%1.mp3").arg(i);
  ui.List1->setCurrentRow(0);
  window->List1_DblClick();
  EXPECT_EQ(player->queued, "/music/1.mp3");
  Paused = true;  // left as it is by a switch
  player->calls.clear();
  window->Timer1.stop();
  emit player->QueuedMediaStarted(player->url = "/music/1.mp3");
  EXPECT_TRUE(player->calls.isEmpty() && Paused && window->Timer1.isActive());
  EXPECT_EQ(std::pair(ui.List1->currentRow(), int(PlayingIndex)), std::pair(1, 1));
  EXPECT_TRUE(Label1().startsWith("歌曲标题：歌曲1")) << Label1().toStdString();
  EXPECT_EQ(player->queued, "");  // the placeholder address must fail to be repaired
  ui.List1->setCurrentRow(2);
  EXPECT_EQ(player->queued, "/music/0.mp3");  // after the last, the first
  player->position = 7200;                    // a live stream, however long it plays
  window->timWMP_Timer();
  emit player->MediaEnded();
  ASSERT_TRUE(WaitUntil([&] { return !player->calls.isEmpty(); }));
  EXPECT_EQ(player->calls, (QStringList{"setURL /music/0.mp3", "play"}));
}

TEST_F(ControllerTest, PlayerEventsWriteTheStatus) {
  AddEntries(1);
  ui.List1->setCurrentRow(0);
  emit player->OpenStateChange(4);
  EXPECT_EQ(Text2(), "正在与Media Server建立连接");
  emit player->OpenStateChange(9);
  EXPECT_EQ(Text2(), "正在与Media Server建立连接");
  emit player->Buffering(true);
  EXPECT_EQ(Text2(), "正在缓冲，请稍后...\n歌词：\n第0首的歌词");
  emit player->Buffering(false);
  EXPECT_EQ(Text2(), "歌词：\n第0首的歌词");
}

TEST_F(ControllerTest, NowPlayingAndMediaInfoTicks) {
  AddEntries(1);
  ui.List1->setCurrentRow(0);
  player->duration = 215;
  player->position = 12.4;
  window->Timer3_Timer();  // not playing: nothing
  EXPECT_FALSE(Label1().contains("当前时间"));
  window->timList.start();
  window->timList_Timer();  // waits for playback

  player->url = Playlist[0].Path;  // the entry is the one loaded
  player->state = MediaPlayer::wmppsPlaying;
  emit player->PlayStateChange(MediaPlayer::wmppsPlaying);
  EXPECT_TRUE(window->timList.isActive());
  window->timList_Timer();
  EXPECT_FALSE(window->timList.isActive());
  EXPECT_EQ(Playlist[0].Length, "215");
  window->Timer3_Timer();
  EXPECT_EQ(Label1(), "歌曲标题：歌曲0\n艺术家：歌手\n歌曲长度：3分35秒\n当前时间：00:12");
}

// Song A plays while the user has selected B: what the player knows of A stays with A, and
// B keeps its own title in the stored playlist.
TEST_F(ControllerTest, TheInformationGoesToThePlayingEntryNotTheSelectedOne) {
  AddEntries(2);
  for (int i : {0, 1}) Playlist[i].Web = 1;  // local files: their tags count
  Playlist[1].Title = "B's own";
  FileDialog::SetAnswerer([](const FileDialog::Request&) { return QStringList(); });
  ui.List1->setCurrentRow(0);
  Media::PlayMedia(*player);
  player->state = MediaPlayer::wmppsPlaying;
  player->info = {{"Title", "A tagged"}, {"Author", "A singer"}};
  player->duration = 180;
  ui.List1->setCurrentRow(1);         // a single click on B
  for (int control : {5, 4, 2, 1}) {  // add files (cancelled), next on the last row, pause, play
    SCOPED_TRACE(control);
    window->ControlButton_Click(control);
    Media::GetMediaInfo(*player, ui.List1);
    EXPECT_EQ(Playlist[0].Title, "A tagged");
    EXPECT_EQ(Rows(ListControl::UserDatabaseFile(), "select Title from NUser"),
              (QStringList{"A tagged", "B's own"}));
  }
  FileDialog::SetAnswerer(nullptr);
}

// The window's lyric timer and transfer are wired to the lookup: a tick fetches the playing
// song's lyric and the box shows it; a timed lyric shows without its tags after buffering.
TEST_F(ControllerTest, TheLyricTimerFetchesAndTheBoxShowsTheLyric) {
  const QByteArray head = "<html><head><meta charset=utf-8></head><body><table><tr><td>";
  server.Route("/searchgc.asp",
               {.body = head + "<a href=\"showgeci.asp?lyricid=77\">x</a></td></tr></table>"});
  server.Route("/showgeci.asp",
               {.body = head + "x<br> <br>[00:01.00]第一句<br>[00:03.00]第二句</td></tr></table>"});
  folder.Write("data/endpoints.ini",
               ("[endpoints]\nLyricsSite=" + server.Url("/") + "\n").toUtf8());
  ReloadEndpoints();
  AddEntries(1);
  Playlist[0].Lyric.clear();
  ui.List1->setCurrentRow(0);
  Media::PlayMedia(*player);
  player->state = MediaPlayer::wmppsPlaying;
  for (int tick = 0; tick < 5 && !Playlist[0].Lyric.contains("第二句"); ++tick) {
    window->Timer1_Timer();
    WaitUntil([&] { return server.Requests().size() > tick; }, 2000);
    WaitUntil([] { return false; }, 100);
  }
  EXPECT_TRUE(Playlist[0].Lyric.contains("[00:03.00]第二句"));
  EXPECT_TRUE(window->Timer1.isActive());  // the response starts the timer again
  window->Timer1_Timer();                  // whose next tick shows the stored lyric
  EXPECT_TRUE(Text2().contains("第二句")) << Text2().toStdString();
  emit player->Buffering(true);
  emit player->Buffering(false);
  EXPECT_TRUE(Text2().contains("第一句"));
  EXPECT_FALSE(Text2().contains("[00:")) << Text2().toStdString();
}

// Nothing playing, the periodic work rests; playing wakes it, and the advance waits for an
// end.
TEST_F(ControllerTest, TimersRestWhileNothingPlaysAndWakeWithPlay) {
  AddEntries(1);  // its lyric is not known yet
  ui.List1->setCurrentRow(0);
  const std::initializer_list<QTimer*> resting{&window->timVol, &window->Timer3, &window->timWMP,
                                               &window->timList, &window->Timer1};
  for (QTimer* t : resting) t->start();
  player->state = MediaPlayer::wmppsStopped;
  window->timVol_Timer();
  window->Timer3_Timer();
  window->timWMP_Timer();
  window->timList_Timer();
  window->Timer1_Timer();
  for (QTimer* t : resting) EXPECT_FALSE(t->isActive()) << t->objectName().toStdString();

  player->state = MediaPlayer::wmppsPlaying;
  player->duration = 10;
  player->position = 2;
  emit player->PlayStateChange(MediaPlayer::wmppsPlaying);
  // The media information and the lyric lookup that waited for playback go on.
  for (QTimer* t : {&window->timVol, &window->Timer3, &window->timList, &window->Timer1})
    EXPECT_TRUE(t->isActive()) << t->objectName().toStdString();
  EXPECT_FALSE(window->timWMP.isActive());
  player->position = 10;
  window->timVol_Timer();
  EXPECT_FALSE(window->timWMP.isActive());  // the player's end wakes it, not the position
}

// All four lines are drawn inside the label; a long title is cut, not wrapped over the rest.
TEST_F(ControllerTest, TheNowPlayingLabelShowsItsFourLines) {
  AddEntries(1);
  ui.List1->setCurrentRow(0);
  player->url = Playlist[0].Path;
  player->state = MediaPlayer::wmppsPlaying;
  player->duration = 215;
  player->position = 12;
  auto shown = [&](const QString& title) {
    Playlist[0].Title = title;
    window->Timer3_Timer();
    return ui.Label1->grab().toImage();
  };
  const QImage longTitle = shown("一个很长很长很长很长很长很长很长很长的歌曲标题");
  const QImage shortTitle = shown("短");
  ASSERT_TRUE(Label1().endsWith("当前时间：00:12"));
  ui.Label1->setText(Label1().section('\n', 0, 2));
  const QImage withoutTime = ui.Label1->grab().toImage();
  auto band = [](const QImage& image, int from, int to) {
    return image.copy(0, from, image.width(), to - from);
  };
  ASSERT_EQ(longTitle.height(), 53);
  EXPECT_NE(band(longTitle, 0, 13), band(shortTitle, 0, 13));
  EXPECT_EQ(band(longTitle, 13, 53), band(shortTitle, 13, 53))
      << "the title ran into the lines below";
  EXPECT_NE(band(shortTitle, 39, 53), band(withoutTime, 39, 53)) << "the time line is not shown";
}

TEST_F(ControllerTest, ErrorRecoveryRewritesThePlaceholderFromTheScript) {
  server.Route("/js/serverurl.js", {.body = "var serverurl = \"mms://stream.test:8080\";",
                                    .contentType = "application/javascript"});
  AddEntries(2);
  ui.List1->setCurrentRow(1);
  player->url = Playlist[1].Path;
  emit player->Error();
  ASSERT_TRUE(WaitUntil([&] { return !player->calls.isEmpty(); }));
  EXPECT_EQ(MediaServerBase, "mms://stream.test:8080");
  EXPECT_EQ(Playlist[1].Path, "mms://stream.test:8080/music/1.wma");
  EXPECT_EQ(player->calls, (QStringList{"setURL mms://stream.test:8080/music/1.wma", "play"}));
  EXPECT_EQ(Playlist[0].Path, "http://placeholder.test/music/0.wma");  // others untouched
  EXPECT_TRUE(boxes.Boxes().isEmpty());

  // Rewritten already: nothing left to repair, so the user is told once.
  player->calls.clear();
  player->url = Playlist[1].Path;
  emit player->Error();
  ASSERT_TRUE(WaitUntil([&] { return !boxes.Boxes().isEmpty(); }));
  EXPECT_EQ(boxes.Texts(), QStringList{"无法播放，请删除本歌曲！"});
  EXPECT_EQ(boxes.Boxes()[0].caption, "播放错误！");
  EXPECT_TRUE(player->calls.isEmpty());
}

TEST_F(ControllerTest, ErrorRecoveryWithoutAScriptKeepsTheAddress) {
  // The script cannot be had and no stream server is known yet.
  AddEntries(1);
  ui.List1->setCurrentRow(0);
  player->url = Playlist[0].Path;
  emit player->Error();
  ASSERT_TRUE(WaitUntil([&] { return !boxes.Boxes().isEmpty(); }));
  EXPECT_EQ(boxes.Texts(), QStringList{"无法播放，请删除本歌曲！"});
  EXPECT_EQ(Playlist[0].Path, "http://placeholder.test/music/0.wma");
  EXPECT_TRUE(MediaServerBase.isEmpty());
}

// Two failures while the script is on its way each get their outcome, on the entry that
// failed, wherever its row went; an entry deleted meanwhile is left alone.
TEST_F(ControllerTest, EveryPlaybackErrorGetsItsOwnOutcome) {
  server.Route("/js/serverurl.js", {.body = "var serverurl = \"mms://stream.test:8080\";",
                                    .contentType = "application/javascript",
                                    .delayMs = 300});
  AddEntries(3);
  Playlist[2].Path = "/music/local.mp3";  // nothing to repair here
  for (int failed : {0, 2, 1}) {
    ui.List1->setCurrentRow(failed);
    Media::PlayMedia(*player);
    emit player->Error();
  }
  ui.List1->setCurrentRow(0);  // the user moves on
  Playlist[0] = Playlist[1];   // the first entry is deleted: the rest move up
  Playlist[1] = Playlist[2];
  Playlist[2] = SongRecord{};
  PlaylistCount = 2;
  player->calls.clear();
  ASSERT_TRUE(WaitUntil([&] { return !boxes.Boxes().isEmpty(); }));
  WaitUntil([] { return false; }, 200);
  EXPECT_EQ(Playlist[0].Path, "mms://stream.test:8080/music/1.wma");
  EXPECT_EQ(Playlist[1].Path, "/music/local.mp3");
  EXPECT_EQ(boxes.Texts(), QStringList{"无法播放，请删除本歌曲！"});  // for the local file only
  EXPECT_EQ(player->calls, (QStringList{"setURL mms://stream.test:8080/music/1.wma", "play"}));
  EXPECT_EQ(server.Requests().size(), 1);
}

// The window's keys act as the buttons and menu entries do, where the focus leaves them to
// the window: the search box keeps its editing keys, a list its arrows.
TEST_F(ControllerTest, KeysActAsTheButtonsAndMenus) {
  window->show();
  AddEntries(3);
  ui.List1->setCurrentRow(1);
  player->duration = 200;
  player->position = 100;
  struct Case {
    QWidget* target;
    int key;
    Qt::KeyboardModifiers modifiers;
    int state;  // the player's, before the key
    QStringList calls;
    int current;  // the current row after the key
  } cases[] = {
      {ui.List1, Qt::Key_Space, {}, MediaPlayer::wmppsPlaying, {"pause"}, 1},
      {window.get(), Qt::Key_Space, {}, MediaPlayer::wmppsPaused, {"play"}, 1},
      {ui.List1,
       Qt::Key_Right,
       Qt::ControlModifier,
       3,
       {"setURL http://placeholder.test/music/2.wma", "play"},
       2},
      {ui.Text1, Qt::Key_Left, Qt::ControlModifier, 3, {}, 2},
      {ui.List1,
       Qt::Key_Left,
       Qt::ControlModifier,
       3,
       {"setURL http://placeholder.test/music/1.wma", "play"},
       1},
      {window.get(), Qt::Key_Period, Qt::ControlModifier, 3, {"stop"}, 1},
      {ui.List1, Qt::Key_Right, {}, 3, {"seek 105"}, 1},
      {ui.Text1, Qt::Key_Right, {}, 3, {}, 1},
      {window.get(), Qt::Key_Up, {}, 3, {"volume 55"}, 1},
      {ui.Text1, Qt::Key_Down, {}, 3, {"volume 50"}, 1},
      {ui.List1, Qt::Key_Up, {}, 3, {}, 0},
      {ui.List1, Qt::Key_Return, {}, 3, {"setURL http://placeholder.test/music/0.wma", "play"}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(QKeySequence(c.key | c.modifiers).toString().toStdString());
    player->state = c.state;
    player->calls.clear();
    QTest::keyClick(c.target, Qt::Key(c.key), c.modifiers);
    EXPECT_EQ(player->calls, c.calls);
    EXPECT_EQ(CurrentIndex, c.current);
  }
  // Delete removes the selected row, as the menu's delete does; the list is stored.
  QTest::keyClick(ui.List1, Qt::Key_Delete);
  EXPECT_EQ(Rows(ListControl::UserDatabaseFile(), "select Name from NUser"),
            (QStringList{"1.wma", "2.wma"}));
  // Ctrl+F opens the catalog with the cursor in the search box; Escape closes it.
  QTest::keyClick(window.get(), Qt::Key_F, Qt::ControlModifier);
  EXPECT_TRUE(ui.imgSearch->isVisible());
  EXPECT_EQ(window->focusWidget(), ui.Text1);
  QTest::keyClick(ui.Text1, Qt::Key_Escape);
  EXPECT_FALSE(ui.imgSearch->isVisible());
}

// Assistive technology finds every control that reacts to a click named and with its role; the
// sliders tell and take their value.
TEST_F(ControllerTest, ControlsAreNamedForAssistiveTechnology) {
  window->show();
  for (QWidget* control : window->findChildren<QWidget*>()) {
    const auto* picture = qobject_cast<PictureBox*>(control);
    if (!(picture && control != ui.Picture1) && !qobject_cast<QAbstractButton*>(control) &&
        !qobject_cast<QListWidget*>(control) && !qobject_cast<MyHScollBar*>(control) &&
        control != ui.Text1)
      continue;
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
    ASSERT_NE(accessible, nullptr) << control->objectName().toStdString();
    EXPECT_FALSE(accessible->text(QAccessible::Name).isEmpty())
        << control->objectName().toStdString();
    EXPECT_NE(accessible->role(), QAccessible::NoRole) << control->objectName().toStdString();
  }
  QAccessibleInterface* play = QAccessible::queryAccessibleInterface(ui.ControlButton[1]);
  EXPECT_EQ(play->text(QAccessible::Name), "播放");
  EXPECT_EQ(play->role(), QAccessible::Button);
  QAccessibleInterface* volume = QAccessible::queryAccessibleInterface(ui.VolScroll);
  ASSERT_NE(volume->valueInterface(), nullptr);
  player->volume = 40;
  window->timVol_Timer();
  EXPECT_NEAR(volume->valueInterface()->currentValue().toDouble(), 40, 1);
  EXPECT_EQ(volume->valueInterface()->maximumValue().toDouble(), 100);
  volume->valueInterface()->setCurrentValue(80);
  EXPECT_EQ(player->volume, 80);
}

}  // namespace
