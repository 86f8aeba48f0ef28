// The built update program on a real X server, driven with real pointer events against a
// loopback update server, in an application folder of the test's own.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>

#include "support/test_env.h"
#include "support/test_http_server.h"
#include "updater/update_signing.h"

namespace {

QByteArray ReadFile(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QString Xdotool(const QStringList& args) {
  QProcess xdotool;
  xdotool.start("xdotool", args);
  xdotool.waitForFinished(5000);
  return QString::fromUtf8(xdotool.readAllStandardOutput()).trimmed();
}

class UpdaterOnX11 : public ::testing::Test {
 protected:
  void SetUp() override {
    if (QGuiApplication::platformName() != "xcb") GTEST_SKIP() << "needs an X server";
    app.InstallSkinAndCatalog();
    ASSERT_TRUE(QFile::copy(QString(SONAVEIL_APP_DIR) + "/update", app.File("update")));
    app.Write("sonaveil", "#!/bin/sh\necho old player\n");
    QFile::setPermissions(app.File("sonaveil"),
                          QFile::permissions(app.File("sonaveil")) | QFileDevice::ExeOwner);
    app.Write("data/endpoints.ini",
              ("[endpoints]\nUpdateServer=" + server.Url("/") + "\n").toUtf8());
    server.Route("/sonaveil/updatefile/db.txt", {.body = "2024.06.01"});
    server.Route("/sonaveil/updatefile/sonaveil.txt", {.body = "v4.1.2"});
    server.Route("/sonaveil/updatefile/sonaveil.rar", {.body = ReadFile(UPDATER_TEST_PLAYER)});
    server.Route("/sonaveil/updatefile/sonaveil.rar.sig",
                 {.body = Statement(ReadFile(UPDATER_TEST_PLAYER), "program")});

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "xcb");
    update.setProcessEnvironment(env);
    update.start(app.File("update"), {});
    ASSERT_TRUE(update.waitForStarted(5000));
    ASSERT_TRUE(WaitUntil(
        [&] {
          return !(window = Xdotool({"search", "--onlyvisible", "--name", "^update$"})).isEmpty();
        },
        10000));
    window = window.section('\n', 0, 0);
    Xdotool({"windowmove", window, "100", "100"});
    ASSERT_TRUE(WaitUntil([&] { return WindowAt() == QPoint(100, 100); }));
  }

  QPoint WindowAt() {
    const QString out = Xdotool({"getwindowgeometry", window});
    const auto m = QRegularExpression(R"(Position: (-?\d+),(-?\d+))").match(out);
    return m.hasMatch() ? QPoint(m.captured(1).toInt(), m.captured(2).toInt()) : QPoint(-1, -1);
  }

  // Presses button at the window point from, moves in steps to, and releases there; button 0
  // only moves there and clicks.
  void Pointer(int button, QPoint from, QPoint to = {}) {
    const QPoint origin = WindowAt();
    auto moveTo = [&](QPoint p) {
      Xdotool(
          {"mousemove", QString::number(origin.x() + p.x()), QString::number(origin.y() + p.y())});
    };
    moveTo(from);
    if (button == 0) {
      Xdotool({"click", "1"});
      return;
    }
    Xdotool({"mousedown", QString::number(button)});
    for (int step = 1; step <= 5; ++step) {
      moveTo(from + (to - from) * step / 5);
      WaitUntil([] { return false; }, 30);
    }
    Xdotool({"mouseup", QString::number(button)});
    WaitUntil([] { return false; }, 200);
  }

  TempAppFolder app;
  TestHttpServer server;
  QProcess update;
  QString window;
};

TEST_F(UpdaterOnX11, UpdateTheProgramThenStartIt) {
  ASSERT_TRUE(WaitUntil([&] { return server.Requests().size() >= 2; }));

  // Only the left button drags the window, by the pointer's travel: had the right one moved
  // it too, it would end further on.
  Pointer(3, {200, 150}, {240, 180});
  Pointer(1, {200, 150}, {240, 180});
  EXPECT_TRUE(WaitUntil([&] { return WindowAt() == QPoint(140, 130); }))
      << WindowAt().x() << "," << WindowAt().y();

  Pointer(0, {88 + 36, 104 + 12});  // Command1
  EXPECT_TRUE(WaitUntil(
      [&] { return ReadFile(app.File("sonaveil")) == ReadFile(UPDATER_TEST_PLAYER); }, 10000));
  EXPECT_TRUE(QFileInfo(app.File("sonaveil")).isExecutable());
  // The message box says it is done; Return closes it.
  QString box;
  ASSERT_TRUE(WaitUntil([&] {
    return !(box = Xdotool({"search", "--onlyvisible", "--name", "^提示！$"})).isEmpty();
  }));
  Xdotool({"windowfocus", box.section('\n', 0, 0)});
  Xdotool({"key", "Return"});
  ASSERT_TRUE(WaitUntil([&] { return Xdotool({"search", "--name", "^提示！$"}).isEmpty(); }));

  Pointer(0, {404, 16});  // Image1: the new player starts and the updater ends
  EXPECT_TRUE(WaitUntil([&] { return QFile::exists(app.File("started")); }, 5000));
  EXPECT_TRUE(WaitUntil([&] { return update.state() == QProcess::NotRunning; }, 5000));
  EXPECT_EQ(update.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(update.exitCode(), 0);
}

}  // namespace
