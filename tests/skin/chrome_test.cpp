// The window chrome: button pictures, hover bands, the sliding panels, the top buttons.
#include <gtest/gtest.h>

#include <QCursor>
#include <QEvent>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "app/frmmain.h"
#include "app/identity.h"
#include "catalog/catalog_fixture.h"
#include "catalog/list_control.h"
#include "platform/launcher.h"
#include "platform/msgbox.h"
#include "skin/picture_box.h"
#include "skin/skin.h"
#include "skin/skin_pictures.h"
#include "state/shared_state.h"
#include "support/fake_media_player.h"
#include "support/test_env.h"

namespace {

class ChromeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSharedState();
    SkinPictures::Clear();
    frmmain::startupPauseMs = 0;
    folder.InstallSkinAndCatalog();
    folder.Write("help.html", "<html></html>");
    Launcher::SetRecorder([this](const QString& kind, const QString& target) {
      launched << kind + " " + target;
      return true;
    });
    window = std::make_unique<frmmain>(new FakeMediaPlayer);
    window->Form_Load();
    window->timButton.stop();
    window->show();
  }
  void TearDown() override {
    Launcher::SetRecorder(nullptr);
    window.reset();
    SkinPictures::Clear();
    ResetSharedState();
  }
  bool Shows(PictureBox* button, const QString& picture) {
    return button->pixmap().toImage() == SkinPictures::Load(picture).toImage();
  }

  TempAppFolder folder;
  MsgBoxRecorder boxes;
  QStringList launched;
  std::unique_ptr<frmmain> window;
};

TEST_F(ChromeTest, StateProceduresShowTheNamedPictures) {
  window->face->SetControlButtonState(1, 1);
  EXPECT_TRUE(Shows(window->ControlButton[1], "2-2.gif"));
  window->face->SetTopButtonState(2, 5);
  EXPECT_TRUE(Shows(window->imgTopButton[5], "12-3.gif"));
  window->face->SetTopButtonState(3, 5);  // no such state: nothing
  EXPECT_TRUE(Shows(window->imgTopButton[5], "12-3.gif"));
  EXPECT_TRUE(boxes.Boxes().isEmpty());
  window->face->SetControlButtonState(0, 6);
  EXPECT_EQ(boxes.Texts(), QStringList{"设置控制按钮动作失败！"});
  QFile::remove(folder.File("skin/4-2.gif"));
  SkinPictures::Clear();
  window->face->SetControlButtonState(1, 3);
  EXPECT_EQ(boxes.Texts().size(), 2);
  EXPECT_TRUE(Shows(window->ControlButton[3], "4-1.gif"));  // keeps its picture
  // The hover timer asks again and again; the user is told once.
  for (int tick = 0; tick < 5; ++tick) window->face->SetControlButtonState(1, 3);
  EXPECT_EQ(boxes.Texts().size(), 2);
}

TEST_F(ChromeTest, HoverBandsEdgesAndGaps) {
  // Window pixels; the panel is closed, so the control band is 335 .. 357.
  EXPECT_EQ(window->face->ControlButtonAt({60, 357}), 0);
  EXPECT_EQ(window->face->ControlButtonAt({60, 358}), -1);
  EXPECT_EQ(window->face->ControlButtonAt({60, 334}), -1);
  EXPECT_EQ(window->face->ControlButtonAt({74, 340}), 0);
  EXPECT_EQ(window->face->ControlButtonAt({75, 340}), 1);
  EXPECT_EQ(window->face->ControlButtonAt({144, 340}), -1);  // between buttons 3 and 4
  EXPECT_EQ(window->face->ControlButtonAt({145, 340}), 4);
  EXPECT_EQ(window->face->TopButtonAt({13, 7}), 0);
  EXPECT_EQ(window->face->TopButtonAt({187, 24}), 2);
  EXPECT_EQ(window->face->TopButtonAt({187, 25}), -1);
  window->face->OpenPlaylistPanel();
  EXPECT_EQ(window->face->ControlButtonAt({60, 471}), 0);
  EXPECT_EQ(window->face->ControlButtonAt({60, 493}), 0);
  EXPECT_EQ(window->face->ControlButtonAt({60, 357}), -1);

  const QPoint origin = window->pos();
  EXPECT_FALSE(window->face->CursorInButtonArea(origin + QPoint(0, 15)));  // x = FL is outside
  EXPECT_TRUE(window->face->CursorInButtonArea(origin + QPoint(1, 15)));
  EXPECT_TRUE(window->face->CursorInButtonArea(origin + QPoint(100, 493)));
  EXPECT_FALSE(window->face->CursorInButtonArea(origin + QPoint(242, 15)));
}

