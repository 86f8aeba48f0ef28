// The main window playing real files through GStreamer, as a user would use it.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <cmath>

#include "app/frmmain.h"
#include "catalog/list_control.h"
#include "platform/endpoints.h"
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
};

TEST_F(PlaybackEndToEnd, AutoAdvancePlaysTheListInOrderAndStartsOver) {
  const QStringList titles{"第一首", "第二首", "第三首"};
  for (int i = 0; i < 3; ++i) {
    const QString file = TestMedia::Tone(QString("advance%1").arg(i), "mp3", 2.0, 300 + 100 * i,
                                         titles[i], "演唱者");
    ASSERT_FALSE(file.isEmpty());
    Add(file, QString("advance%1.mp3").arg(i), 1);
  }
  window = std::make_unique<frmmain>();
  window->Form_Load();
  window->show();
  window->List1->setCurrentRow(0);
  window->List1_DblClick();

  // Follow the current entry until the list has come round to the first one again.
  QList<int> order{CurrentIndex};
  const bool cameRound = WaitUntil(
      [&] {
        if (CurrentIndex != order.last()) {
          order << CurrentIndex;
          EXPECT_EQ(window->List1->currentRow(), CurrentIndex);
        }
        return order.size() == 4;
      },
      20000);
  ASSERT_TRUE(cameRound) << "order so far: " << order.size();
  EXPECT_EQ(order, (QList<int>{0, 1, 2, 0}));

  // The first entry plays again: its tags and length are copied in, and the label shows it.
  ASSERT_TRUE(WaitUntil([&] {
    return window->WMP->playState() == MediaPlayer::wmppsPlaying &&
           window->Label1->text().contains("当前时间");
  }));
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR(Playlist[i].Length.toDouble(), 2.0, 0.1) << i;
    EXPECT_EQ(Playlist[i].Title, titles[i]);
    EXPECT_EQ(window->List1->item(i)->text(), titles[i]);
  }
  EXPECT_TRUE(
      window->Label1->text().startsWith("歌曲标题：第一首\n艺术家：演唱者\n歌曲长度：0分2秒"))
      << window->Label1->text().toStdString();
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
  window->Form_Load();
  window->List1->setCurrentRow(0);
  window->List1_DblClick();
  ASSERT_TRUE(
      WaitUntil([&] { return window->WMP->playState() == MediaPlayer::wmppsPlaying; }, 15000));
  EXPECT_EQ(Playlist[0].Path, server.Url("/music/stream.mp3"));
  EXPECT_EQ(window->WMP->URL(), server.Url("/music/stream.mp3"));
  EXPECT_TRUE(boxes.Boxes().isEmpty());
  EXPECT_TRUE(server.Requests().contains("/music/stream.mp3"));

  // An entry that carries no placeholder cannot be repaired: the user is told, once.
  window->List1->setCurrentRow(1);
  window->List1_DblClick();
  ASSERT_TRUE(WaitUntil([&] { return !boxes.Boxes().isEmpty(); }, 15000));
  WaitUntil([] { return false; }, 500);
  EXPECT_EQ(boxes.Texts(), QStringList{"无法播放，请删除本歌曲！"});
}

// Through the desktop's sound server, as a user hears it: every entry at the bar's volume.
TEST_F(PlaybackEndToEnd, EveryEntryIsHeardAtTheVolumeTheBarShows) {
  TestSoundServer sound;
  ASSERT_TRUE(sound.Ok());
  qunsetenv("SONAVEIL_AUDIO_SINK");
  const QList<std::pair<QString, int>> files{{"mp3", 440}, {"wma", 660}, {"wav", 880}};
  for (const auto& [format, frequency] : files) {
    const QString file = TestMedia::Tone(QString("level%1").arg(frequency), format, 3.0, frequency);
    ASSERT_FALSE(file.isEmpty());
    Add(file, QFileInfo(file).fileName(), 1);
  }
  window = std::make_unique<frmmain>();
  window->Form_Load();
  window->show();
  // Set while nothing plays: the bar says 80, then the user drags it to 50.
  window->WMP->settings.setVolume(80);
  window->WMP->settings.setVolume(50);
  window->List1->setCurrentRow(0);
  ASSERT_TRUE(sound.StartRecording());
  window->ControlButton_Click(1);
  // Heard whole up to the next entry: a song gives way a second before its end, so its last
  // moments are no state to wait for.
  QList<int> order{CurrentIndex};
  ASSERT_TRUE(WaitUntil(
      [&] {
        if (CurrentIndex != order.last()) order << CurrentIndex;
        return order.size() == 5;
      },
      25000));
  const QList<HeardTone> heard = Tones(sound.StopRecording());
  QList<int> frequencies;
  for (const HeardTone& tone : heard) {
    frequencies << int(std::lround(tone.frequency / 110.0) * 110);
    EXPECT_NEAR(tone.rms, 0.044, 0.01) << tone.frequency << " Hz";
  }
  EXPECT_EQ(frequencies.mid(0, 4), (QList<int>{440, 660, 880, 440}));
  EXPECT_NEAR(window->VolScroll->Position(), window->VolScroll->Lenth().value_or(0) / 2, 1);
}

}  // namespace
