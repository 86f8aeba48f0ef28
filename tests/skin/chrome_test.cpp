// The window chrome: button pictures, hover bands, the sliding panels, the top buttons.
#include <gtest/gtest.h>

#include <QCursor>
#include <QEvent>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>

#include "app/frmmain.h"
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
    ui = Skin::FindFaceControls(window.get());
    face = std::make_unique<Skin::Face>(ui);
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
  Skin::FaceControls ui;
  std::unique_ptr<Skin::Face> face;  // the window's skin procedures, on its controls
};

TEST_F(ChromeTest, StateProceduresShowTheNamedPictures) {
  face->SetControlButtonState(1, 1);
  EXPECT_TRUE(Shows(ui.ControlButton[1], "2-2.gif"));
  face->SetTopButtonState(2, 5);
  EXPECT_TRUE(Shows(ui.imgTopButton[5], "12-3.gif"));
  face->SetTopButtonState(3, 5);  // no such state: nothing
  EXPECT_TRUE(Shows(ui.imgTopButton[5], "12-3.gif"));
  EXPECT_TRUE(boxes.Boxes().isEmpty());
  face->SetControlButtonState(0, 6);
  EXPECT_EQ(boxes.Texts(), QStringList{"设置控制按钮动作失败！"});
  QFile::remove(folder.File("skin/4-2.gif"));
  SkinPictures::Clear();
  face->SetControlButtonState(1, 3);
  EXPECT_EQ(boxes.Texts().size(), 2);
  EXPECT_TRUE(Shows(ui.ControlButton[3], "4-1.gif"));  // keeps its picture
  // The hover timer asks again and again; the user is told once.
  for (int tick = 0; tick < 5; ++tick) face->SetControlButtonState(1, 3);
  EXPECT_EQ(boxes.Texts().size(), 2);
}

TEST_F(ChromeTest, HoverBandsEdgesAndGaps) {
  // Window pixels; the panel is closed, so the control band is 335 .. 357.
  EXPECT_EQ(face->ControlButtonAt({60, 357}), 0);
  EXPECT_EQ(face->ControlButtonAt({60, 358}), -1);
  EXPECT_EQ(face->ControlButtonAt({60, 334}), -1);
  EXPECT_EQ(face->ControlButtonAt({74, 340}), 0);
  EXPECT_EQ(face->ControlButtonAt({75, 340}), 1);
  EXPECT_EQ(face->ControlButtonAt({144, 340}), -1);  // between buttons 3 and 4
  EXPECT_EQ(face->ControlButtonAt({145, 340}), 4);
  EXPECT_EQ(face->TopButtonAt({13, 7}), 0);
  EXPECT_EQ(face->TopButtonAt({187, 24}), 2);
  EXPECT_EQ(face->TopButtonAt({187, 25}), -1);
  face->OpenPlaylistPanel();
  EXPECT_EQ(face->ControlButtonAt({60, 471}), 0);
  EXPECT_EQ(face->ControlButtonAt({60, 493}), 0);
  EXPECT_EQ(face->ControlButtonAt({60, 357}), -1);

  const QPoint origin = window->pos();
  EXPECT_FALSE(face->CursorInButtonArea(origin + QPoint(0, 15)));  // x = FL is outside
  EXPECT_TRUE(face->CursorInButtonArea(origin + QPoint(1, 15)));
  EXPECT_TRUE(face->CursorInButtonArea(origin + QPoint(100, 493)));
  EXPECT_FALSE(face->CursorInButtonArea(origin + QPoint(242, 15)));
}

TEST_F(ChromeTest, PressedPictureHoldsUntilTheNextTickAfterRelease) {
  Skin::ButtonHover hover(*face, ui);  // the window's hover tracking, on its controls
  hover.timer().stop();
  hover.ControlButton_MouseDown(1, 2);  // right button: nothing shown
  EXPECT_FALSE(hover.ButtonPressed);
  EXPECT_TRUE(Shows(ui.ControlButton[1], "2-1.gif"));
  hover.ControlButton_MouseUp(1, 2);

  hover.ControlButton_MouseDown(1, 1);
  EXPECT_TRUE(hover.ButtonPressed);
  EXPECT_TRUE(Shows(ui.ControlButton[1], "2-3.gif"));
  hover.ControlButton_MouseUp(1, 1);
  EXPECT_FALSE(hover.ButtonPressed);
  EXPECT_TRUE(Shows(ui.ControlButton[1], "2-3.gif"));  // until the next tick

  hover.imgTopButton_DblClick(2);
  EXPECT_TRUE(hover.ButtonPressed);
  EXPECT_TRUE(Shows(ui.imgTopButton[2], "9-3.gif"));
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
  recorder.onMove = [&] { steps.append({ui.List->y(), ui.List1->isVisible()}); };
  ui.List->installEventFilter(&recorder);

  face->TogglePlaylistPanel();
  ASSERT_EQ(steps.size(), 17);
  for (int i = 0; i < 17; ++i) {
    EXPECT_EQ(steps[i].top, 194 + 8 * i);
    EXPECT_FALSE(steps[i].listShown) << i;
  }
  EXPECT_TRUE(ui.List1->isVisible());
  EXPECT_EQ(ui.ControlButton[0]->y(), 471);

  steps.clear();
  window->List_DblClick();  // the same as the playlist button
  ASSERT_EQ(steps.size(), 17);
  EXPECT_EQ(steps.first().top, 314);
  EXPECT_FALSE(steps.first().listShown);  // hidden before the first step
  EXPECT_EQ(steps.last().top, 186);
  EXPECT_EQ(ui.ControlButton[5]->y(), 335);
  face->ClosePlaylistPanel();  // already closed: no step
  EXPECT_EQ(steps.size(), 17);
}

