#include <gtest/gtest.h>
#include <unistd.h>

#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>

#include "app/frmmain.h"
#include "app/mpris.h"
#include "playback/media_player.h"
#include "skin/picture_box.h"
#include "state/shared_state.h"
#include "support/test_env.h"
#include "support/test_sound.h"

namespace {

QString Output(const QString& program, const QStringList& args) {
  QProcess process;
  process.start(program, args);
  WaitUntil([&] { return process.state() == QProcess::NotRunning; }, 10000);
  return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// Ten seconds into a live stream it still plays, and the now-playing text and MPRIS show the
// title the stream sends; when the stream changes its title both follow. The entry keeps its own.
TEST(StreamE2e, ALiveStreamPlaysOnAndShowsTheTitleItSends) {
  QTcpServer probe;  // a free port for Icecast, which will not run as root (nobody runs it)
  probe.listen(QHostAddress::LocalHost, 0);
  const QString host = "127.0.0.1:" + QString::number(probe.serverPort());
  probe.close();
  QTemporaryDir dir;
  QFile::setPermissions(dir.path(), QFile::Permissions(0x7777));
  QFile config(dir.filePath("icecast.xml"));
  ASSERT_TRUE(config.open(QIODevice::WriteOnly));
  config.write(QString(R"(<icecast><paths><logdir>%1</logdir></paths>
<authentication><source-password>pw</source-password><admin-user>a</admin-user>
<admin-password>pw</admin-password>
</authentication><listen-socket><port>%2</port><bind-address>127.0.0.1</bind-address>
</listen-socket><mount><mount-name>/live.mp3</mount-name><charset>UTF-8</charset></mount>
</icecast>)")
                   .arg(dir.path(), host.section(':', 1))
                   .toUtf8());
  config.close();
  QProcess icecast, source;
  const QStringList run{"icecast2", "-c", config.fileName()};
  icecast.start(getuid() ? "icecast2" : "setpriv",
                getuid()
                    ? run.mid(1)
                    : QStringList{"--reuid=nobody", "--regid=nogroup", "--clear-groups"} + run);
  const auto admin = [&](const QString& path) {
    return Output("curl", {"-su", "a:pw", "http://" + host + "/admin/" + path});
  };
  ASSERT_TRUE(WaitUntil([&] { return admin("stats").contains("icestats"); }, 10000));
  source.start("ffmpeg", {"-v", "error", "-re", "-f", "lavfi", "-i", "sine=f=440:r=44100", "-ac",
                          "2", "-b:a", "128k", "-content_type", "audio/mpeg", "-f", "mp3",
                          "icecast://source:pw@" + host + "/live.mp3"});
  ASSERT_TRUE(WaitUntil([&] { return admin("listmounts").contains("/live.mp3"); }, 10000));
  const auto setTitle = [&](const QString& title) {
    return admin("metadata?mount=/live.mp3&mode=updinfo&charset=UTF-8&song=" +
                 QUrl::toPercentEncoding(title))
        .contains("successful");
  };

  TestSoundServer sound;
  ResetSharedState();
  PlaylistLoaded = true;
  frmmain::startupPauseMs = 0;
  TempAppFolder folder;
  folder.InstallSkinAndCatalog();
  MsgBoxRecorder boxes;
  auto window = std::make_unique<frmmain>();
  window->Form_Load();
  ASSERT_TRUE((new Mpris(window->playback, *window->WMP, *window, window.get()))->Register());
  ASSERT_TRUE(setTitle("晚风 - 白云飞") && sound.StartRecording());
  window->Open(StartRequest{.items = {"http://" + host + "/live.mp3"}});
  MediaPlayer& player = *window->WMP;
  ASSERT_TRUE(WaitUntil([&] { return player.controls.currentPosition() >= 10; }, 30000));
  const QList<float> heard = sound.Heard();
  const QList<HeardTone> last = Tones(heard.mid(heard.size() - TestSoundServer::kRate));
  EXPECT_NEAR(last.value(0).frequency, 440, 10) << "not heard 10 s in";
  for (const QString& title : {QString("晚风 - 白云飞"), QString("Second Song - Someone")}) {
    EXPECT_TRUE(title.startsWith("晚风") || setTitle(title));
    QString shown;
    EXPECT_TRUE(WaitUntil(
        [&] {
          shown = window->findChild<PictureBox*>("Label1")->text().section('\n', 0, 0) + " / " +
                  Output("playerctl", {"--player=sonaveil", "metadata", "xesam:title"});
          return shown == "歌曲标题：" + title + " / " + title;
        },
        15000))
        << shown.toStdString();
    std::printf("at %.1f s: %s\n", player.controls.currentPosition(), qUtf8Printable(shown));
  }
  EXPECT_EQ(Playlist[0].Title + QString::number(CurrentIndex), "0");
  EXPECT_TRUE(boxes.Boxes().isEmpty());
  window.reset();
  ResetSharedState();
  for (QProcess* process : {&source, &icecast}) process->kill(), process->waitForFinished();
}

}  // namespace
