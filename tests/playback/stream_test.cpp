// The player on a live stream from a real Icecast server, fed by ffmpeg, heard through a private
// sound server and read by playerctl on a private session bus (see tests/CMakeLists.txt).
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
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

QString Playerctl(const QStringList& args) {
  QProcess process;
  process.start("playerctl", QStringList{"--player=sonaveil"} + args);
  WaitUntil([&] { return process.state() == QProcess::NotRunning; }, 10000);
  return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// Icecast on a loopback port of its own, with a 440 Hz tone from ffmpeg on /live.mp3. Icecast
// will not run as root: there it runs as nobody.
class Icecast {
 public:
  Icecast() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    port_ = probe.serverPort();
    probe.close();
    QFile::setPermissions(dir_.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                           QFile::ReadOther | QFile::WriteOther | QFile::ExeOther);
    const QString config = dir_.filePath("icecast.xml");
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly)) return;
    file.write(QString(R"(<icecast><hostname>127.0.0.1</hostname>
<limits><clients>8</clients><sources>2</sources></limits>
<authentication><source-password>pw</source-password><admin-user>admin</admin-user>
<admin-password>pw</admin-password></authentication>
<listen-socket><port>%1</port><bind-address>127.0.0.1</bind-address></listen-socket>
<mount><mount-name>/live.mp3</mount-name><charset>UTF-8</charset></mount>
<paths><logdir>%2</logdir><webroot>/usr/share/icecast2/web</webroot>
<adminroot>/usr/share/icecast2/admin</adminroot></paths>
<logging><accesslog>access.log</accesslog><errorlog>error.log</errorlog></logging>
</icecast>)")
                   .arg(port_)
                   .arg(dir_.path())
                   .toUtf8());
    file.close();
    QFile::setPermissions(config, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
    server_.setProcessChannelMode(QProcess::ForwardedChannels);
    if (getuid() == 0)
      server_.start("setpriv", {"--reuid=nobody", "--regid=nogroup", "--clear-groups", "icecast2",
                                "-c", config});
    else
      server_.start("icecast2", {"-c", config});
    QTcpSocket socket;
    if (!WaitUntil(
            [&] {
              socket.abort();
              socket.connectToHost(QHostAddress::LocalHost, port_);
              return socket.waitForConnected(200);
            },
            10000))
      return;
    source_.start("ffmpeg", {"-v", "error", "-re", "-f", "lavfi", "-i",
                             "sine=frequency=440:sample_rate=44100", "-ac", "2", "-c:a",
                             "libmp3lame", "-b:a", "128k", "-content_type", "audio/mpeg", "-f",
                             "mp3", Url("source:pw@", "/live.mp3").replace("http:", "icecast:")});
    ok_ = WaitUntil([&] { return Admin("/admin/listmounts").contains("/live.mp3"); }, 10000);
  }
  ~Icecast() {
    for (QProcess* process : {&source_, &server_}) {
      process->kill();
      process->waitForFinished(5000);
    }
  }
  bool Ok() const { return ok_; }
  QString Url(const QString& user, const QString& path) const {
    return "http://" + user + "127.0.0.1:" + QString::number(port_) + path;
  }
  // The title the stream sends from now on, set through the admin interface.
  bool SetTitle(const QString& title) {
    return Admin("/admin/metadata?mount=/live.mp3&mode=updinfo&charset=UTF-8&song=" +
                 QUrl::toPercentEncoding(title))
        .contains("successful");
  }

 private:
  QString Admin(const QString& path) {
    QNetworkAccessManager network;
    QNetworkRequest request(QUrl(Url("", path)));
    request.setRawHeader("Authorization", "Basic " + QByteArray("admin:pw").toBase64());
    std::unique_ptr<QNetworkReply> reply(network.get(request));
    WaitUntil([&] { return reply->isFinished(); }, 5000);
    return QString::fromUtf8(reply->readAll());
  }

  QTemporaryDir dir_;
  quint16 port_ = 0;
  QProcess server_;
  QProcess source_;
  bool ok_ = false;
};

// Ten seconds into a live stream it still plays, and the now-playing text and MPRIS show the
// title the stream sends; when the stream changes its title, both follow. The entry keeps its
// own.
TEST(StreamE2e, ALiveStreamPlaysOnAndShowsTheTitleItSends) {
  TestSoundServer sound;
  ASSERT_TRUE(sound.Ok());
  Icecast icecast;
  ASSERT_TRUE(icecast.Ok()) << "icecast2 with ffmpeg as its source did not start";
  ASSERT_TRUE(icecast.SetTitle("晚风 - 白云飞"));
  ResetSharedState();
  PlaylistLoaded = true;
  frmmain::startupPauseMs = 0;
  TempAppFolder folder;
  folder.InstallSkinAndCatalog();
  MsgBoxRecorder boxes;
  auto window = std::make_unique<frmmain>();
  window->Form_Load();
  Mpris* mpris = new Mpris(window.get());
  ASSERT_TRUE(mpris->Register());
  ASSERT_TRUE(sound.StartRecording());
  window->Open(StartRequest{.items = {icecast.Url("", "/live.mp3")}});

  MediaPlayer& player = *window->WMP;
  ASSERT_TRUE(WaitUntil([&] { return player.controls.currentPosition() >= 10; }, 30000));
  const QList<float> heard = sound.Heard();
  const QList<HeardTone> last = Tones(heard.mid(heard.size() - TestSoundServer::kRate));
  ASSERT_FALSE(last.isEmpty()) << "silent 10 s in";
  EXPECT_NEAR(last.last().frequency, 440, 10);
  EXPECT_EQ(CurrentIndex, 0);
  for (const QString& title : {QString("晚风 - 白云飞"), QString("Second Song - Someone")}) {
    if (title != "晚风 - 白云飞") {
      ASSERT_TRUE(icecast.SetTitle(title));
    }
    EXPECT_TRUE(WaitUntil(
        [&] {
          return window->Label1->text().startsWith("歌曲标题：" + title + "\n") &&
                 Playerctl({"metadata", "xesam:title"}) == title;
        },
        15000))
        << window->Label1->text().toStdString() << " / "
        << Playerctl({"metadata", "xesam:title"}).toStdString();
    std::printf("at %.1f s, the label: %s; playerctl: %s\n", player.controls.currentPosition(),
                qUtf8Printable(window->Label1->text().replace('\n', " | ")),
                qUtf8Printable(Playerctl({"metadata", "xesam:title"})));
  }
  EXPECT_EQ(Playlist[0].Title, "");
  EXPECT_EQ(player.playState(), MediaPlayer::wmppsPlaying);
  EXPECT_TRUE(boxes.Boxes().isEmpty());
  window.reset();
  ResetSharedState();
}

}  // namespace
