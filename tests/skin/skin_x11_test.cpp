// The skinned window on a real X server: what the screen shows and the shape X keeps.
// The screenshots are left in the build folder (screenshots/) for people to look at.
#include <gtest/gtest.h>

#include <QCursor>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>

#include "app/frmmain.h"
#include "platform/app_path.h"
#include "skin/picture_box.h"
#include "skin/skin.h"
#include "skin/skin_pictures.h"
#include "state/shared_state.h"
#include "support/fake_media_player.h"
#include "support/test_env.h"

namespace {

class SkinOnX11 : public ::testing::Test {
 protected:
  void SetUp() override {
    if (QGuiApplication::platformName() != "xcb") GTEST_SKIP() << "needs an X server";
    // Our skin and the demo catalog, in a folder of the test's own.
    folder_ = std::make_unique<TempAppFolder>();
    folder_->InstallSkinAndCatalog();
    ResetSharedState();
    PlaylistLoaded = true;
    frmmain::startupPauseMs = 0;
    for (int i = 0; i < 4; ++i) Playlist[PlaylistCount++].Title = QString("示例歌曲 %1").arg(i + 1);
    window = std::make_unique<frmmain>(new FakeMediaPlayer);
    ui = Skin::FindFaceControls(window.get());
    face = std::make_unique<Skin::Face>(ui);
    window->Form_Load();
    window->show();
    QDir().mkpath(ShotDir());
  }
  void TearDown() override {
    window.reset();
    ResetSharedState();
    folder_.reset();
  }

  static QString ShotDir() { return QString(SONAVEIL_BINARY_DIR) + "/screenshots"; }

  QImage Screen() {
    WaitUntil([] { return false; }, 400);  // let the window manager-less server settle
    return QGuiApplication::primaryScreen()->grabWindow(0).toImage();
  }

  // The bounding extents of the window's shape, as xwininfo reports them.
  QSize ShapeExtents() {
    QProcess xwininfo;
    xwininfo.start("xwininfo", {"-shape", "-id", QString::number(window->winId())});
    xwininfo.waitForFinished(5000);
    const QString out = xwininfo.readAllStandardOutput();
    lastXwininfo = out.toStdString();
    const QRegularExpression re(R"((?:Window|Bounding) shape extents:\s*(\d+)x(\d+))");
    const auto m = re.match(out);
    return m.hasMatch() ? QSize(m.captured(1).toInt(), m.captured(2).toInt()) : QSize();
  }

  static int RedPixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        if ((image.pixel(x, y) & 0xffffff) == 0xff0000) ++count;
    return count;
  }

  // What the panels' own toggles do (they come with the window chrome).
  void ShowEverything() {
    ui.List->move(0, 322);
    for (PictureBox* button : ui.ControlButton) button->move(button->x(), 322 + 149);
    ui.List1->show();
    for (QWidget* w : std::initializer_list<QWidget*>{ui.imgSearch, ui.lstSinger, ui.lstSpecial,
                                                      ui.lstSong, ui.Go, ui.Text1, ui.lstSearch})
      w->show();
    face->ShowSingerTypes(0);
    ui.cmdAdd[0]->show();
    ui.cmdAdd[1]->show();
    ui.Image1->show();
  }

  static bool Xdotool(const QStringList& args) {
    QProcess xdotool;
    xdotool.start("xdotool", args);
    return xdotool.waitForFinished(5000) && xdotool.exitCode() == 0;
  }

  // True when the screen shows the button's picture, pixel for pixel.
  bool ScreenShows(PictureBox* button, const QString& picture) {
    const QImage expected =
        SkinPictures::Load(picture).toImage().convertToFormat(QImage::Format_RGB32);
    const QRect at(button->mapToGlobal(QPoint(0, 0)), button->size());
    const QImage shown = QGuiApplication::primaryScreen()
                             ->grabWindow(0, at.x(), at.y(), at.width(), at.height())
                             .toImage()
                             .convertToFormat(QImage::Format_RGB32);
    return shown == expected;
  }

