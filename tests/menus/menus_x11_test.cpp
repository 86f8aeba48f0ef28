// On a real X server: the tray icon in a tray host, clicked with the X pointer, and the
// message board's own program showing its page. The board's picture is left in the build
// folder (screenshots/board.png).
#include <gtest/gtest.h>

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QListWidget>
#include <QMenu>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>

#include "app/frmmain.h"
#include "catalog/catalog_fixture.h"
#include "menus/board_process.h"
#include "menus/frm_menu.h"
#include "platform/endpoints.h"
#include "state/shared_state.h"
#include "support/fake_media_player.h"
#include "support/test_env.h"
#include "support/test_http_server.h"

namespace {

bool RunTool(const QString& program, const QStringList& args, QString* out = nullptr) {
  QProcess process;
  process.start(program, args);
  if (!process.waitForFinished(5000) || process.exitCode() != 0) return false;
  if (out) *out = QString::fromLocal8Bit(process.readAllStandardOutput());
  return true;
}

bool Xdotool(const QStringList& args) { return RunTool("xdotool", args); }

bool MainWindowShown() { return Xdotool({"search", "--onlyvisible", "--name", "^Sonaveil V4.0$"}); }

// The real player beside a tray host, both on the test's X server.
class TrayOnX11 : public ::testing::Test {
 protected:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) GTEST_SKIP() << "needs an X server";
    trayer_.start("trayer", {"--edge", "bottom", "--align", "right", "--widthtype", "pixel",
                             "--width", "48", "--heighttype", "pixel", "--height", "32"});
    ASSERT_TRUE(trayer_.waitForStarted(5000)) << "trayer is missing (scripts/setup)";
    ASSERT_TRUE(WaitUntil([] { return Xdotool({"search", "--class", "^trayer$"}); }, 5000));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TMPDIR", tmp_.path());
    env.insert("XDG_RUNTIME_DIR", tmp_.path());
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.insert("SONAVEIL_AUDIO_SINK", "fakesink");
    player_.setProcessEnvironment(env);
    program_ = app_.InstallProgram();
  }
  void TearDown() override {
    trayer_.kill();
    trayer_.waitForFinished();
  }
  // The middle of the player's icon inside the tray host, once it is embedded there.
  std::optional<QPoint> IconCentre() {
    QString panel, tree;
    if (!RunTool("xdotool", {"search", "--class", "^trayer$"}, &panel)) return std::nullopt;
    for (const QString& id : panel.split('\n', Qt::SkipEmptyParts)) {
      if (!RunTool("xwininfo", {"-tree", "-id", id}, &tree)) continue;
      static const QRegularExpression child(
          R"re("sonaveil": \("sonaveil".*\s(\d+)x(\d+)\+-?\d+\+-?\d+\s+\+(-?\d+)\+(-?\d+))re");
      const QRegularExpressionMatch m = child.match(tree);
      if (m.hasMatch())
        return QPoint(m.captured(3).toInt() + m.captured(1).toInt() / 2,
                      m.captured(4).toInt() + m.captured(2).toInt() / 2);
    }
    return std::nullopt;
  }

  QTemporaryDir tmp_;
  TempAppFolder app_;
  QString program_;
  QProcess trayer_;
  QProcess player_;
};

