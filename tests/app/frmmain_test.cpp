#include "app/frmmain.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTranslator>

#include "app/identity.h"
#include "menus/board_process.h"
#include "menus/frm_menu.h"
#include "platform/endpoints.h"
#include "skin/my_hscoll_bar.h"
#include "skin/picture_box.h"
#include "state/shared_state.h"
#include "support/fake_media_player.h"
#include "support/test_env.h"
#include "support/test_http_server.h"
#include "web/web_browser.h"

namespace {

class FrmmainTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSharedState();
    frmmain::startupPauseMs = 0;
    folder.InstallSkinAndCatalog();
    server.Route("/sonaveil/count1/active.asp", {.body = "<body>12</body>"});
    folder.Write("data/endpoints.ini",
                 ("[endpoints]\nCounterHost=" + server.Url("/")).toUtf8() + "\n");
    ReloadEndpoints();
  }
  void TearDown() override {
    BoardProcess::Unload();
    ResetSharedState();
  }

  TestHttpServer server;
  TempAppFolder folder;
  MsgBoxRecorder boxes;
};

// The window makes every control of the skin's layout, placed and captioned as it says; the
// layout is the design's.
TEST_F(FrmmainTest, EveryControlIsCreatedNamedAndPlaced) {
  frmmain window;
  for (const Skin::ControlRow& row : Skin::FaceLayout()) {
    auto* control = window.findChild<QWidget*>(row.ObjectName());
    ASSERT_NE(control, nullptr) << row.name << row.index;
    EXPECT_EQ(control->geometry(), row.rect) << row.name << row.index;
    const QString shown =
        control->property(qobject_cast<QPlainTextEdit*>(control) ? "plainText" : "text").toString();
    const QString caption = QString(row.caption).remove('\r');
    EXPECT_TRUE(caption.isEmpty() || caption == shown || caption == control->toolTip())
        << row.name << row.index;
  }
  struct Expected {
    const char* name;
    QRect rect;
  } layout[] = {
      {"Main", {0, 0, 242, 322}},
      {"List", {0, 322, 242, 174}},
      {"List1", {8, 328, 225, 119}},
      {"Label1", {32, 48, 177, 53}},
      {"Text2", {32, 128, 177, 121}},
      {"lbCount", {152, 296, 75, 13}},
      {"PosScroll", {32, 280, 185, 7}},
      {"VolScroll", {32, 304, 105, 7}},
      {"imgSearch", {242, 0, 673, 321}},
      {"lstSinger", {252, 110, 145, 197}},
      {"lstSpecial", {408, 110, 145, 197}},
      {"lstSong", {560, 110, 145, 197}},
      {"Text1", {715, 60, 113, 19}},
      {"Go", {848, 56, 49, 25}},
      {"lstSearch", {713, 107, 194, 171}},
      {"cmdAdd(0)", {714, 278, 97, 30}},
      {"cmdAdd(1)", {811, 278, 96, 30}},
      {"Image1", {899, 8, 9, 17}},
      {"ControlButton(0)", {52, 471, 22, 22}},
      {"ControlButton(4)", {145, 471, 22, 22}},
      {"imgTopButton(0)", {13, 7, 9, 17}},
      {"imgTopButton(2)", {170, 7, 17, 17}},
      {"imgTopButton(5)", {223, 7, 9, 17}},
      {"lbSingerType(5)", {264, 48, 60, 13}},
      {"lbSingerType(6)", {616, 48, 60, 13}},
      {"lbSingerType(4)", {616, 32, 60, 13}},
      {"lbLetter(0)", {264, 64, 7, 13}},
      {"lbLetter(25)", {664, 64, 7, 13}},
  };
  for (const Expected& e : layout) {
    auto* control = window.findChild<QWidget*>(e.name);
    ASSERT_NE(control, nullptr) << e.name;
    EXPECT_EQ(control->geometry(), e.rect) << e.name;
  }
  EXPECT_EQ(window.windowTitle(), "Sonaveil V4.0");
  EXPECT_TRUE(window.windowFlags() & Qt::FramelessWindowHint);
  window.resize(917, 569);
  EXPECT_EQ(window.grab().toImage().pixel(600, 400), qRgb(255, 0, 0));  // the colour key
  const Skin::FaceControls ui = Skin::FindFaceControls(&window);
  EXPECT_EQ(ui.Label1->text(), "欢迎您使用Sonaveil v4.0系列，我们力求为您提供优良的免费服务");
  EXPECT_EQ(ui.Text2->toPlainText(), "歌词：\n");
  EXPECT_EQ(ui.cmdAdd[1]->text(), "↑添加到列表");
  EXPECT_EQ(ui.imgTopButton[3]->toolTip(), "展开\\关闭播放列表");
  // The catalog panel starts hidden, as does the playlist list box.
  EXPECT_TRUE(ui.imgSearch->isHidden());
  EXPECT_TRUE(ui.lstSinger->isHidden());
  EXPECT_TRUE(ui.lbLetter[3]->isHidden());
  EXPECT_TRUE(ui.List1->isHidden());
  // English readers get the window's controls, its menus and its messages in English.
  QTranslator english;
  ASSERT_TRUE(english.load("sonaveil_en", SONAVEIL_APP_DIR "/translations") &&
              QCoreApplication::installTranslator(&english));
  frmmain inEnglish;
  const Skin::FaceControls en = Skin::FindFaceControls(&inEnglish);
  EXPECT_EQ(en.imgTopButton[3]->toolTip(), "Show or hide the playlist");
  EXPECT_EQ(en.ControlButton[1]->accessibleName(), "Play");
  EXPECT_EQ(en.VolScroll->toolTip(), "Volume");
  EXPECT_EQ(en.lstSearch->accessibleName(), "Search results");
  EXPECT_EQ(en.cmdAdd[1]->text(), "↑ Add to list");
  EXPECT_EQ(en.Text2->toPlainText(), "Lyrics:\n");
  frmMenu* menus = inEnglish.Menus();
  EXPECT_EQ(menus->delall1->text(), "Delete all songs");
  EXPECT_EQ(menus->word->text(), "Open message board");
  boxes.Clear();
  menus->delall_Click();
  EXPECT_EQ(boxes.Texts().value(0), "Delete all songs?");
}