  // Waits for the hover timer to show what it should.
  bool SoonShows(PictureBox* button, const QString& picture) {
    return WaitUntil([&] { return ScreenShows(button, picture); }, 3000);
  }

  std::unique_ptr<TempAppFolder> folder_;
  MsgBoxRecorder boxes;
  std::unique_ptr<frmmain> window;
  Skin::FaceControls ui;
  std::unique_ptr<Skin::Face> face;  // the window's skin procedures, on its controls
  std::string lastXwininfo;
};

TEST_F(SkinOnX11, StartingWindowShowsNoKeyColourAndIsShapedToTheFace) {
  const QImage shot = Screen();
  shot.save(ShotDir() + "/main-window.png");
  EXPECT_EQ(RedPixels(shot), 0);
  // The face with the control strip below it; the hidden catalog panel takes no room.
  EXPECT_EQ(ShapeExtents(), QSize(242, 360)) << lastXwininfo;
  EXPECT_TRUE(boxes.Boxes().isEmpty()) << boxes.Texts().join(",").toStdString();
}

TEST_F(SkinOnX11, CatalogAndPlaylistPanelsShownStillShowNoKeyColour) {
  ShowEverything();
  face->SetLabelColors(1, 1);
  face->SetLabelColors(0, 0);
  const QImage shot = Screen();
  shot.save(ShotDir() + "/main-window-panels.png");
  EXPECT_EQ(RedPixels(shot), 0);
  EXPECT_EQ(ShapeExtents(), QSize(915, 496)) << lastXwininfo;
  // The skin's red corner at the far right stays see-through.
  EXPECT_FALSE(window->mask().contains(QPoint(914, 0)));
  EXPECT_TRUE(window->mask().contains(QPoint(600, 200)));
}

}  // namespace

