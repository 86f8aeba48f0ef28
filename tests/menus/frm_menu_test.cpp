// The two popup menus on the real main window: their entries, what each does, and the
// tray's notifications.
#include "menus/frm_menu.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>
#include <QUrlQuery>

#include "app/frmmain.h"
#include "catalog/catalog_fixture.h"
#include "catalog/list_control.h"
#include "menus/board_process.h"
#include "platform/endpoints.h"
#include "platform/launcher.h"
#include "platform/msgbox.h"
#include "skin/picture_box.h"
#include "state/shared_state.h"
#include "support/fake_media_player.h"
#include "support/test_env.h"
#include "support/test_http_server.h"

namespace {

// "name caption" of every entry, submenu entries after their submenu, indented.
QStringList Entries(const QMenu* menu, const QString& indent = "") {
  QStringList entries;
  for (const QAction* action : menu->actions()) {
    entries << indent + action->objectName() + " " +
                   (action->isSeparator() ? QString("-") : action->text());
    if (action->menu()) entries << Entries(action->menu(), indent + "  ");
  }
  return entries;
}

class MenuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSharedState();
    frmmain::startupPauseMs = 0;
    folder.InstallSkinAndCatalog();
    folder.Write("help.html", "<html></html>");
    server.Route("/sonaveil/count1/active.asp", {.body = "<body>7</body>"});
    folder.Write("data/endpoints.ini",
                 ("[endpoints]\nCounterHost=" + server.Url("/") +
                  "\nRingToneSite=http://ring.test\nMessageBoardHost=" + server.Url("/") + "\n")
                     .toUtf8());
    ReloadEndpoints();
    Launcher::SetRecorder([this](const QString& kind, const QString& target) {
      launched << kind + " " + target;
      return true;
    });
    window = std::make_unique<frmmain>(player);
    ui = Skin::FindFaceControls(window.get());
    window->Form_Load();
    for (QTimer* t : {&window->timWMP, &window->timList, &window->Timer1, &window->Timer3,
                      &window->timVol, &window->timButton, &window->Timer2})
      t->stop();
    window->show();
    menu = window->Menus();
  }
  void TearDown() override {
    Launcher::SetRecorder(nullptr);
    window->UnloadMenus();
    window.reset();
    BoardProcess::Unload();
    BoardProcess::SetProgram({});
    ResetSharedState();
  }
  void AddEntries(int count) {
    for (int i = 0; i < count; ++i) {
      SongRecord& song = Playlist[PlaylistCount];
      song.Name = QString("%1.mp3").arg(PlaylistCount);
      song.Path = QString("/music/%1.mp3").arg(PlaylistCount);
      song.Title = QString("歌曲%1").arg(PlaylistCount);
      ++PlaylistCount;
    }
    ListControl::ShowPlaylist(ui.List1);
  }
  QStringList StoredNames() const {
    return Rows(ListControl::UserDatabaseFile(), "select Name from NUser");
  }

  TestHttpServer server;
  TempAppFolder folder;
  MsgBoxRecorder boxes;
  QStringList launched;
  FakeMediaPlayer* player = new FakeMediaPlayer;
  std::unique_ptr<frmmain> window;
  Skin::FaceControls ui;
  frmMenu* menu = nullptr;
};

TEST_F(MenuTest, BothMenusHoldTheirEntriesInOrder) {
  EXPECT_EQ(menu->menulist1->title(), "Popup Menu");
  EXPECT_EQ(Entries(menu->menulist1),
            (QStringList{"showmain 显示主窗体", "closemenu 关闭菜单", "file 文件",
                         "  addfile 添加本地文件", "  addurl 添加网络文件", "  ge1 -",
                         "  delcur 删除当前歌曲", "  delall 删除所有歌曲", "control1 控制",
                         "  control(0) 前一首", "  control(1) 播放", "  control(2) 暂停",
                         "  control(3) 停止", "  control(4) 后一首", "word 打开留言板",
                         "help(0) 帮助", "exit 退出"}));
  EXPECT_EQ(menu->menuForm->title(), "Popup Menu");
  EXPECT_EQ(Entries(menu->menuForm),
            (QStringList{"hide 隐藏主窗体", "reLrc 重新搜索歌词", "sms 下载本曲铃声",
                         "download 下载当前歌曲", "bbb -", "delcur1 删除当前歌曲",
                         "delall1 删除所有歌曲", "addfile1 添加本地文件", "addurl1 添加网络文件",
                         "fenge -", "word1 打开留言板", "update 软件升级", "help1 帮助"}));
}