TEST_F(FrmmainTest, TimersRunFromCreationAtTheirIntervals) {
  frmmain window;
  const std::pair<QTimer*, int> timers[] = {{&window.timWMP, 10},   {&window.timVol, 100},
                                            {&window.timList, 100}, {&window.timButton, 100},
                                            {&window.Timer1, 1000}, {&window.Timer2, 10000},
                                            {&window.Timer3, 1000}};
  for (auto [timer, interval] : timers) {
    EXPECT_TRUE(timer->isActive()) << timer->objectName().toStdString();
    EXPECT_EQ(timer->interval(), interval) << timer->objectName().toStdString();
  }
}

TEST_F(FrmmainTest, LoadRunsItsStepsAndRegistersTheTrayIcon) {
  {
    frmmain window;
    const auto* WB = window.findChild<WebBrowser*>("WB");
    window.SeekDragging = true;
    window.Form_Load();
    EXPECT_EQ(window.geometry(), QRect(0, 0, 917, 569));
    EXPECT_EQ(SelectedSingerType, 10);
    EXPECT_EQ(SelectedLetter, 26);
    EXPECT_FALSE(window.SeekDragging);
    EXPECT_EQ(WB->LocationURL(), server.Url("/sonaveil/count1/active.asp"));
    EXPECT_TRUE(WaitUntil([&] { return !WB->Busy(); }));
    EXPECT_EQ(WB->BodyHtml(), "12");
    // The message board stays hidden, and its program is not started for that.
    EXPECT_FALSE(BoardProcess::Instance()->isVisible());
    EXPECT_FALSE(BoardProcess::Instance()->Running());

    ASSERT_NE(TrayIcon.icon, nullptr);
    EXPECT_EQ(TrayIcon.icon->toolTip(), "Sonaveil v4.0");
    EXPECT_FALSE(TrayIcon.icon->icon().isNull());
    EXPECT_FALSE(window.findChild<PictureBox*>("Picture1")->pixmap().isNull());
    // Put away, the window comes back with a double-click on the icon.
    window.hide();
    emit TrayIcon.icon->activated(QSystemTrayIcon::DoubleClick);
    EXPECT_TRUE(window.isVisible());
    // Closing the window takes the tray icon away with it.
    window.show();
    window.close();
    EXPECT_EQ(TrayIcon.icon, nullptr);
  }
  EXPECT_TRUE(boxes.Boxes().isEmpty());
}

