// The main window playing real files through GStreamer, as a user would use it.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QStringEncoder>
#include <cmath>
#include <cstdio>

#include "app/frmmain.h"
#include "catalog/catalog_fixture.h"
#include "catalog/list_control.h"
#include "platform/endpoints.h"
#include "playback/media.h"
#include "playback/media_player.h"
#include "skin/my_hscoll_bar.h"
#include "skin/picture_box.h"
#include "state/shared_state.h"
#include "support/test_env.h"
#include "support/test_http_server.h"
#include "support/test_media.h"
#include "support/test_sound.h"

namespace {

class PlaybackEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    qputenv("SONAVEIL_AUDIO_SINK", "fakesink sync=true");
    ResetSharedState();
    PlaylistLoaded = true;
    frmmain::startupPauseMs = 0;
    folder.InstallSkinAndCatalog();
  }
  void TearDown() override {
    window.reset();
    ResetSharedState();
    qunsetenv("SONAVEIL_AUDIO_SINK");
  }
  void Add(const QString& path, const QString& name, int16_t web) {
    SongRecord& song = Playlist[PlaylistCount++];
    song.Path = path;
    song.Name = name;
    song.Web = web;
  }

  TestHttpServer server;
  TempAppFolder folder;
  MsgBoxRecorder boxes;
  std::unique_ptr<frmmain> window;
  Skin::FaceControls ui;
};

// Heard through the sound server: each song whole, the next straight after it.
TEST_F(PlaybackEndToEnd, TheListPlaysInOrderWholeWithoutGapsAndStartsOver) {
  TestSoundServer sound;
  ASSERT_TRUE(sound.Ok());
  qunsetenv("SONAVEIL_AUDIO_SINK");
  const QStringList titles{"第一首", "第二首", "第三首"};
  for (int i = 0; i < 3; ++i) {
    const QString file = TestMedia::Tone(QString("advance%1").arg(i), "wav", 3.0, 440 + 220 * i,
                                         titles[i], "演唱者");
    ASSERT_FALSE(file.isEmpty());
    Add(file, QString("advance%1.wav").arg(i), 1);
  }
  window = std::make_unique<frmmain>();
  ui = Skin::FindFaceControls(window.get());
  window->Form_Load();
  window->show();
  ui.List1->setCurrentRow(0);
  ASSERT_TRUE(sound.StartRecording());
  window->List1_DblClick();

  // Follow the current entry until the list has come round to the first one again.
  QList<int> order{CurrentIndex};
  const bool cameRound = WaitUntil(
      [&] {
        if (CurrentIndex != order.last()) {
          order << CurrentIndex;
          EXPECT_EQ(ui.List1->currentRow(), CurrentIndex);
        }
        return order.size() == 4;
      },
      20000);
  ASSERT_TRUE(cameRound) << "order so far: " << order.size();
  EXPECT_EQ(order, (QList<int>{0, 1, 2, 0}));
  const ToneJoin join = JoinOf(sound.StopRecording(), 440, 660).value_or(ToneJoin{0, 1000});
  std::printf("first song heard %.2f s, gap %.0f ms\n", join.firstSeconds, join.gapMs);
  EXPECT_TRUE(join.firstSeconds >= 2.95 && join.gapMs <= 20);

  // The first entry plays again: its tags and length are copied in, and the label, which
  // follows a second behind, shows it.
  ASSERT_TRUE(WaitUntil([&] {
    return window->WMP->playState() == MediaPlayer::wmppsPlaying &&
           ui.Label1->text().startsWith("歌曲标题：第一首");
  })) << ui.Label1->text().toStdString();
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR(Playlist[i].Length.toDouble(), 3.0, 0.1) << i;
    EXPECT_EQ(Playlist[i].Title, titles[i]);
    EXPECT_EQ(ui.List1->item(i)->text(), titles[i]);
  }
  EXPECT_TRUE(ui.Label1->text().startsWith("歌曲标题：第一首\n艺术家：演唱者\n歌曲长度：0分3秒"))
      << ui.Label1->text().toStdString();
  EXPECT_TRUE(boxes.Boxes().isEmpty());
}

