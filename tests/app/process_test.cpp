// Starts the built player as a user would, several times over.
#include <gtest/gtest.h>
#include <signal.h>

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include "app/shared_state.h"
#include "app/single_instance.h"
#include "catalog/catalog_fixture.h"
#include "support/test_env.h"

namespace {

class PlayerProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A private temporary folder keeps these players apart from any other running one.
    env_ = QProcessEnvironment::systemEnvironment();
    env_.insert("TMPDIR", tmp_.path());
    env_.insert("QT_QPA_PLATFORM", "offscreen");
    socket_ = tmp_.path() + '/' + SingleInstance::SocketName(kAppTitle);
    program_ = app_.InstallProgram();
  }

  void Start(QProcess& process) {
    process.setProcessEnvironment(env_);
    process.start(program_, {});
    ASSERT_TRUE(process.waitForStarted(5000));
  }

  void Kill(QProcess& process) {
    if (process.state() == QProcess::NotRunning) return;
    ::kill(static_cast<pid_t>(process.processId()), SIGKILL);
    process.waitForFinished(5000);
  }

  QTemporaryDir tmp_;
  TempAppFolder app_;
  QProcessEnvironment env_;
  QString socket_;
  QString program_;
};

TEST_F(PlayerProcessTest, SecondStartShowsTheFirstAndEnds) {
  QProcess first;
  Start(first);
  ASSERT_TRUE(WaitUntil([&] { return QFile::exists(socket_); }, 15000));

  QProcess second;
  QElapsedTimer clock;
  clock.start();
  Start(second);
  ASSERT_TRUE(second.waitForFinished(10000));
  EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second.exitCode(), 0);
  // It loaded nothing: no window, no start-up pause.
  EXPECT_LT(clock.elapsed(), 5000);

  QByteArray firstLog;
  EXPECT_TRUE(WaitUntil([&] {
    firstLog += first.readAllStandardError();
    return firstLog.contains("another start asked for the main window");
  }, 10000)) << firstLog.constData();
  EXPECT_EQ(first.state(), QProcess::Running);
  Kill(first);
}

TEST_F(PlayerProcessTest, StartSucceedsAfterTheFirstWasKilled) {
  QProcess crashed;
  Start(crashed);
  ASSERT_TRUE(WaitUntil([&] { return QFile::exists(socket_); }, 15000));
  Kill(crashed);
  ASSERT_TRUE(QFile::exists(socket_));  // the stale socket is left behind

  QProcess next;
  Start(next);
  // The new start runs instead of mistaking the stale socket for a running player.
  EXPECT_FALSE(next.waitForFinished(3000));
  EXPECT_EQ(next.state(), QProcess::Running);

  QProcess another;
  Start(another);
  ASSERT_TRUE(another.waitForFinished(10000));
  EXPECT_EQ(another.exitCode(), 0);
  QByteArray log;
  EXPECT_TRUE(WaitUntil([&] {
    log += next.readAllStandardError();
    return log.contains("another start asked for the main window");
  }, 10000));
  Kill(next);
}

}  // namespace

namespace {

// The real player on the test's X server, clicked with the X pointer.
class PlayerOnX11 : public PlayerProcessTest {
 protected:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) GTEST_SKIP() << "needs an X server";
    PlayerProcessTest::SetUp();
    env_.insert("QT_QPA_PLATFORM", "xcb");
    env_.insert("SONAVEIL_AUDIO_SINK", "fakesink");
  }
  static bool Xdotool(const QStringList& args) {
    QProcess xdotool;
    xdotool.start("xdotool", args);
    return xdotool.waitForFinished(5000) && xdotool.exitCode() == 0;
  }
};

TEST_F(PlayerOnX11, CloseButtonEndsTheProgramWithThePlaylistStored) {
  const QString userDb = app_.File("data/user.dll");
  RunSql(userDb, {"create table NUser(ID integer, Name text, Path text, Title text, Web integer,"
                  " author text, Lyric text)",
                  "insert into NUser values (1,'a.mp3','/m/a.mp3','甲',1,'歌手','词一')",
                  "insert into NUser values (2,'b.wma','http://h/b.wma','',0,'','')",
                  "insert into NUser values (3,'c.mid','/m/c.mid','It''s',1,'O''Neil','')"});
  QProcess player;
  Start(player);
  ASSERT_TRUE(WaitUntil([&] { return Xdotool({"search", "--name", "Sonaveil V4.0"}); }, 15000))
      << "player " << (player.state() == QProcess::Running ? "running" : "ended") << ": "
      << player.readAllStandardError().constData();
  WaitUntil([] { return false; }, 1500);  // the window has drawn itself
  // Top button 5, the close button, is at 223..231 x 7..23 of the window at the origin.
  ASSERT_TRUE(Xdotool({"mousemove", "227", "15"}));
  ASSERT_TRUE(Xdotool({"click", "1"}));
  ASSERT_TRUE(player.waitForFinished(10000)) << "the player is still running";
  EXPECT_EQ(player.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(player.exitCode(), 0);
  EXPECT_EQ(Rows(userDb, "select ID,Name,Path,Title,Web,author,Lyric from NUser"),
            (QStringList{"1|a.mp3|/m/a.mp3|甲|1|歌手|词一", "2|b.wma|http://h/b.wma||0||",
                         "3|c.mid|/m/c.mid|It's|1|O'Neil|"}));
}

}  // namespace