TEST_F(ChromeTest, PressedPictureHoldsUntilTheNextTickAfterRelease) {
  window->ControlButton_MouseDown(1, 2);  // right button: nothing shown
  EXPECT_FALSE(window->ButtonPressed);
  EXPECT_TRUE(Shows(window->ControlButton[1], "2-1.gif"));
  window->ControlButton_MouseUp(1, 2);

  window->ControlButton_MouseDown(1, 1);
  EXPECT_TRUE(window->ButtonPressed);
  EXPECT_TRUE(Shows(window->ControlButton[1], "2-3.gif"));
  window->ControlButton_MouseUp(1, 1);
  EXPECT_FALSE(window->ButtonPressed);
  EXPECT_TRUE(Shows(window->ControlButton[1], "2-3.gif"));  // until the next tick

  window->imgTopButton_DblClick(2);
  EXPECT_TRUE(window->ButtonPressed);
  EXPECT_TRUE(Shows(window->imgTopButton[2], "9-3.gif"));
}

TEST_F(ChromeTest, PlaylistPanelSlidesInSeventeenDrawnSteps) {
  struct Step {
    int top;
    bool listShown;
  };
  QList<Step> steps;
  struct Recorder : QObject {
    std::function<void()> onMove;
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == QEvent::Move) onMove();
      return false;
    }
  } recorder;
  recorder.onMove = [&] { steps.append({window->List->y(), window->List1->isVisible()}); };
  window->List->installEventFilter(&recorder);

  window->face->TogglePlaylistPanel();
  ASSERT_EQ(steps.size(), 17);
  for (int i = 0; i < 17; ++i) {
    EXPECT_EQ(steps[i].top, 194 + 8 * i);
    EXPECT_FALSE(steps[i].listShown) << i;
  }
  EXPECT_TRUE(window->List1->isVisible());
  EXPECT_EQ(window->ControlButton[0]->y(), 471);

  steps.clear();
  window->List_DblClick();  // the same as the playlist button
  ASSERT_EQ(steps.size(), 17);
  EXPECT_EQ(steps.first().top, 314);
  EXPECT_FALSE(steps.first().listShown);  // hidden before the first step
  EXPECT_EQ(steps.last().top, 186);
  EXPECT_EQ(window->ControlButton[5]->y(), 335);
  window->face->ClosePlaylistPanel();  // already closed: no step
  EXPECT_EQ(steps.size(), 17);
}

TEST_F(ChromeTest, CatalogPanelTogglesAsAWhole) {
  window->imgTopButton_Click(2);
  for (QWidget* w : std::initializer_list<QWidget*>{
           window->imgSearch, window->lstSinger, window->lstSpecial, window->lstSong, window->Go,
           window->Text1, window->lstSearch, window->lbSingerType[3], window->lbLetter[20],
           window->cmdAdd[0], window->cmdAdd[1], window->Image1})
    EXPECT_TRUE(w->isVisible()) << w->objectName().toStdString();
  window->face->ShowCatalogControls(1);
  EXPECT_FALSE(window->lstSong->isVisible());
  EXPECT_TRUE(window->imgSearch->isVisible());
  EXPECT_TRUE(window->Image1->isVisible());
  window->face->ShowCatalogControls(0);
  EXPECT_TRUE(window->lstSong->isVisible());

  window->Image1_Click();
  for (QWidget* w :
       std::initializer_list<QWidget*>{window->imgSearch, window->lstSinger, window->lbLetter[0],
                                       window->cmdAdd[1], window->Image1})
    EXPECT_FALSE(w->isVisible()) << w->objectName().toStdString();

  // Hidden, the controls stay hidden; the window takes its fixed size all the same.
  window->resize(300, 300);
  window->face->ShowCatalogControls(0);
  EXPECT_FALSE(window->lstSinger->isVisible());
  EXPECT_EQ(window->size(), QSize(917, 569));
}