TEST_F(MenuTest, DeleteAllAsksAndOnlyYesEmptiesListAndStore) {
  struct Case {
    QAction* entry;
    int answer;
    int countAfter;
  } cases[] = {{menu->delall, vbNo, 3}, {menu->delall1, vbNo, 3}, {menu->delall1, vbYes, 0}};
  AddEntries(3);
  for (const Case& c : cases) {
    boxes.Clear();
    boxes.SetAnswer(c.answer);
    c.entry->trigger();
    EXPECT_EQ(boxes.Texts(), QStringList{"是否要删除所有歌曲？"});
    EXPECT_EQ(boxes.Boxes().value(0).caption, "提醒！");
    EXPECT_EQ(boxes.Boxes().value(0).buttons, vbYesNo);
    EXPECT_EQ(PlaylistCount, c.countAfter);
    EXPECT_EQ(ui.List1->count(), c.countAfter);
    EXPECT_EQ(StoredNames().size(), c.countAfter);
  }
}

TEST_F(MenuTest, DeleteCurrentRemovesTheSelectedEntry) {
  AddEntries(3);
  ui.List1->setCurrentRow(1);
  menu->delcur1->trigger();
  EXPECT_EQ(StoredNames(), (QStringList{"0.mp3", "2.mp3"}));
}

// Only "后一首" touches Paused; "前一首" on the first entry plays it again, "后一首" on the
// last does nothing.
TEST_F(MenuTest, TransportEntries) {
  struct Case {
    int index;
    int row;
    bool paused;
    int currentAfter;
    QStringList calls;
    bool pausedAfter;
  } cases[] = {
      {0, 1, false, 0, {"setURL /music/0.mp3", "play"}, false},
      {0, 1, true, 0, {"play"}, true},
      {0, 0, false, 0, {"setURL /music/0.mp3", "play"}, false},
      {1, 1, true, 1, {"play"}, true},
      {1, 1, false, 1, {"setURL /music/1.mp3", "play"}, false},
      {2, 1, false, 1, {"pause"}, false},
      {3, 1, true, 1, {"stop"}, true},
      {4, 1, false, 2, {"setURL /music/2.mp3", "play"}, false},
      {4, 1, true, 2, {"play"}, false},
      {4, 2, true, 2, {}, true},
  };
  AddEntries(3);
  player->state = MediaPlayer::wmppsPlaying;
  for (const Case& c : cases) {
    ui.List1->setCurrentRow(c.row);
    Paused = c.paused;
    player->calls.clear();
    window->timList.stop();
    menu->control[c.index]->trigger();
    SCOPED_TRACE(testing::Message() << "control(" << c.index << ") from row " << c.row);
    EXPECT_EQ(CurrentIndex, c.currentAfter);
    EXPECT_EQ(ui.List1->currentRow(), c.currentAfter);
    EXPECT_EQ(player->calls, c.calls);
    EXPECT_EQ(Paused, c.pausedAfter);
    EXPECT_TRUE(window->timList.isActive());
  }
}