TEST_F(TrayOnX11, DoubleClickShowsTheWindowAndTheMenuEndsTheProgram) {
  const QString userDb = app_.File("data/user.dll");
  RunSql(userDb, {"create table NUser(ID integer, Name text, Path text, Title text, Web integer,"
                  " author text, Lyric text)",
                  "insert into NUser values (1,'a.mp3','/m/a.mp3','甲',1,'歌手','')",
                  "insert into NUser values (2,'b.wma','http://h/b.wma','乙',0,'','')"});
  player_.start(program_, {});
  ASSERT_TRUE(player_.waitForStarted(5000));
  ASSERT_TRUE(WaitUntil(MainWindowShown, 15000)) << player_.readAllStandardError().constData();
  std::optional<QPoint> icon;
  ASSERT_TRUE(WaitUntil([&] { return (icon = IconCentre()).has_value(); }, 10000))
      << "the icon was not embedded in the tray";

  // "最小化" hides the window: the tray is there to bring it back.
  ASSERT_TRUE(Xdotool({"mousemove", "211", "15", "click", "1"}));
  ASSERT_TRUE(WaitUntil([] { return !MainWindowShown(); }, 5000));
  const QString x = QString::number(icon->x()), y = QString::number(icon->y());
  ASSERT_TRUE(Xdotool({"mousemove", x, y, "click", "1"}));  // a single click does nothing
  WaitUntil([] { return false; }, 800);
  EXPECT_FALSE(MainWindowShown());
  ASSERT_TRUE(Xdotool({"mousemove", x, y, "click", "--repeat", "2", "--delay", "80", "1"}));
  EXPECT_TRUE(WaitUntil(MainWindowShown, 5000));

  // The tray menu opens over the icon, its last entry "退出" just above the pointer.
  const auto menuArea = [] {
    return QGuiApplication::primaryScreen()->grabWindow(0, 900, 700, 380, 324);
  };
  const QImage before = menuArea().toImage();
  ASSERT_TRUE(Xdotool({"mousemove", x, y, "click", "3"}));
  ASSERT_TRUE(WaitUntil([&] { return menuArea().toImage() != before; }, 5000)) << "no menu";
  QDir(QString(SONAVEIL_BINARY_DIR)).mkpath("screenshots");
  menuArea().save(QString(SONAVEIL_BINARY_DIR) + "/screenshots/tray-menu.png");
  ASSERT_TRUE(Xdotool({"mousemove_relative", "--", "-40", "-12", "click", "1"}));
  ASSERT_TRUE(player_.waitForFinished(10000)) << "the player is still running";
  EXPECT_EQ(player_.exitCode(), 0);
  EXPECT_EQ(Rows(userDb, "select ID,Name,Title from NUser"),
            (QStringList{"1|a.mp3|甲", "2|b.wma|乙"}));
}

// The board program, opened from the player's menus, with the board served over loopback.
class BoardOnX11 : public ::testing::Test {
 protected:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) GTEST_SKIP() << "needs an X server";
    ResetSharedState();
    frmmain::startupPauseMs = 0;
    folder.InstallSkinAndCatalog();
    server.Route("/note/", {.body = "<html><head><title>留言簿</title></head>"
                                    "<body style='margin:0;background:#2a7f62'>"
                                    "<h1 style='color:white'>Sonaveil 留言簿</h1></body></html>",
                            .contentType = "text/html; charset=utf-8"});
    WriteBoardHost(server.Url("/"));
    BoardProcess::SetProgram(SONAVEIL_APP_DIR "/sonaveil-board");
    window = std::make_unique<frmmain>(new FakeMediaPlayer);
    window->Form_Load();
    window->show();
    menu = window->Menus();
    QObject::connect(BoardProcess::Instance(), &BoardProcess::Said,
                     [this](const QString& line) { said << line; });
  }
  void TearDown() override {
    window->UnloadMenus();
    BoardProcess::Unload();
    BoardProcess::SetProgram({});
    window.reset();
    ResetSharedState();
  }
  void WriteBoardHost(const QString& host) {
    folder.Write("data/endpoints.ini", ("[endpoints]\nMessageBoardHost=" + host + "\n").toUtf8());
    ReloadEndpoints();
  }
  // The board's window while it is shown, or an empty string.
  static QString ShownBoard() {
    QString id;
    RunTool("xdotool", {"search", "--onlyvisible", "--name", "^Sonaveil留言簿$"}, &id);
    return id.trimmed();
  }
  static QRect Geometry(const QString& id) {
    QString out;
    RunTool("xdotool", {"getwindowgeometry", "--shell", id}, &out);
    QMap<QString, int> v;
    for (const QString& line : out.split('\n'))
      if (line.contains('=')) v[line.section('=', 0, 0)] = line.section('=', 1).toInt();
    return QRect(v["X"], v["Y"], v["WIDTH"], v["HEIGHT"]);
  }

  TestHttpServer server;
  TempAppFolder folder;
  MsgBoxRecorder boxes;
  std::unique_ptr<frmmain> window;
  frmMenu* menu = nullptr;
  QStringList said;
};

