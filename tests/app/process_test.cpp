// Starts the built player as a user would, several times over.
#include <gtest/gtest.h>
#include <signal.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include "app/identity.h"
#include "app/single_instance.h"
#include "catalog/catalog_fixture.h"
#include "support/test_env.h"
#include "support/test_media.h"

namespace {

class PlayerProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A private temporary folder keeps these players apart from any other running one.
    env_ = QProcessEnvironment::systemEnvironment();
    env_.insert("TMPDIR", tmp_.path());
    env_.insert("XDG_RUNTIME_DIR", tmp_.path());
    env_.insert("QT_QPA_PLATFORM", "offscreen");
    env_.insert("QT_LOGGING_RULES", "sonaveil.app.info=true");  // it says what it was asked
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
  EXPECT_TRUE(WaitUntil(
      [&] {
        firstLog += first.readAllStandardError();
        return firstLog.contains("another start asked for the main window");
      },
      10000))
      << firstLog.constData();
  EXPECT_EQ(first.state(), QProcess::Running);
  QProcess refused;  // one that the first does not take (over 1 MB) says so and fails
  refused.setProcessEnvironment(env_);
  refused.start(program_, QStringList(12, "http://radio.test/" + QString(100000, 'x')));
  EXPECT_TRUE(refused.waitForFinished(20000) && refused.exitCode() == 1);
  EXPECT_TRUE(refused.readAllStandardError().contains("did not take this start's request"));
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
  EXPECT_TRUE(WaitUntil(
      [&] {
        log += next.readAllStandardError();
        return log.contains("another start asked for the main window");
      },
      10000));
  Kill(next);
}

// Starts at the same moment, each with a file of its own: exactly one player runs, and it
// has every file in its playlist, once; the others end well.
TEST_F(PlayerProcessTest, FiveStartsAtOnceLeaveOnePlayerWithEveryFile) {
  QProcess starts[5];
  QStringList names;
  for (int i = 0; i < 5; ++i) {
    names << QString("%1.mp3").arg(i);
    app_.Write(names.last(), "x");
    starts[i].setProcessEnvironment(env_);
    starts[i].start(program_, {"--enqueue", app_.File(names.last())});
  }
  int ended = 0;
  for (QProcess& start : starts) {
    if (!start.waitForFinished(8000)) continue;
    ++ended;
    EXPECT_EQ(start.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(start.exitCode(), 0);
  }
  EXPECT_EQ(ended, 4);
  QStringList stored;
  EXPECT_TRUE(WaitUntil(
      [&] {
        stored = Rows(app_.File("data/user.dll"), "select Name from NUser order by Name");
        return stored == names;
      },
      10000))
      << stored.join(',').toStdString();
  for (QProcess& start : starts) Kill(start);
}

// A logout's SIGTERM while a song plays ends the player as its exit command does: playlist
// stored, socket gone, status 0.
TEST_F(PlayerProcessTest, SigtermWhileASongPlaysEndsItAsTheExitCommandDoes) {
  const QString heard = tmp_.filePath("heard.wav");
  env_.insert("SONAVEIL_AUDIO_SINK", "wavenc ! filesink location=" + heard);
  QProcess player;
  player.setProcessEnvironment(env_);
  player.start(program_, {TestMedia::Tone("sigterm", "wav", 30.0)});
  ASSERT_TRUE(player.waitForStarted(5000));
  ASSERT_TRUE(WaitUntil([&] { return QFileInfo(heard).size() > 100000; }, 20000)) << "not playing";
  ::kill(static_cast<pid_t>(player.processId()), SIGTERM);
  ASSERT_TRUE(player.waitForFinished(10000));
  EXPECT_EQ(player.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(player.exitCode(), 0);
  EXPECT_FALSE(QFile::exists(socket_));
  EXPECT_EQ(Rows(app_.File("data/user.dll"), "select Name from NUser"), QStringList{"sigterm.wav"});
}

// Help, the version and a wrong option are answered without a display and start no player.
TEST_F(PlayerProcessTest, HelpVersionAndAWrongOptionNeedNoDisplay) {
  env_.remove("DISPLAY");
  env_.insert("QT_QPA_PLATFORM", "xcb");  // a player would fail to start here
  const struct {
    QStringList arguments;
    int exitCode;
    const char* says;
  } cases[] = {
      {{"--version"}, 0, "sonaveil 4.0"}, {{"-h"}, 0, "--enqueue"}, {{"--bogus"}, 2, "Usage:"}};
  for (const auto& c : cases) {
    QProcess process;
    process.setProcessEnvironment(env_);
    process.start(program_, c.arguments);
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.exitCode(), c.exitCode) << c.says;
    EXPECT_TRUE(
        (process.readAllStandardOutput() + process.readAllStandardError()).contains(c.says));
  }
  EXPECT_FALSE(QFile::exists(socket_));
}

}  // namespace
