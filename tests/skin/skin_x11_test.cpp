// The skinned window on a real X server: what the screen shows and the shape X keeps.
// The screenshots are left in the build folder (screenshots/) for people to look at.
#include <gtest/gtest.h>

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>

#include "app/frmmain.h"
#include "app/shared_state.h"
#include "platform/app_path.h"
#include "skin/picture_box.h"
#include "skin/skin.h"
#include "skin/skin_pictures.h"
#include "support/fake_media_player.h"
#include "support/test_env.h"

namespace {

class SkinOnX11 : public ::testing::Test {
 protected:
  void SetUp() override {
    if (QGuiApplication::platformName() != "xcb") GTEST_SKIP() << "needs an X server";
    // The built application folder: our skin and the demo catalog.
    SetAppPath(SONAVEIL_APP_DIR);
    ResetSharedState();
    PlaylistLoaded = true;
    frmmain::startupPauseMs = 0;
    for (int i = 0; i < 4; ++i) Playlist[PlaylistCount++].Title = QString("示例歌曲 %1").arg(i + 1);
    window = std::make_unique<frmmain>(new FakeMediaPlayer);
    window->Form_Load();
    window->show();
    QDir().mkpath(ShotDir());
  }
  void TearDown() override {
    window.reset();
    ResetSharedState();
    SetAppPath(QString());
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
    window->List->move(0, 322);
    for (PictureBox* button : window->ControlButton) button->move(button->x(), 322 + 149);
    window->List1->show();
    for (QWidget* w : std::initializer_list<QWidget*>{window->imgSearch, window->lstSinger,
                                                      window->lstSpecial, window->lstSong,
                                                      window->Go, window->Text1, window->lstSearch})
      w->show();
    Skin::ShowSingerTypes(0);
    window->cmdAdd[0]->show();
    window->cmdAdd[1]->show();
    window->Image1->show();
  }

  MsgBoxRecorder boxes;
  std::unique_ptr<frmmain> window;
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
  Skin::SetLabelColors(1, 1);
  Skin::SetLabelColors(0, 0);
  const QImage shot = Screen();
  shot.save(ShotDir() + "/main-window-panels.png");
  EXPECT_EQ(RedPixels(shot), 0);
  EXPECT_EQ(ShapeExtents(), QSize(915, 496)) << lastXwininfo;
  // The skin's red corner at the far right stays see-through.
  EXPECT_FALSE(window->mask().contains(QPoint(914, 0)));
  EXPECT_TRUE(window->mask().contains(QPoint(600, 200)));
}

}  // namespace