TEST_F(ChromeTest, CatalogPanelTogglesAsAWhole) {
  window->imgTopButton_Click(2);
  for (QWidget* w : std::initializer_list<QWidget*>{
           ui.imgSearch, ui.lstSinger, ui.lstSpecial, ui.lstSong, ui.Go, ui.Text1, ui.lstSearch,
           ui.lbSingerType[3], ui.lbLetter[20], ui.cmdAdd[0], ui.cmdAdd[1], ui.Image1})
    EXPECT_TRUE(w->isVisible()) << w->objectName().toStdString();
  face->ShowCatalogControls(1);
  EXPECT_FALSE(ui.lstSong->isVisible());
  EXPECT_TRUE(ui.imgSearch->isVisible());
  EXPECT_TRUE(ui.Image1->isVisible());
  face->ShowCatalogControls(0);
  EXPECT_TRUE(ui.lstSong->isVisible());

  window->Image1_Click();
  for (QWidget* w : std::initializer_list<QWidget*>{ui.imgSearch, ui.lstSinger, ui.lbLetter[0],
                                                    ui.cmdAdd[1], ui.Image1})
    EXPECT_FALSE(w->isVisible()) << w->objectName().toStdString();

  // Hidden, the controls stay hidden; the window takes its fixed size all the same.
  window->resize(300, 300);
  face->ShowCatalogControls(0);
  EXPECT_FALSE(ui.lstSinger->isVisible());
  EXPECT_EQ(window->size(), QSize(917, 569));
}

// The system moves the window on its own: the catalog controls come back at the new place
// when the move is over, not when it starts. Moved by hand, the window follows the pointer and
// the controls come back at the release.
TEST_F(ChromeTest, AfterAMoveTheControlsAreRedrawnWhenItEnds) {
  window->imgTopButton_Click(2);
  window->resize(300, 300);
  WindowMove::Drag drag(
      window.get(), [&] { face->AfterWindowMove(); }, [](QWindow*) { return true; });
  drag.Press(1, {});
  EXPECT_EQ(window->size(), QSize(300, 300));  // still moving
  for (int step = 1; step <= 3; ++step) {
    WaitUntil([] { return false; }, 100);
    window->move(step * 10, step * 5);
    EXPECT_EQ(window->size(), QSize(300, 300)) << step;
  }
  EXPECT_TRUE(WaitUntil([&] { return window->size() == QSize(917, 569); }, 2000));
  EXPECT_TRUE(ui.lstSong->isVisible());

  window->resize(300, 300);
  const QPoint from = window->pos();
  drag.Press(2, {100, 100});
  drag.Move({130, 120});
  EXPECT_EQ(window->pos(), from + QPoint(30, 20));
  EXPECT_EQ(window->size(), QSize(300, 300));
  EXPECT_TRUE(drag.Release({140, 150}));
  EXPECT_EQ(window->pos(), from + QPoint(40, 50));
  EXPECT_EQ(window->size(), QSize(917, 569));
  EXPECT_FALSE(drag.Release({0, 0}));  // nothing held
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

// The help page shows every button, and its key table names exactly the keys the window acts on.
TEST(HelpDocument, ShowsEveryButtonAndKey) {
  QFile help(QString(SONAVEIL_APP_DIR) + "/help.html");
  ASSERT_TRUE(help.open(QIODevice::ReadOnly));
  const QString text = QString::fromUtf8(help.readAll());
  for (int i = 1; i <= 12; ++i) EXPECT_TRUE(text.contains(QString("skin/%1-1.gif").arg(i))) << i;
  for (const char* caption : {"前一首", "打开本地文件", "升级", "最小化", "关闭", "yisou:"})
    EXPECT_TRUE(text.contains(QString::fromUtf8(caption))) << caption;
  const QString table = text.section("<h2>键盘", 1).section("<table", 1).section("</table>", 0, 0);
  QSet<QString> named, acted;
  for (const auto& code : QRegularExpression("<code>([^<]+)</code>").globalMatch(table))
    named << code.captured(1);
  const std::pair<const char*, const char*> spellings[] = {{"Right", "→"},      {"Left", "←"},
                                                           {"Up", "↑"},         {"Down", "↓"},
                                                           {"Return", "Enter"}, {"Del", "Delete"}};
  for (const QKeyCombination key : WindowKeys::Keys()) {
    QString name = QKeySequence(key).toString(QKeySequence::PortableText);
    for (auto [qt, page] : spellings)
      name.replace(QRegularExpression(QString("\\b%1$").arg(qt)), page);
    acted << name;
  }
  EXPECT_EQ(named, acted);
}

}  // namespace
