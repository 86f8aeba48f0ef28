#include "skin/my_hscoll_bar.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QListWidget>
#include <QMouseEvent>
#include <QSignalSpy>

#include "app/frmmain.h"
#include "playback/gst_media_player.h"
#include "state/shared_state.h"
#include "support/fake_media_player.h"
#include "support/test_env.h"
#include "support/test_media.h"

namespace {

// Sends real mouse events to the bar's thumb, as a pointer at x pixels from the bar's left
// edge would: the thumb receives them in its own coordinates, wherever it has moved.
class Mouse {
 public:
  explicit Mouse(MyHScollBar* bar) : thumb_(ThumbOf(bar)) {}
  static QWidget* ThumbOf(MyHScollBar* bar) {
    // The thumb is the child that takes the mouse.
    for (QWidget* child : bar->findChildren<QWidget*>())
      if (!child->testAttribute(Qt::WA_TransparentForMouseEvents)) return child;
    return nullptr;
  }
  void Press(double x, Qt::MouseButton button = Qt::LeftButton) {
    held_ = button;
    Send(QEvent::MouseButtonPress, x, button, button);
  }
  void Move(double x) { Send(QEvent::MouseMove, x, Qt::NoButton, held_); }
  void Release(double x) {
    const Qt::MouseButton button = held_;
    held_ = Qt::NoButton;
    Send(QEvent::MouseButtonRelease, x, button, Qt::NoButton);
  }
  QWidget* thumb() const { return thumb_; }

 private:
  void Send(QEvent::Type type, double x, Qt::MouseButton button, Qt::MouseButtons buttons) {
    const QPointF local(x - thumb_->x(), 3);
    QMouseEvent event(type, local, thumb_->mapToGlobal(local), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(thumb_, &event);
  }
  QWidget* thumb_;
  Qt::MouseButton held_ = Qt::NoButton;
};

QStringList Events(const QSignalSpy& down, const QSignalSpy& scroll, const QSignalSpy& up) {
  return {QString("down %1").arg(down.size()), QString("scroll %1").arg(scroll.size()),
          QString("up %1").arg(up.size())};
}

class BarTest : public ::testing::Test {
 protected:
  BarTest() {
    parent.resize(300, 50);
    bar = new MyHScollBar(&parent);
    bar->setGeometry(32, 280 - 270, 185, 7);
    parent.show();
  }
  QWidget parent;
  MyHScollBar* bar;
};

TEST_F(BarTest, LayoutInTwips) {
  EXPECT_EQ(bar->height(), 7);
  EXPECT_EQ(bar->Lenth(), 2445.0f);
  EXPECT_EQ(bar->Position(), 0);
  EXPECT_EQ(bar->ThumbLeft(), 600);  // the design place until Position is set
  bar->resize(105, 20);
  EXPECT_EQ(bar->height(), 7);
  EXPECT_EQ(bar->Lenth(), 1245.0f);
  bar->SetLenth(5);
  EXPECT_EQ(bar->Lenth(), 5.0f);
  bar->resize(185, 7);
  EXPECT_EQ(bar->Lenth(), 2445.0f);  // the layout overwrites what was set
  bar->SetPosition(-100);
  EXPECT_EQ(bar->ThumbLeft(), 30 - 100);
  bar->SetPosition(99.5);  // halves to even
  EXPECT_EQ(bar->Position(), 100);
  bar->resize(150, 7);
  EXPECT_EQ(bar->Position(), 100);
  EXPECT_EQ(bar->ThumbLeft(), 130);
}

TEST_F(BarTest, DraggingToTheRightEndGivesLenth) {
  QSignalSpy down(bar, &MyHScollBar::MouseDown);
  QSignalSpy scroll(bar, &MyHScollBar::OnScroll);
  QSignalSpy up(bar, &MyHScollBar::MouseUp);
  bar->SetPosition(0);  // the thumb spans pixels 2 to 19
  Mouse mouse(bar);
  mouse.Press(7);
  EXPECT_TRUE(bar->Dragging());
  for (int x = 10; x <= 170; x += 8) mouse.Move(x);  // the thumb's right edge meets the cap
  mouse.Release(170);
  EXPECT_EQ(bar->Position(), 2445);
  EXPECT_EQ(static_cast<float>(bar->Position()), *bar->Lenth());
  EXPECT_EQ(Events(down, scroll, up), (QStringList{"down 1", "scroll 21", "up 1"}));
  EXPECT_FALSE(bar->Dragging());
}

TEST_F(BarTest, ADragPastTheEndLeavesTheThumbAtItsLastPlace) {
  bar->SetPosition(0);
  QSignalSpy scroll(bar, &MyHScollBar::OnScroll);
  Mouse mouse(bar);
  mouse.Press(7);
  mouse.Move(107);  // 100 pixels right: 1500 twips
  mouse.Move(400);  // in one jump far past the right end: the thumb stays where it was
  EXPECT_EQ(bar->Position(), 1500);
  EXPECT_EQ(scroll.size(), 2);  // raised even when the thumb did not move
  mouse.Move(-300);             // past the left end as well
  EXPECT_EQ(bar->Position(), 1500);
  mouse.Release(-300);
}

TEST_F(BarTest, OtherButtonsOnlyRaiseMouseUp) {
  QSignalSpy down(bar, &MyHScollBar::MouseDown);
  QSignalSpy scroll(bar, &MyHScollBar::OnScroll);
  QSignalSpy up(bar, &MyHScollBar::MouseUp);
  Mouse mouse(bar);
  mouse.Press(45, Qt::RightButton);
  mouse.Move(50);
  mouse.Release(50);
  EXPECT_EQ(Events(down, scroll, up), (QStringList{"down 0", "scroll 0", "up 1"}));
  EXPECT_EQ(bar->ThumbLeft(), 600);
}

// The bars on the main window, driving a player.
class WindowBarsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSharedState();
    PlaylistLoaded = true;
    folder.InstallSkinAndCatalog();
  }
  void TearDown() override {
    window.reset();
    ResetSharedState();
    qunsetenv("SONAVEIL_AUDIO_SINK");
  }
  TempAppFolder folder;
  MsgBoxRecorder boxes;
  std::unique_ptr<frmmain> window;
  Skin::FaceControls ui;
};