// A stand-in for the board program: it writes down its address and each command it is sent,
// and ends when it is told "hide" a second time, as the real one ends on its close mark.
TEST_F(MenuTest, BoardEntriesDriveTheBoardProgramAndBothCaptions) {
  const QString log = folder.File("board.log");
  BoardProcess::SetProgram("/bin/sh", {"-c",
                                       "echo \"$1\" > \"$0\"; hides=0; while read c; do "
                                       "echo \"$c\" >> \"$0\"; [ \"$c\" = hide ] && "
                                       "hides=$((hides+1)); [ $hides = 2 ] && exit 0; done",
                                       log});
  const auto logged = [&] {
    QFile file(log);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).split('\n')
                                          : QStringList();
  };
  const auto captions = [&] { return QStringList{menu->word->text(), menu->word1->text()}; };
  menu->word->trigger();
  EXPECT_TRUE(BoardProcess::Instance()->isVisible());
  EXPECT_EQ(captions(), QStringList({"关闭留言板", "关闭留言板"}));
  menu->word1->trigger();
  EXPECT_FALSE(BoardProcess::Instance()->isVisible());
  EXPECT_EQ(captions(), QStringList({"打开留言板", "打开留言板"}));
  menu->word1->trigger();
  EXPECT_TRUE(WaitUntil([&] { return logged().size() == 5; }));
  EXPECT_EQ(logged(), QStringList({server.Url("/note/"), "show", "hide", "show", ""}));

  // The board program ending by itself gives both entries back their opening caption.
  menu->word->trigger();
  EXPECT_TRUE(WaitUntil([] { return !BoardProcess::Instance()->Running(); }));
  EXPECT_FALSE(BoardProcess::Instance()->isVisible());
  EXPECT_EQ(captions(), QStringList({"打开留言板", "打开留言板"}));

  // A board program that cannot start says so, and the board stays closed.
  BoardProcess::SetProgram(folder.File("no-such-board"));
  menu->word->trigger();
  EXPECT_TRUE(WaitUntil([&] { return !boxes.Texts().isEmpty(); }));
  EXPECT_TRUE(boxes.Texts().value(0).startsWith("留言板程序无法启动："))
      << boxes.Texts().value(0).toStdString();
  EXPECT_EQ(captions(), QStringList({"打开留言板", "打开留言板"}));
}

TEST_F(MenuTest, RingToneAddressKeepsTheTitleOneValue) {
  AddEntries(2);
  Playlist[1].Title = "A & B";
  ui.List1->setCurrentRow(1);
  menu->sms->trigger();
  ASSERT_EQ(launched.size(), 1);
  EXPECT_EQ(launched[0], "url http://ring.test/ring_search.php?key=A%20%26%20B&fid=95");
  const QUrlQuery query(QUrl(launched[0].mid(4)));
  EXPECT_EQ(query.queryItemValue("key", QUrl::FullyDecoded), "A & B");
  EXPECT_EQ(query.queryItemValue("fid"), "95");
}

TEST_F(MenuTest, HelpEntriesOpenTheHelpDocument) {
  menu->help[0]->trigger();
  menu->help1->trigger();
  const QString help = "document " + folder.File("help.html");
  EXPECT_EQ(launched, (QStringList{help, help}));
}

TEST_F(MenuTest, UpgradeAsksThenStartsTheUpdaterAndLeavesLater) {
  boxes.SetAnswer(vbNo);
  menu->update->trigger();
  EXPECT_EQ(boxes.Texts(), QStringList{"升级程序一旦启动，主程序即将关闭，是否确定？"});
  EXPECT_EQ(boxes.Boxes()[0].caption, "提示！");
  EXPECT_TRUE(launched.isEmpty());

  AddEntries(1);
  boxes.SetAnswer(vbYes);
  menu->update->trigger();
  EXPECT_EQ(launched, QStringList{"start " + folder.File("update")});
  // Until it leaves, the program takes no command: neither a second 升级 nor a key.
  ui.List1->setCurrentRow(0);
  QTest::mouseClick(ui.imgTopButton[1], Qt::LeftButton);
  QTest::keyClick(ui.List1, Qt::Key_Delete);
  EXPECT_EQ(boxes.Boxes().size(), 2);
  EXPECT_EQ(launched.size(), 1);
  WaitUntil([] { return false; }, 1500);
  EXPECT_TRUE(window->isVisible());  // the program keeps running meanwhile
  EXPECT_TRUE(WaitUntil([&] { return !window->isVisible(); }, 3000));
  EXPECT_EQ(StoredNames(), QStringList{"0.mp3"});
}