TEST_F(PlaybackEndToEnd, PlaceholderAddressIsRepairedFromTheScriptAndPlays) {
  const QString file = TestMedia::Tone("stream", "mp3", 3.0);
  QFile in(file);
  ASSERT_TRUE(in.open(QIODevice::ReadOnly));
  server.Route("/music/stream.mp3", {.body = in.readAll(), .contentType = "audio/mpeg"});
  server.Route("/js/serverurl.js", {.body = ("var url=\"" + server.Url("") + "\";").toUtf8(),
                                    .contentType = "application/javascript"});
  // Nobody listens at the placeholder's port: the first try fails at once.
  folder.Write("data/endpoints.ini", ("[endpoints]\nMediaScriptHost=" + server.Url("/") +
                                      "\nPlaceholderHostPrefix=http://127.0.0.1:1\n")
                                         .toUtf8());
  ReloadEndpoints();
  Add("http://127.0.0.1:1/music/stream.mp3", "stream.mp3", 0);
  Add(TestMedia::Folder() + "/not there.mp3", "not there.mp3", 1);
  window = std::make_unique<frmmain>();
  ui = Skin::FindFaceControls(window.get());
  window->Form_Load();
  ui.List1->setCurrentRow(0);
  window->List1_DblClick();
  ASSERT_TRUE(
      WaitUntil([&] { return window->WMP->playState() == MediaPlayer::wmppsPlaying; }, 15000));
  EXPECT_EQ(Playlist[0].Path, server.Url("/music/stream.mp3"));
  EXPECT_EQ(window->WMP->URL(), server.Url("/music/stream.mp3"));
  EXPECT_TRUE(boxes.Boxes().isEmpty());
  EXPECT_TRUE(server.Requests().contains("/music/stream.mp3"));

  // An entry that carries no placeholder cannot be repaired: the user is told, once.
  ui.List1->setCurrentRow(1);
  window->List1_DblClick();
  ASSERT_TRUE(WaitUntil([&] { return !boxes.Boxes().isEmpty(); }, 15000));
  WaitUntil([] { return false; }, 500);
  EXPECT_EQ(boxes.Texts(), QStringList{"无法播放，请删除本歌曲！"});
}

// Through the desktop's sound server, as a user hears it: every type the player takes, added as
// the add-files button adds it, heard at the bar's volume, with its tags (read as its format
// declares them; the MP3's in GBK, as Windows taggers wrote them) stored. The Ogg file's name
// is in GBK bytes, added as a file manager's drop names it.
TEST_F(PlaybackEndToEnd, EveryFormatIsHeardAtTheVolumeTheBarShows) {
  TestSoundServer sound;
  ASSERT_TRUE(sound.Ok());
  qunsetenv("SONAVEIL_AUDIO_SINK");
  const QStringList formats{"mp3", "wma", "wav", "flac", "ogg", "opus", "m4a", "wv"};
  QStringList stored{
      "茉莉花|白云飞",     "康定情歌|林晚星", "月亮代表我的心|邓丽君",
      "Sigur Rós|Beyoncé", "甜蜜蜜|邓丽君",   "Café del Mar|Björk",
      "小城故事|邓丽君",   "ÔÂÁÁ´ú±í|µËÀö¾ý"};  // Latin-1 in an APE tag stays Latin-1
  QStringList files;
  for (int i = 0; i < formats.size(); ++i) {
    const QString title = stored[i].section('|', 0, 0), singer = stored[i].section('|', 1);
    files << (i ? TestMedia::Tone("level_" + formats[i], formats[i], 3.0, 330 + 110 * i, title,
                                  singer)
                : TestMedia::Id3Tagged("level_gbk", 3.0, 330, title, singer, "GBK", false));
  }
  const QByteArray gbk = QFile::encodeName(TestMedia::Folder()) + QStringEncoder("GBK")(u"/甜.ogg");
  ASSERT_EQ(std::rename(QFile::encodeName(files[4]).constData(), gbk.constData()), 0);
  files[4] = "file://" + gbk.toPercentEncoding("/");
  files << TestMedia::Folder() + "/karaoke.kar";
  ASSERT_TRUE(QFile::copy(TestMedia::Midi("karaoke", 8), files.last()));
  window = std::make_unique<frmmain>();
  ui = Skin::FindFaceControls(window.get());
  window->Form_Load();
  window->show();
  ASSERT_TRUE(window->playback.AddFiles(files));
  // Set while nothing plays: the bar says 80, then the user drags it to 50.
  window->WMP->settings.setVolume(80);
  window->WMP->settings.setVolume(50);
  ui.List1->setCurrentRow(0);
  ASSERT_TRUE(sound.StartRecording());
  window->ControlButton_Click(1);
  ASSERT_TRUE(WaitUntil(
      [&] { return CurrentIndex == 8 && window->WMP->controls.currentPosition() > 2.5; }, 60000))
      << "at entry " << CurrentIndex;
  // The tones, then the karaoke file's half-second notes (the synthesiser is quiet).
  const QList<HeardTone> heard = Tones(sound.StopRecording(), 0.0005, 0.3);
  ASSERT_GT(heard.size(), 8);
  for (int i = 0; i < 8; ++i) {
    EXPECT_NEAR(heard[i].frequency, 330 + 110 * i, 5) << formats[i].toStdString();
    EXPECT_NEAR(heard[i].rms, 0.044, 0.01) << formats[i].toStdString();
  }
  EXPECT_EQ(Rows(ListControl::UserDatabaseFile(), "select title,author from NUser"), stored << "|");
  EXPECT_NEAR(ui.VolScroll->Position(), ui.VolScroll->Lenth().value_or(0) / 2, 1);
  std::remove(gbk.constData());
}

}  // namespace