TEST_F(WindowBarsTest, VolumeFollowsTheThumbToBothEnds) {
  auto* player = new FakeMediaPlayer;
  window = std::make_unique<frmmain>(player);
  ui = Skin::FindFaceControls(window.get());
  window->show();
  window->timVol_Timer();
  EXPECT_EQ(ui.VolScroll->Position(), 622);  // 1245 x 50 / 100 = 622.5, halves to even
  Mouse mouse(ui.VolScroll);
  int x = ui.VolScroll->ThumbLeft() / 15 + 9;
  mouse.Press(x);
  for (; x <= 150; ++x) mouse.Move(x);
  EXPECT_EQ(player->volume, 100);
  window->timVol_Timer();  // held: the bar is not refreshed
  EXPECT_EQ(ui.VolScroll->Position(), 1245);
  for (; x >= -50; --x) mouse.Move(x);
  EXPECT_EQ(player->volume, 0);
  mouse.Release(x);
  EXPECT_FALSE(window->VolumeDragging);
  window->timVol_Timer();
  EXPECT_EQ(ui.VolScroll->Position(), 0);
}

TEST_F(WindowBarsTest, ReleasingAtTheMiddleSeeksAndAHeldBarStaysPut) {
  qputenv("SONAVEIL_AUDIO_SINK", "fakesink sync=true");
  const QString file = TestMedia::Tone("long", "wav", 200.0);
  ASSERT_FALSE(file.isEmpty());
  Playlist[0].Path = file;
  Playlist[0].Name = "long.wav";
  PlaylistCount = 1;
  window = std::make_unique<frmmain>();
  ui = Skin::FindFaceControls(window.get());
  window->timVol.stop();
  window->show();
  ui.List1->setCurrentRow(0);
  window->List1_DblClick();
  ASSERT_TRUE(WaitUntil([&] { return window->WMP->playState() == MediaPlayer::wmppsPlaying; }));
  window->timVol_Timer();
  EXPECT_LT(ui.PosScroll->Position(), 100);

  // Grab the thumb and carry it to the middle of the track: 2445 / 2 twips on.
  Mouse mouse(ui.PosScroll);
  const double grab = ui.PosScroll->ThumbLeft() / 15.0 + 9;
  mouse.Press(grab);
  EXPECT_TRUE(window->SeekDragging);
  const double middle = grab + (30 + 1222.5 - ui.PosScroll->ThumbLeft()) / 15.0;
  mouse.Move(middle);
  const int held = ui.PosScroll->Position();
  EXPECT_NEAR(held, 1222, 15);
  for (int tick = 0; tick < 5; ++tick) {
    WaitUntil([] { return false; }, 100);
    window->timVol_Timer();
    EXPECT_EQ(ui.PosScroll->Position(), held);  // does not jump back while held
  }
  mouse.Release(middle);
  EXPECT_FALSE(window->SeekDragging);
  ASSERT_TRUE(WaitUntil([&] { return window->WMP->controls.currentPosition() >= 99; }));
  EXPECT_NEAR(window->WMP->controls.currentPosition(), 100, 1.0);
  ASSERT_TRUE(WaitUntil([&] { return window->WMP->playState() == MediaPlayer::wmppsPlaying; }));
  window->timVol_Timer();
  EXPECT_NEAR(ui.PosScroll->Position(), 1222, 20);
  EXPECT_EQ(Playlist[0].Length, "200");
  EXPECT_TRUE(boxes.Boxes().isEmpty());
}

TEST_F(WindowBarsTest, StoppedPlayerPutsThePositionBarAtTheStart) {
  auto* player = new FakeMediaPlayer;
  window = std::make_unique<frmmain>(player);
  ui = Skin::FindFaceControls(window.get());
  ui.PosScroll->SetPosition(800);
  player->volume = 20;
  window->timVol_Timer();
  EXPECT_EQ(ui.PosScroll->Position(), 0);
  EXPECT_EQ(ui.VolScroll->Position(), 249);
}

}  // namespace