// The system moves the window on its own: the catalog controls come back at the new place
// when the move is over, not when it starts.
TEST_F(ChromeTest, AfterASystemMoveTheControlsAreRedrawnWhenItEnds) {
  window->imgTopButton_Click(2);
  window->resize(300, 300);
  ASSERT_TRUE(window->face->StartWindowDrag([](QWindow*) { return true; }));
  EXPECT_EQ(window->size(), QSize(300, 300));  // still moving
  for (int step = 1; step <= 3; ++step) {
    WaitUntil([] { return false; }, 100);
    window->move(step * 10, step * 5);
    EXPECT_EQ(window->size(), QSize(300, 300)) << step;
  }
  EXPECT_TRUE(WaitUntil([&] { return window->size() == QSize(917, 569); }, 2000));
  EXPECT_TRUE(window->lstSong->isVisible());
}

TEST_F(ChromeTest, HelpOpensTheHelpDocument) {
  window->imgTopButton_Click(0);
  EXPECT_EQ(launched, QStringList{"document " + folder.File("help.html")});
}

TEST_F(ChromeTest, UpgradeAsksFirst) {
  boxes.SetAnswer(vbNo);
  window->imgTopButton_Click(1);
  EXPECT_EQ(boxes.Texts(), QStringList{"升级程序一旦启动，主程序即将关闭，是否确定？"});
  EXPECT_EQ(boxes.Boxes()[0].caption, "提示！");
  EXPECT_EQ(boxes.Boxes()[0].buttons, vbYesNo);
  EXPECT_TRUE(launched.isEmpty());
  WaitUntil([] { return false; }, 200);
  EXPECT_TRUE(window->isVisible());

  // Yes: the updater starts, and the player closes two seconds later with its list stored.
  Playlist[0].Name = "kept.mp3";
  PlaylistCount = 1;
  boxes.SetAnswer(vbYes);
  window->imgTopButton_Click(1);
  EXPECT_EQ(launched, QStringList{"start " + folder.File("update")});
  WaitUntil([] { return false; }, 1500);
  EXPECT_TRUE(window->isVisible());
  EXPECT_TRUE(WaitUntil([&] { return !window->isVisible(); }, 3000));
  EXPECT_EQ(Rows(ListControl::UserDatabaseFile(), "select Name from NUser"),
            QStringList{"kept.mp3"});
}

TEST_F(ChromeTest, MinimiseWithoutATrayKeepsTheWindowReachable) {
  window->imgTopButton_Click(4);
  EXPECT_TRUE(window->isMinimized() || window->isVisible());
  EXPECT_FALSE(window->isHidden());
}

TEST_F(ChromeTest, CloseStoresThePlaylistAndRemovesTheTrayIcon) {
  Playlist[0].Name = "one.mp3";
  Playlist[1].Name = "two.mp3";
  PlaylistCount = 2;
  window->imgTopButton_Click(5);
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(TrayIcon.icon, nullptr);
  EXPECT_EQ(Rows(ListControl::UserDatabaseFile(), "select ID,Name from NUser"),
            (QStringList{"1|one.mp3", "2|two.mp3"}));
}

TEST(HelpDocument, ShowsEveryButton) {
  QFile help(QString(SONAVEIL_APP_DIR) + "/help.html");
  ASSERT_TRUE(help.open(QIODevice::ReadOnly));
  const QString text = QString::fromUtf8(help.readAll());
  for (int i = 1; i <= 12; ++i) EXPECT_TRUE(text.contains(QString("skin/%1-1.gif").arg(i))) << i;
  for (const char* caption : {"前一首", "打开本地文件", "升级", "最小化", "关闭", "yisou:"})
    EXPECT_TRUE(text.contains(QString::fromUtf8(caption))) << caption;
}

}  // namespace
