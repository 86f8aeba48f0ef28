// The real player on an X server, used with the X pointer.
#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>

#include "app/single_instance.h"
#include "catalog/catalog_fixture.h"
#include "support/test_env.h"

namespace {

// The real player on the test's X server, clicked with the X pointer.
class PlayerOnX11 : public ::testing::Test {
 protected:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) GTEST_SKIP() << "needs an X server";
    env_ = QProcessEnvironment::systemEnvironment();
    env_.insert("TMPDIR", tmp_.path());  // apart from any other running player
    env_.insert("XDG_RUNTIME_DIR", tmp_.path());
    env_.insert("QT_QPA_PLATFORM", "xcb");
    env_.insert("SONAVEIL_AUDIO_SINK", "fakesink");
    program_ = app_.InstallProgram();
  }
  void Start(QProcess& process) {
    process.setProcessEnvironment(env_);
    process.start(program_, {});
    ASSERT_TRUE(process.waitForStarted(5000));
  }
  static bool Xdotool(const QStringList& args) {
    QProcess xdotool;
    xdotool.start("xdotool", args);
    return xdotool.waitForFinished(5000) && xdotool.exitCode() == 0;
  }

  QTemporaryDir tmp_;
  TempAppFolder app_;
  QProcessEnvironment env_;
  QString program_;
  QProcess player_;
};

TEST_F(PlayerOnX11, CloseButtonEndsTheProgramWithThePlaylistStored) {
  const QString userDb = app_.File("data/user.dll");
  RunSql(userDb, {"create table NUser(ID integer, Name text, Path text, Title text, Web integer,"
                  " author text, Lyric text)",
                  "insert into NUser values (1,'a.mp3','/m/a.mp3','甲',1,'歌手','词一')",
                  "insert into NUser values (2,'b.wma','http://h/b.wma','',0,'','')",
                  "insert into NUser values (3,'c.mid','/m/c.mid','It''s',1,'O''Neil','')"});
  QProcess& player = player_;
  Start(player);
  // Once the window is on the screen, a click on it reaches it.
  ASSERT_TRUE(WaitUntil(
      [&] {
        return player.state() != QProcess::Running ||
               Xdotool({"search", "--onlyvisible", "--name", "^Sonaveil V4.0$"});
      },
      15000));
  ASSERT_EQ(player.state(), QProcess::Running) << player.readAllStandardError().constData();
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