TEST_F(MenuTest, WithoutATrayHideOnlyMinimisesAndShowBringsItBack) {
  menu->hide->trigger();
  EXPECT_FALSE(window->isHidden());
  menu->showmain->trigger();
  EXPECT_TRUE(window->isVisible());
  EXPECT_FALSE(window->isMinimized());
}

TEST_F(MenuTest, AddUrlShowsTheCatalogPanelWithoutItsCloseMark) {
  menu->addurl->trigger();
  EXPECT_TRUE(ui.imgSearch->isVisible());
  EXPECT_TRUE(ui.lstSinger->isVisible());
  EXPECT_TRUE(ui.lbLetter[3]->isVisible());
  EXPECT_TRUE(ui.cmdAdd[1]->isVisible());
  EXPECT_FALSE(ui.Image1->isVisible());
  menu->addurl1->trigger();
  EXPECT_FALSE(ui.imgSearch->isVisible());
  EXPECT_FALSE(ui.lbLetter[3]->isVisible());
}

TEST_F(MenuTest, RightReleaseOnThePlaylistPopsMenuFormAndKeepsTheRow) {
  AddEntries(3);
  ui.List1->show();
  ui.List1->setCurrentRow(0);
  QWidget* rows = ui.List1->viewport();
  const QPoint third = ui.List1->visualItemRect(ui.List1->item(2)).center();
  QTest::mouseClick(rows, Qt::LeftButton, {}, third);
  EXPECT_EQ(CurrentIndex, 2);
  EXPECT_FALSE(menu->menuForm->isVisible());
  const QPoint first = ui.List1->visualItemRect(ui.List1->item(0)).center();
  QTest::mouseClick(rows, Qt::RightButton, {}, first);
  EXPECT_TRUE(menu->menuForm->isVisible());
  EXPECT_EQ(CurrentIndex, 2);
  menu->menuForm->close();
}

// A right release on the face, the search picture or the playlist pops up menuForm, also
// where there is no tray (its 隐藏主窗体 then minimises, below).
TEST_F(MenuTest, RightReleaseAnywhereOnTheWindowPopsMenuForm) {
  ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());
  for (const auto& [name, release] :
       std::initializer_list<std::pair<const char*, void (frmmain::*)(int)>>{
           {"Main", &frmmain::Main_MouseUp},
           {"imgSearch", &frmmain::imgSearch_MouseUp},
           {"List1", &frmmain::List1_MouseUp}}) {
    (window.get()->*release)(1);
    EXPECT_FALSE(menu->menuForm->isVisible()) << name;
    (window.get()->*release)(2);
    EXPECT_TRUE(menu->menuForm->isVisible()) << name;
    EXPECT_FALSE(menu->menulist1->isVisible()) << name;
    menu->menuForm->close();
  }
}

TEST_F(MenuTest, TrayNotificationsOnlyDoubleClickAndRightReleaseAct) {
  AddEntries(2);
  ui.List1->setCurrentRow(1);
  ui.Label1->setText("");
  window->hide();
  for (int code : {512, 513, 514, 516, 518, 519, 520}) {
    window->Picture1_MouseMove(code);
    EXPECT_FALSE(window->isVisible()) << code;
  }
  window->Picture1_MouseMove(515);
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(ui.Label1->text(), "歌曲标题：歌曲1\n艺术家：\n歌曲长度：0分0秒");

  // While the tray's menu is open, a double-click is dropped.
  window->hide();
  bool menuWasOpen = false;
  QTimer::singleShot(100, [&] {
    menuWasOpen = menu->menulist1->isVisible();
    window->Picture1_MouseMove(515);
    menu->menulist1->close();
  });
  window->Picture1_MouseMove(517);
  EXPECT_TRUE(menuWasOpen);
  EXPECT_FALSE(window->isVisible());
  window->Picture1_MouseMove(515);  // the menu is closed: handled again
  EXPECT_TRUE(window->isVisible());

  EXPECT_EQ(Tray::TrayCode(QSystemTrayIcon::DoubleClick), 515);
  EXPECT_EQ(Tray::TrayCode(QSystemTrayIcon::Context), 517);
  EXPECT_EQ(Tray::TrayCode(QSystemTrayIcon::Trigger), 514);
}

}  // namespace