TEST_F(FrmmainTest, MissingIconLeavesTheTrayEmptyAndTheWindowReachable) {
  QFile::remove(folder.File("skin/sonaveil.ico"));
  frmmain window;
  window.Form_Load();
  EXPECT_EQ(TrayIcon.icon, nullptr);
  EXPECT_NE(window.windowType(), Qt::Tool);             // still in the task list
  EXPECT_EQ(window.geometry(), QRect(0, 0, 917, 569));  // the steps before it are done
  EXPECT_TRUE(boxes.Boxes().isEmpty());                 // no message for it
}

// Each tick of Timer2 reloads the counter page; a short body is the count, a long one or a
// failed load leaves the label alone.
TEST_F(FrmmainTest, CountLabelFollowsTheCounterPage) {
  frmmain window;
  const auto* WB = window.findChild<WebBrowser*>("WB");
  const auto* lbCount = window.findChild<PictureBox*>("lbCount");
  window.Timer2.stop();
  window.Form_Load();
  ASSERT_TRUE(WaitUntil([&] { return !WB->Busy(); }));
  EXPECT_EQ(lbCount->text(), "在线人数： 人");  // the load alone shows no count
  struct Case {
    TestRoute page;
    QString label;
  } cases[] = {
      {{.body = "<html><body>128</body></html>"}, "在线人数128人"},
      {{.body = "<body></body>"}, "在线人数人"},
      {{.body = "<body>123456789</body>"}, "在线人数123456789人"},
      {{.body = "<body>0123456789</body>"}, "在线人数123456789人"},
      {{.status = 500, .body = "<body>9</body>"}, "在线人数123456789人"},
      {{.body = "<body>42</body>"}, "在线人数42人"},
  };
  for (const Case& c : cases) {
    server.Route("/sonaveil/count1/active.asp", c.page);
    const int asked = server.Requests().size();
    window.Timer2_Timer();
    ASSERT_TRUE(WaitUntil([&] { return server.Requests().size() > asked && !WB->Busy(); }));
    EXPECT_EQ(lbCount->text(), c.label) << c.page.body.constData();
  }

  // The timer itself, every ten seconds.
  server.Route("/sonaveil/count1/active.asp", {.body = "<body>77</body>"});
  window.Timer2.start();
  EXPECT_FALSE(WaitUntil([&] { return lbCount->text() == "在线人数77人"; }, 9000));
  EXPECT_TRUE(WaitUntil([&] { return lbCount->text() == "在线人数77人"; }, 2500));
}

TEST_F(FrmmainTest, AnotherStartBringsAMinimisedWindowBack) {
  frmmain window;
  window.Form_Load();
  window.show();
  window.showMinimized();
  window.hide();
  window.ShowFromAnotherStart({});
  EXPECT_TRUE(window.isVisible());
  EXPECT_FALSE(window.windowState() & Qt::WindowMinimized);
}

TEST_F(FrmmainTest, WindowStartsWhenTheSkinIsMissing) {
  QDir(folder.File("skin")).removeRecursively();
  QDir().mkpath(folder.File("skin"));
  MsgBoxRecorder boxes;
  frmmain window(new FakeMediaPlayer);
  window.Form_Load();
  window.show();
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(window.geometry(), QRect(0, 0, 917, 569));
  EXPECT_TRUE(boxes.Texts().contains("皮肤初始化错误！"));
}

}  // namespace
