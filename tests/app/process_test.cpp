// Starts the built player as a user would, several times over.
#include <gtest/gtest.h>
#include <signal.h>

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include "app/identity.h"
#include "app/single_instance.h"
#include "support/test_env.h"

namespace {

class PlayerProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A private temporary folder keeps these players apart from any other running one.
    env_ = QProcessEnvironment::systemEnvironment();
    env_.insert("TMPDIR", tmp_.path());
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

// Starts at the same moment: exactly one player runs, the others show it and end well.
TEST_F(PlayerProcessTest, FiveStartsAtOnceLeaveOnePlayer) {
  QProcess starts[5];
  for (QProcess& start : starts) {
    start.setProcessEnvironment(env_);
    start.start(program_, {});
  }
  int ended = 0;
  for (QProcess& start : starts) {
    if (!start.waitForFinished(8000)) continue;
    ++ended;
    EXPECT_EQ(start.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(start.exitCode(), 0);
  }
  EXPECT_EQ(ended, 4);
  for (QProcess& start : starts) Kill(start);
}

}  // namespace
