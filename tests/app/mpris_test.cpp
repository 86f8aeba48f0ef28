// The player on a private session bus, driven by playerctl as a desktop would drive it.
// Every test runs in its own dbus-run-session (see tests/CMakeLists.txt).
#include "app/mpris.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QListWidget>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <cstdio>
#include <memory>

#include "app/frmmain.h"
#include "playback/media_player.h"
#include "skin/skin_button.h"
#include "state/shared_state.h"
#include "support/fake_media_player.h"
#include "support/test_env.h"
#include "support/test_media.h"

namespace {

// Runs playerctl against this player and gives what it printed.
QString Playerctl(const QStringList& args) {
  QProcess process;
  process.start("playerctl", QStringList{"--player=sonaveil"} + args);
  // The player answers from this thread's event loop, so wait in it.
  WaitUntil([&] { return process.state() == QProcess::NotRunning; }, 10000);
  return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

class MprisTest : public ::testing::Test {
 protected:
  void SetUp() override {
    qputenv("SONAVEIL_AUDIO_SINK", "fakesink sync=true");
    ResetSharedState();
    PlaylistLoaded = true;
    frmmain::startupPauseMs = 0;
    folder.InstallSkinAndCatalog();
    const char* titles[] = {"晴天", "Second Song", "Third Song"};
    for (int i = 0; i < 3; ++i) {
      const QString file = TestMedia::Tone(QString("mpris%1").arg(i), "mp3", 10.0, 300 + 100 * i,
                                           titles[i], "歌手" + QString::number(i));
      ASSERT_FALSE(file.isEmpty());
      SongRecord& song = Playlist[PlaylistCount++];
      song.Path = file;
      song.Name = QString("mpris%1.mp3").arg(i);
      song.Web = 1;
    }
    MakeWindow(nullptr);
    window->show();
  }
  void MakeWindow(MediaPlayer* player) {
    window = std::make_unique<frmmain>(player);
    ui = Skin::FindFaceControls(window.get());
    window->Form_Load();
    mpris = new Mpris(window->playback, *window->WMP, *window, window.get());
  }
  void TearDown() override {
    window.reset();
    ResetSharedState();
    qunsetenv("SONAVEIL_AUDIO_SINK");
  }

  bool StatusBecomes(const QString& status) {
    return WaitUntil([&] { return Playerctl({"status"}) == status; }, 10000);
  }
  QString Loaded() const { return window->WMP->URL(); }

  TempAppFolder folder;
  MsgBoxRecorder boxes;
  std::unique_ptr<frmmain> window;
  Skin::FaceControls ui;
  Mpris* mpris = nullptr;
};

TEST_F(MprisTest, TransportCommandsDriveThePlayer) {
  ASSERT_TRUE(mpris->Register());
  struct Step {
    const char* command;
    const char* status;
    int entry;  // the entry loaded in the player
    int playState;
  } steps[] = {
      {"play", "Playing", 0, MediaPlayer::wmppsPlaying},
      {"next", "Playing", 1, MediaPlayer::wmppsPlaying},
      {"next", "Playing", 2, MediaPlayer::wmppsPlaying},
      {"previous", "Playing", 1, MediaPlayer::wmppsPlaying},
      {"pause", "Paused", 1, MediaPlayer::wmppsPaused},
      {"play-pause", "Playing", 1, MediaPlayer::wmppsPlaying},
      {"play-pause", "Paused", 1, MediaPlayer::wmppsPaused},
      {"stop", "Stopped", 1, MediaPlayer::wmppsStopped},
  };
  for (const Step& step : steps) {
    Playerctl({step.command});
    EXPECT_TRUE(StatusBecomes(step.status)) << step.command;
    // The bus may report the state the player is going to before the pipeline is there.
    EXPECT_TRUE(WaitUntil([&] { return window->WMP->playState() == step.playState; }, 10000))
        << step.command << ": " << window->WMP->playState();
    EXPECT_EQ(Loaded(), Playlist[step.entry].Path) << step.command;
    EXPECT_EQ(CurrentIndex, step.entry) << step.command;
    EXPECT_EQ(ui.List1->currentRow(), step.entry) << step.command;
  }
  EXPECT_TRUE(boxes.Texts().isEmpty()) << boxes.Texts().join('|').toStdString();
}

TEST_F(MprisTest, PositionAndVolumeAreReadAndSet) {
  ASSERT_TRUE(mpris->Register());
  Playerctl({"play"});
  ASSERT_TRUE(StatusBecomes("Playing"));

  QSignalSpy seeked(mpris, &Mpris::Seeked);
  Playerctl({"position", "6"});
  ASSERT_TRUE(WaitUntil([&] { return window->WMP->controls.currentPosition() >= 6; }));
  EXPECT_EQ(seeked.takeFirst().value(0).toLongLong(), 6'000'000);
  EXPECT_LT(window->WMP->controls.currentPosition(), 8);
  const double reported = Playerctl({"position"}).toDouble();
  EXPECT_GE(reported, 6);
  EXPECT_LT(reported, 8);
  Playerctl({"position", "3-"});
  EXPECT_TRUE(WaitUntil([&] { return window->WMP->controls.currentPosition() < 5; }));
  ASSERT_TRUE(WaitUntil([&] { return window->WMP->playState() == MediaPlayer::wmppsPlaying; }));
  QTest::keyClick(window.get(), Qt::Key_Right);  // the window's seeks are announced too
  EXPECT_EQ(seeked.size(), 2);

  Playerctl({"volume", "0.3"});
  EXPECT_TRUE(WaitUntil([&] { return window->WMP->settings.volume() == 30; }));
  window->WMP->settings.setVolume(80);
  EXPECT_DOUBLE_EQ(Playerctl({"volume"}).toDouble(), 0.8);
}

TEST_F(MprisTest, MetadataDescribesTheTaggedFilePlaying) {
  Playlist[0].Lyric = "[00:01]故事的小黄花";
  ASSERT_TRUE(mpris->Register());
  Playerctl({"play"});
  ASSERT_TRUE(StatusBecomes("Playing"));

  QStringList fields;
  EXPECT_TRUE(WaitUntil(
      [&] {
        fields = Playerctl({"metadata", "--format",
                            "{{xesam:title}}\n{{xesam:artist}}\n{{mpris:length}}\n{{xesam:url}}\n"
                            "{{xesam:asText}}\n{{mpris:trackid}}"})
                     .split('\n');
        return fields.size() == 6 && fields[0] == "晴天" && !fields[2].isEmpty();
      },
      10000))
      << fields.join('|').toStdString();
  ASSERT_EQ(fields.size(), 6);
  EXPECT_EQ(fields[1], "歌手0");
  EXPECT_NEAR(fields[2].toLongLong() / 1e6, 10.0, 0.2);
  EXPECT_EQ(fields[3], QUrl::fromLocalFile(Playlist[0].Path).toString());
  EXPECT_EQ(fields[4], "[00:01]故事的小黄花");
  // Another entry is another track.
  const QString first = fields[5];
  Playerctl({"next"});
  EXPECT_TRUE(WaitUntil([&] { return Playerctl({"metadata", "xesam:title"}) == "Second Song"; }));
  EXPECT_NE(Playerctl({"metadata", "mpris:trackid"}), first);
}

TEST_F(MprisTest, StatusAndVolumeFollowTheWindowsOwnButtonsAndKeys) {
  ASSERT_TRUE(mpris->Register());
  QProcess follow;
  follow.start("playerctl",
               {"--player=sonaveil", "--follow", "metadata", "--format", "{{status}} {{volume}}"});
  ASSERT_TRUE(follow.waitForStarted());
  QStringList seen;
  auto sees = [&](const QString& status) {
    return WaitUntil(
        [&] {
          seen += QString::fromUtf8(follow.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
          return !seen.isEmpty() && seen.last().startsWith(status);
        },
        10000);
  };
  ASSERT_TRUE(sees("Stopped 0.5"));
  // Play, pause, play, stop, with the mouse on the skin buttons.
  const std::pair<int, const char*> presses[] = {
      {1, "Playing"}, {2, "Paused"}, {1, "Playing"}, {3, "Stopped"}};
  for (auto [button, status] : presses) {
    QTest::mouseClick(ui.ControlButton[button], Qt::LeftButton);
    EXPECT_TRUE(sees(status)) << status << " after button " << button << ": "
                              << seen.join(',').toStdString();
  }
  QTest::keyClick(window.get(), Qt::Key_Up);
  EXPECT_TRUE(sees("Stopped 0.55")) << seen.join(',').toStdString();
  follow.kill();
  follow.waitForFinished();
}

// A pause that the player reaches some time after the command: the bars' tick, which the
// status rides on, rests once nothing plays, so the pause must come through the player's
// own change of state.
TEST_F(MprisTest, APauseThePlayerReachesLaterIsAnnounced) {
  auto* player = new FakeMediaPlayer;
  MakeWindow(player);
  player->state = MediaPlayer::wmppsPlaying;
  ASSERT_TRUE(mpris->Register());
  ASSERT_TRUE(StatusBecomes("Playing"));
  // The pipeline takes its time: right after the command it has not paused yet.
  Playerctl({"pause"});
  ASSERT_TRUE(player->calls.contains("pause"));
  window->timVol.stop();
  player->state = MediaPlayer::wmppsPaused;
  emit player->PlayStateChange(MediaPlayer::wmppsPaused);
  EXPECT_TRUE(StatusBecomes("Paused"));
  // On its way back to playing after a seek, it is where the seek took it.
  player->state = MediaPlayer::wmppsTransitioning;
  player->position = 4;
  EXPECT_EQ(Playerctl({"position"}).toDouble(), 4);
}

TEST_F(MprisTest, OpenUriAddsTheFileAndPlaysIt) {
  ASSERT_TRUE(mpris->Register());
  const QString file = TestMedia::Tone("opened", "wav", 5.0, 660);
  ASSERT_FALSE(file.isEmpty());
  Playerctl({"open", QUrl::fromLocalFile(file).toString()});
  EXPECT_TRUE(StatusBecomes("Playing"));
  ASSERT_EQ(PlaylistCount, 4);
  EXPECT_EQ(Playlist[3].Path, file);
  EXPECT_EQ(Playlist[3].Web, 1);
  EXPECT_EQ(ui.List1->count(), 4);
  EXPECT_EQ(CurrentIndex, 3);
  EXPECT_EQ(Loaded(), file);
}

// Captures what reaches stderr, from Qt's messages or any library below it.
class StderrCapture {
 public:
  StderrCapture() : saved_(dup(2)), file_(std::tmpfile()) { dup2(fileno(file_), 2); }
  QByteArray Take() {
    std::fflush(stderr);
    dup2(saved_, 2);
    close(saved_);
    QByteArray text;
    std::rewind(file_);
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file_)) > 0;) text.append(buffer, n);
    std::fclose(file_);
    return text;
  }

 private:
  int saved_;
  FILE* file_;
};

TEST_F(MprisTest, WithoutASessionBusThePlayerRunsQuietly) {
  qunsetenv("DBUS_SESSION_BUS_ADDRESS");
  StderrCapture stderrText;
  EXPECT_FALSE(mpris->Register());
  window->ControlButton_Click(1);
  const bool plays =
      WaitUntil([&] { return window->WMP->playState() == MediaPlayer::wmppsPlaying; }, 10000);
  const QByteArray said = stderrText.Take();
  EXPECT_TRUE(plays);
  EXPECT_TRUE(said.isEmpty()) << said.constData();
  EXPECT_TRUE(boxes.Texts().isEmpty());
}

}  // namespace