namespace {

TEST_F(SkinOnX11, HoverAndPressFollowTheRealPointer) {
  PictureBox* play = ui.ControlButton[1];
  PictureBox* pause = ui.ControlButton[2];
  ASSERT_TRUE(SoonShows(play, "2-1.gif"));
  ASSERT_TRUE(Xdotool({"mousemove", "86", "346"}));
  EXPECT_TRUE(SoonShows(play, "2-2.gif"));
  EXPECT_TRUE(ScreenShows(pause, "3-1.gif"));
  EXPECT_EQ(window->timButton.interval(), 30);  // quick while the pointer is on a strip

  // The poll rests while the pointer does; the next move still brings the pictures along.
  ASSERT_TRUE(WaitUntil([&] { return !window->timButton.isActive(); }));
  ASSERT_TRUE(Xdotool({"mousemove", "109", "346"}));
  EXPECT_TRUE(SoonShows(pause, "3-2.gif"));
  EXPECT_TRUE(ScreenShows(play, "2-1.gif"));
  ASSERT_TRUE(Xdotool({"mousemove", "86", "346"}));
  EXPECT_TRUE(SoonShows(play, "2-2.gif"));

  // Pressed, and held while the pointer slides on to the pause button.
  ASSERT_TRUE(Xdotool({"mousedown", "1"}));
  EXPECT_TRUE(SoonShows(play, "2-3.gif"));
  ASSERT_TRUE(Xdotool({"mousemove", "109", "346"}));
  WaitUntil([] { return false; }, 300);
  EXPECT_TRUE(ScreenShows(play, "2-3.gif"));
  EXPECT_TRUE(ScreenShows(pause, "3-1.gif"));

  // Off both strips: every button is normal again, held or not.
  ASSERT_TRUE(Xdotool({"mousemove", "120", "200"}));
  EXPECT_TRUE(SoonShows(play, "2-1.gif"));
  for (int i = 0; i < 6; ++i) {
    EXPECT_TRUE(ScreenShows(ui.ControlButton[i], QString("%1-1.gif").arg(i + 1))) << i;
    EXPECT_TRUE(ScreenShows(ui.imgTopButton[i], QString("%1-1.gif").arg(i + 7))) << i;
  }
  EXPECT_EQ(window->timButton.interval(), 100);
  ASSERT_TRUE(Xdotool({"mouseup", "1"}));  // released, the tick follows the pointer again

  // The band's bottom line is inside, the line below it is not; the gap hovers nothing.
  ASSERT_TRUE(Xdotool({"mousemove", "60", "357"}));
  EXPECT_TRUE(SoonShows(ui.ControlButton[0], "1-2.gif"));
  ASSERT_TRUE(Xdotool({"mousemove", "60", "358"}));
  EXPECT_TRUE(SoonShows(ui.ControlButton[0], "1-1.gif"));
  ASSERT_TRUE(Xdotool({"mousemove", "144", "346"}));
  WaitUntil([] { return false; }, 300);
  EXPECT_TRUE(ScreenShows(ui.ControlButton[3], "4-1.gif"));
  EXPECT_TRUE(ScreenShows(ui.ControlButton[4], "5-1.gif"));
  ASSERT_TRUE(Xdotool({"mousemove", "176", "15"}));
  EXPECT_TRUE(SoonShows(ui.imgTopButton[2], "9-2.gif"));
}

TEST_F(SkinOnX11, DraggingTheFaceMovesTheWindowAndTheCatalogWithIt) {
  face->ToggleCatalogPanel();
  const QPoint listBefore = ui.lstSinger->mapToGlobal(QPoint(0, 0));
  ASSERT_TRUE(Xdotool({"mousemove", "10", "200"}));
  ASSERT_TRUE(Xdotool({"mousedown", "1"}));
  for (int step = 1; step <= 10; ++step) {
    ASSERT_TRUE(
        Xdotool({"mousemove", QString::number(10 + 10 * step), QString::number(200 + 5 * step)}));
    WaitUntil([] { return false; }, 30);
  }
  ASSERT_TRUE(Xdotool({"mouseup", "1"}));
  ASSERT_TRUE(WaitUntil([&] { return window->pos() == QPoint(100, 50); }))
      << window->pos().x() << "," << window->pos().y();
  EXPECT_TRUE(ui.lstSinger->isVisible());
  EXPECT_EQ(ui.lstSinger->mapToGlobal(QPoint(0, 0)), listBefore + QPoint(100, 50));
  EXPECT_EQ(window->size(), QSize(917, 569));
  // The face is drawn at its new place.
  EXPECT_TRUE(SoonShows(ui.imgTopButton[0], "7-1.gif"));
}

// A double-click acts once: Click on the first release, DblClick for the second press.
TEST_F(SkinOnX11, ADoubleClickOnAPictureActsOnce) {
  auto doubleClick = [](int x, int y) {
    return Xdotool({"mousemove", QString::number(x), QString::number(y)}) &&
           Xdotool({"click", "--repeat", "2", "--delay", "60", "1"});
  };
  ASSERT_TRUE(doubleClick(195, 15));  // top button 3: the playlist panel
  ASSERT_TRUE(WaitUntil([&] { return ui.List1->isVisible(); }));
  WaitUntil([] { return false; }, 400);
  EXPECT_TRUE(ui.List1->isVisible());

  ui.List1->setCurrentRow(0);
  const int nextY = ui.ControlButton[4]->y() + 10;
  ASSERT_TRUE(doubleClick(155, nextY));  // "next"
  WaitUntil([] { return false; }, 400);
  EXPECT_EQ(CurrentIndex, 1);

  face->ToggleCatalogPanel();
  WaitUntil([] { return false; }, 300);
  ASSERT_TRUE(doubleClick(ui.lbLetter[1]->x() + 3, ui.lbLetter[1]->y() + 6));
  WaitUntil([] { return false; }, 400);
  EXPECT_TRUE(Skin::IsMarked(ui.lbLetter[1]));
  EXPECT_EQ(SelectedLetter, 1);
}

}  // namespace