TEST_F(BoardOnX11, ShowsTheBoardKeepsItWhileHiddenAndStartsAgainAfterClosing) {
  EXPECT_FALSE(BoardProcess::Instance()->Running());  // no board program until it is opened
  menu->word->trigger();
  const QString loaded = "loaded 1 " + server.Url("/note/");
  ASSERT_TRUE(WaitUntil([&] { return said.contains(loaded); }, 30000))
      << said.join('|').toStdString();
  QString board;
  ASSERT_TRUE(WaitUntil([&] { return !(board = ShownBoard()).isEmpty(); }, 10000));
  // The page is drawn inside the frame.
  const QRect frame = Geometry(board);
  ASSERT_EQ(frame.size(), QSize(700, 408));
  const QPoint inside = frame.topLeft() + QPoint(350, 300);
  ASSERT_TRUE(WaitUntil(
      [&] {
        return QGuiApplication::primaryScreen()->grabWindow(0).toImage().pixelColor(inside) ==
               QColor(0x2a, 0x7f, 0x62);
      },
      15000));
  QDir(QString(SONAVEIL_BINARY_DIR)).mkpath("screenshots");
  QGuiApplication::primaryScreen()
      ->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height())
      .save(QString(SONAVEIL_BINARY_DIR) + "/screenshots/board.png");

  // Dragged by its frame, the board follows the pointer and tells the player it moved.
  const QPoint grip = frame.topLeft() + QPoint(200, 12);
  ASSERT_TRUE(Xdotool({"mousemove", QString::number(grip.x()), QString::number(grip.y()),
                       "mousedown", "1", "mousemove", QString::number(grip.x() + 120),
                       QString::number(grip.y() + 60), "mouseup", "1"}));
  EXPECT_TRUE(WaitUntil([&] { return said.contains("moved"); }, 5000))
      << said.join('|').toStdString();
  EXPECT_TRUE(WaitUntil(
      [&] { return Geometry(board).topLeft() == frame.topLeft() + QPoint(120, 60); }, 5000))
      << Geometry(board).x() << "," << Geometry(board).y();

  // Hidden and shown again through the menus, it is the same board, not loaded again.
  menu->word1->trigger();
  EXPECT_TRUE(WaitUntil([] { return ShownBoard().isEmpty(); }, 5000));
  menu->word->trigger();
  EXPECT_TRUE(WaitUntil([] { return !ShownBoard().isEmpty(); }, 5000));
  EXPECT_EQ(said.count(loaded), 1);

  // Closed by its mark, the program ends and the menus offer to open it again, at the start
  // page.
  const QRect shown = Geometry(ShownBoard());
  ASSERT_TRUE(Xdotool({"mousemove", QString::number(shown.x() + 676),
                       QString::number(shown.y() + 16), "click", "1"}));
  ASSERT_TRUE(WaitUntil([] { return !BoardProcess::Instance()->Running(); }, 10000));
  EXPECT_EQ(menu->word->text(), "打开留言板");
  EXPECT_EQ(menu->word1->text(), "打开留言板");
  menu->word1->trigger();
  EXPECT_TRUE(WaitUntil([&] { return said.count(loaded) == 2; }, 30000));
}

TEST_F(BoardOnX11, APageThatFailsIsReportedAndTheBoardStaysOpen) {
  WriteBoardHost("http://127.0.0.1:9/");  // nothing listens there
  menu->word->trigger();
  ASSERT_TRUE(WaitUntil([&] { return said.contains("loaded 0 http://127.0.0.1:9/note/"); }, 30000))
      << said.join('|').toStdString();
  EXPECT_FALSE(ShownBoard().isEmpty());
  EXPECT_TRUE(BoardProcess::Instance()->Running());
}

}  // namespace
