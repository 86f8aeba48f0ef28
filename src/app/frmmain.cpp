#include "app/frmmain.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QThread>
#include <utility>

#include "app/identity.h"
#include "app/playlist_drop.h"
#include "catalog/list_control.h"
#include "lyrics/lyric_text.h"
#include "lyrics/synced_lyric.h"
#include "menus/board_process.h"
#include "platform/app_path.h"
#include "platform/endpoints.h"
#include "playback/gst_media_player.h"
#include "playback/media.h"
#include "playback/now_playing.h"
#include "skin/geometry.h"
#include "skin/my_hscoll_bar.h"
#include "skin/picture_box.h"
#include "skin/skin_button.h"
#include "skin/skin_pictures.h"
#include "state/logging.h"
#include "state/shared_state.h"
#include "web/web_browser.h"

namespace {

using namespace SkinGeometry;

constexpr char kCounterPath[] = "/sonaveil/count1/active.asp";

void ShowText(QLabel* label, const QString& text) { label->setText(QString(text).remove('\r')); }

}  // namespace

frmmain::frmmain(MediaPlayer* player)
    : QWidget(nullptr, Qt::FramelessWindowHint),
      WMP(player ? player : new GstMediaPlayer),
      ui_(Skin::MakeFaceControls(this)),
      face_(ui_),
      WB(new WebBrowser(this)),
      WBYS(new WebBrowser(this)),
      playback(*WMP, *ui_.List1, [this](int) { List1_Click(); }),
      lyricBox_(*ui_.Text2, *WMP),
      lyrics_(lyricBox_, *WMP, this),
      catalog_({ui_.lstSinger, ui_.lstSpecial, ui_.lstSong, ui_.lstSearch, ui_.Text1, ui_.Go,
                ui_.cmdAdd, WBYS},
               face_),
      hover_(face_, ui_),
      tray_(*this, playback, [this] { return Menus(); }),
      drag_(this, [this] { face_.AfterWindowMove(); }),
      keys_({ui_, face_, playback, catalog_, *this, [this] { return Menus(); }},
            {ui_.List1, ui_.lstSinger, ui_.lstSpecial, ui_.lstSong, ui_.Text1, ui_.Go,
             ui_.lstSearch, ui_.cmdAdd[0], ui_.cmdAdd[1], ui_.PosScroll, ui_.VolScroll}) {
  setObjectName("frmmain");
  setWindowTitle(kMainCaption);
  WMP->setParent(this);
  WMP->setObjectName("WMP");
  WB->setObjectName("WB");
  WB->hide();
  WBYS->setObjectName("WBYS");
  WBYS->setGeometry(713, 107, 194, 171);
  WBYS->hide();
  face_.SetSideWindowsUnload([this] {
    UnloadMenus();
    BoardProcess::Unload();
  });
  ConnectHandlers();
  ui_.VolScroll->SetValueRange(100, WindowKeys::kVolumeStep);
  connect(qApp, &QApplication::focusChanged, this,
          [this](QWidget*, QWidget* now) { Skin::MarkFocusedBar(ui_, now); });
  new PlaylistDrop(ui_.List1, playback);
  StartTimers();
}

frmmain::~frmmain() {
  // The controls go before the window does, and a focus that leaves one of them must not
  // reach the window's handler.
  disconnect(qApp, &QApplication::focusChanged, this, nullptr);
  tray_.Remove();
  UnloadMenus();
}

frmMenu* frmmain::Menus() {
  if (!menus_) menus_ = new frmMenu(*this, playback, lyrics_);
  return menus_;
}

void frmmain::UnloadMenus() {
  frmMenu* form = std::exchange(menus_, nullptr);
  if (!form) return;
  form->menulist1->close();
  form->menuForm->close();
  // The form goes once the event that asked for it is over: a menu entry may unload it.
  form->deleteLater();
}

void frmmain::ConnectHandlers() {
  for (int i = 0; i < 6; ++i) {
    connect(ui_.ControlButton[i], &PictureBox::Click, this, [this, i] { ControlButton_Click(i); });
    connect(ui_.imgTopButton[i], &PictureBox::Click, this, [this, i] { imgTopButton_Click(i); });
  }
  connect(ui_.Main, &PictureBox::MouseDown, this, [this](int b, int, int) { Main_MouseDown(b); });
  connect(ui_.Main, &PictureBox::MouseMove, this, &frmmain::Main_MouseMove);
  connect(ui_.Main, &PictureBox::MouseUp, this, [this](int b, int, int) { Main_MouseUp(b); });
  connect(ui_.imgSearch, &PictureBox::MouseDown, this,
          [this](int b, int, int) { imgSearch_MouseDown(b); });
  connect(ui_.imgSearch, &PictureBox::MouseMove, this, &frmmain::imgSearch_MouseMove);
  connect(ui_.imgSearch, &PictureBox::MouseUp, this,
          [this](int b, int, int) { imgSearch_MouseUp(b); });
  connect(ui_.List, &PictureBox::DblClick, this, &frmmain::List_DblClick);
  connect(ui_.Image1, &PictureBox::Click, this, &frmmain::Image1_Click);
  for (int i = 0; i < 26; ++i)
    connect(ui_.lbLetter[i], &PictureBox::Click, this, [this, i] { lbLetter_Click(i); });
  for (int i = 0; i < 10; ++i)
    connect(ui_.lbSingerType[i], &PictureBox::Click, this, [this, i] { lbSingerType_Click(i); });
  connect(&catalog_, &CatalogBrowser::AddRequested, &playback, &PlaybackController::AddSong);
  connect(ui_.List1, &QListWidget::itemDoubleClicked, this, &frmmain::List1_DblClick);
  ui_.List1->viewport()->installEventFilter(this);
  connect(WMP, &MediaPlayer::OpenStateChange, this, &frmmain::WMP_OpenStateChange);
  connect(WMP, &MediaPlayer::PlayStateChange, this, &frmmain::WMP_PlayStateChange);
  connect(WMP, &MediaPlayer::Buffering, this, &frmmain::WMP_Buffering);
  // Each entry handed to the player has its lyric looked up; one that leaves the playlist
  // needs its transfer no more.
  connect(&playback, &PlaybackController::PlayRequested, &lyrics_, &LyricLookup::Start);
  connect(&playback, &PlaybackController::CurrentEntryLeaving, &lyrics_,
          &LyricLookup::CancelTransfer);
  connect(ui_.VolScroll, &MyHScollBar::MouseDown, this, &frmmain::VolScroll_MouseDown);
  connect(ui_.VolScroll, &MyHScollBar::MouseUp, this, &frmmain::VolScroll_MouseUp);
  connect(ui_.VolScroll, &MyHScollBar::OnScroll, this, &frmmain::VolScroll_OnScroll);
  connect(ui_.PosScroll, &MyHScollBar::MouseDown, this, &frmmain::PosScroll_MouseDown);
  connect(ui_.PosScroll, &MyHScollBar::OnScroll, this, &frmmain::PosScroll_OnScroll);
  connect(ui_.PosScroll, &MyHScollBar::MouseUp, this, &frmmain::PosScroll_MouseUp);
  connect(WB, &WebBrowser::DocumentComplete, this, &frmmain::WB_DocumentComplete);
}

void frmmain::StartTimers() {
  struct TimerSetup {
    QTimer* timer;
    const char* name;
    int interval;
    void (frmmain::*handler)();
  };
  // timWMP, timList, timButton and Timer1 are their modules', and run already.
  const TimerSetup timers[] = {
      {&timVol, "timVol", 100, &frmmain::timVol_Timer},
      {&Timer2, "Timer2", 10000, &frmmain::Timer2_Timer},
      {&Timer3, "Timer3", 1000, &frmmain::Timer3_Timer},
  };
  for (const TimerSetup& setup : timers) {
    setup.timer->setObjectName(setup.name);
    setup.timer->setInterval(setup.interval);
    connect(setup.timer, &QTimer::timeout, this, setup.handler);
    setup.timer->start();
  }
}

void frmmain::Form_Load(const StartRequest& request) {
  SetAppTitle(kAppTitle);

  face_.InitSkin();
  if (!ListControl::ShowPlaylist(ui_.List1)) return;
  // A stored playlist may be played soon: the sound system starts during the pause.
  if (PlaylistCount > 0) WMP->Prepare();
  Pause([&] { firstAdded_ = Add(request); });

  setGeometry(0, 0, kWindowWidth, kWindowHeight);
  WB->Navigate2(JoinUrl(Endpoints().counterHost, kCounterPath));

  face_.LoadSingerTypes();
  SelectedSingerType = 10;
  SelectedLetter = 26;

  timWMP_Timer();
  timVol_Timer();
  SeekDragging = false;

  BoardProcess* board = BoardProcess::Instance();
  board->setVisible(false);
  // The board moved over the window: the catalog controls are drawn again above it.
  connect(board, &BoardProcess::Moved, this, [this] { face_.AfterWindowMove(); });
  connect(board, &BoardProcess::Closed, this, [this] {
    if (menus_) menus_->SetBoardCaption(frmMenu::kOpenBoard);
  });

  const QPixmap icon = SkinPictures::LoadIcon("sonaveil.ico");
  if (icon.isNull()) return;
  ui_.Picture1->setPixmap(icon);
  tray_.Register(icon, kAppTitle, this);
}

void frmmain::Pause(const std::function<void()>& ready) {
  QElapsedTimer pause;
  pause.start();
  ready();
  if (startupPauseMs <= 0) return;
  // Nothing shows yet: the controls take their styles meanwhile, not after the pause.
  ensurePolished();
  const qint64 left = startupPauseMs - pause.elapsed();
  if (left > 0) QThread::msleep(static_cast<unsigned long>(left));
}

void frmmain::OfferOnSessionBus() {
  auto* mpris = new Mpris(playback, *WMP, *this, this);
  // The lyric and corrected titles reach the bus as the lookup stores them.
  connect(&lyrics_, &LyricLookup::EntryChanged, mpris, &Mpris::Sample);
  mpris->Register();
}

void frmmain::closeEvent(QCloseEvent* event) {
  tray_.Remove();
  event->accept();
  // The program ends with its main window.
  QTimer::singleShot(0, qApp, &QCoreApplication::quit);
}

void frmmain::Picture1_MouseMove(int X) { tray_.Picture1_MouseMove(X); }

void frmmain::ShowFromAnotherStart(const StartRequest& request) {
  qCInfo(lcApp, "another start asked for the main window");
  RestoreWindow();
  Open(request);
}

int frmmain::Add(const StartRequest& request) {
  const int before = PlaylistCount;
  if (request.items.isEmpty() || !playback.AddFiles(request.items)) return -1;
  return PlaylistCount > before ? before : -1;
}

void frmmain::Open(const StartRequest& request, bool added) {
  const int first = added ? firstAdded_ : Add(request);
  if (first >= 0 && !request.enqueue) {
    // As if the user double-clicked the first of them.
    playback.SelectRow(first);
    playback.PlayCurrent();
  }
  using Transport = StartRequest::Transport;
  using Command = PlaybackController::Command;
  switch (request.transport) {
    case Transport::kPlayPause:
      playback.PlayPause();
      break;
    case Transport::kNext:
      playback.ButtonTransport(Command::kNext);
      break;
    case Transport::kPrevious:
      playback.ButtonTransport(Command::kPrevious);
      break;
    case Transport::kStop:
      playback.ButtonTransport(Command::kStop);
      break;
    case Transport::kNone:
      break;
  }
}

void frmmain::RestoreWindow() {
  setWindowState(windowState() & ~Qt::WindowMinimized);
  showNormal();
  raise();
  activateWindow();
}

void frmmain::paintEvent(QPaintEvent*) {
  // The window's own background is the colour key: wherever no picture covers it, the
  // window is see-through once the skin is applied.
  QPainter(this).fillRect(rect(), SkinPictures::kColourKey);
}

// Playback

void frmmain::ControlButton_Click(int Index) {
  using Command = PlaybackController::Command;
  static constexpr Command kCommands[] = {Command::kPrevious, Command::kPlay, Command::kPause,
                                          Command::kStop, Command::kNext};
  if (Index >= 0 && Index < 5)
    playback.ButtonTransport(kCommands[Index]);
  else if (Index == 5)
    playback.AddLocalFiles(this);
}

void frmmain::List1_Click() {
  const int row = ui_.List1->currentRow();
  if (row < 0) return;
  CurrentIndex = static_cast<int16_t>(row);
  if (const SongRecord* song = Playlist.Slot(CurrentIndex)) {
    lyricBox_.ShowLyric(song->Lyric);
    ShowText(ui_.Label1, NowPlaying::SongText(*song));
  }
}

void frmmain::List1_MouseUp(int Button) {
  if (Button == 2) PopUpMenu();
}

void frmmain::List1_DblClick() { playback.PlayCurrent(); }

void frmmain::timWMP_Timer() { playback.AdvanceTick(); }

void frmmain::WMP_PlayStateChange(int NewState) {
  // The bars and the now-playing text wake when something plays (playback and the lyric
  // lookup wake their own ticks).
  if (NewState != MediaPlayer::wmppsPlaying) return;
  if (!timVol.isActive()) timVol.start();
  if (!Timer3.isActive()) Timer3.start();
  timVol_Timer();
}

void frmmain::WMP_OpenStateChange(int NewState) {
  if (const std::optional<QString> text = PlaybackController::OpenStateText(NewState))
    lyricBox_.ShowStatus(*text);
}

void frmmain::WMP_Buffering(bool Start) {
  const SongRecord* song = Playlist.Slot(CurrentIndex);
  if (!song) return;
  // A timed lyric goes back to following the song once the buffer is full.
  if (!Start && ParseSyncedLyric(song->Lyric))
    lyricBox_.ShowLyric(song->Lyric);
  else
    lyricBox_.ShowStatus(PlaybackController::BufferingText(Start, LyricText::Shown(song->Lyric)));
}

// Now playing

void frmmain::Timer3_Timer() {
  if (WMP->playState() != MediaPlayer::wmppsPlaying) {
    Timer3.stop();  // until the player starts again
    return;
  }
  if (const SongRecord* song = Playlist.Slot(CurrentIndex))
    ShowText(ui_.Label1, NowPlaying::PlayingText(NowPlaying::AsPlaying(*song, *WMP),
                                                 WMP->controls.currentPositionString()));
}

void frmmain::timList_Timer() { playback.MediaInfoTick(); }

// Catalog browser and song search

void frmmain::lbLetter_Click(int Index) { catalog_.lbLetter_Click(Index); }
void frmmain::lbSingerType_Click(int Index) { catalog_.lbSingerType_Click(Index); }
void frmmain::lstSinger_Click() { catalog_.lstSinger_Click(); }
void frmmain::lstSpecial_Click() { catalog_.lstSpecial_Click(); }
void frmmain::lstSong_DblClick() { catalog_.lstSong_DblClick(); }
void frmmain::cmdAdd_Click(int Index) { catalog_.cmdAdd_Click(Index); }
void frmmain::Go_Click() { catalog_.Go_Click(); }
void frmmain::Text1_KeyPress(int KeyAscii) { catalog_.Text1_KeyPress(KeyAscii); }
void frmmain::lstSearch_DblClick() { catalog_.lstSearch_DblClick(); }

bool frmmain::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (watched != ui_.List1->viewport() ||
      (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick &&
       type != QEvent::MouseButtonRelease))
    return QWidget::eventFilter(watched, event);
  const auto* mouse = static_cast<QMouseEvent*>(event);
  // The right button does not pick a row; its release opens the menu.
  if (type == QEvent::MouseButtonRelease) {
    List1_MouseUp(PictureBox::ButtonCode(mouse->button()));
    return false;
  }
  return mouse->button() == Qt::RightButton;
}

// Position and volume

void frmmain::timVol_Timer() {
  const bool playing = WMP->playState() == MediaPlayer::wmppsPlaying;
  // Asking the player for its position goes down to the sound output: once a tick.
  const double position = playing ? WMP->controls.currentPosition() : 0;
  // Not playing, the bars come to rest below; the player's next start wakes this again.
  if (!playing) timVol.stop();
  MyHScollBar* const volume = ui_.VolScroll;
  MyHScollBar* const seek = ui_.PosScroll;
  if (!VolumeDragging)
    volume->SetPosition(volume->Lenth().value_or(0) *
                        (static_cast<float>(Media::GetVolume(*WMP)) / 100));
  const int32_t length = Media::GetMediaLength(*WMP, CurrentIndex);
  seek->SetValueRange(std::max(length, 0), WindowKeys::kSeekStepSeconds);
  if (length == 0) {
    // Nothing plays: the bar goes back to the start.
    seek->SetPosition(0);
  } else if (!SeekDragging) {  // (otherwise the user holds it)
    const int32_t p = playing ? Media::RoundHalfEven(position) : 0;
    seek->SetPosition(seek->Lenth().value_or(0) *
                      (static_cast<float>(p) / static_cast<float>(length)));
  }
}

void frmmain::VolScroll_MouseDown() { VolumeDragging = true; }
void frmmain::VolScroll_MouseUp() { VolumeDragging = false; }

void frmmain::VolScroll_OnScroll() {
  VolumeDragging = true;
  const float lenth = ui_.VolScroll->Lenth().value_or(0);
  if (lenth == 0) return;
  Media::SetVolume(*WMP, Media::RoundHalfEven(100 * (ui_.VolScroll->Position() / lenth)));
}

void frmmain::PosScroll_MouseDown() { SeekDragging = true; }
void frmmain::PosScroll_OnScroll() { SeekDragging = true; }

void frmmain::PosScroll_MouseUp() {
  const int32_t d = Media::GetMediaLength(*WMP, CurrentIndex);
  const float lenth = ui_.PosScroll->Lenth().value_or(0);
  // A bar without travel cannot say where to go; it stays held until a later release.
  if (lenth == 0) return;
  Media::SetMediaPosition(*WMP, Media::RoundHalfEven(d * (ui_.PosScroll->Position() / lenth)));
  SeekDragging = false;
}

// Top buttons

void frmmain::imgTopButton_Click(int Index) {
  switch (Index) {
    case 0:
      OpenHelp();
      break;
    case 1:
      StartUpdater(*this);
      break;
    case 2:
      face_.ToggleCatalogPanel();
      break;
    case 3:
      face_.TogglePlaylistPanel();
      break;
    case 4:
      HideMainWindow();
      break;
    case 5:
      ExitProgram();
      break;
    default:
      break;
  }
}

// Window dragging, the pictures' menu, the panel toggles

void frmmain::PopUpMenu() { Menus()->menuForm->popup(QCursor::pos()); }

void frmmain::HideMainWindow() {
  // Hidden, the window is brought back from the tray; without a tray it only minimises.
  if (tray_.Available())
    hide();
  else
    showMinimized();
}

void frmmain::ToggleCatalogPanel() { face_.ToggleCatalogPanelKeepingItsMark(); }

void frmmain::ExitProgram() { face_.ExitProgram(); }

void frmmain::Main_MouseDown(int Button) { drag_.Press(Button, ui_.Main->LastGlobalPos()); }

void frmmain::Main_MouseMove() { drag_.Move(ui_.Main->LastGlobalPos()); }

void frmmain::Main_MouseUp(int Button) {
  drag_.Release(ui_.Main->LastGlobalPos());
  if (Button == 2) PopUpMenu();
}

void frmmain::imgSearch_MouseDown(int Button) {
  drag_.Press(Button, ui_.imgSearch->LastGlobalPos());
}

void frmmain::imgSearch_MouseMove() { drag_.Move(ui_.imgSearch->LastGlobalPos()); }

void frmmain::imgSearch_MouseUp(int Button) {
  if (!drag_.Release(ui_.imgSearch->LastGlobalPos())) face_.AfterWindowMove();
  if (Button == 2) PopUpMenu();
}

void frmmain::List_DblClick() { face_.TogglePlaylistPanel(); }

void frmmain::Image1_Click() { face_.ToggleCatalogPanel(); }

// The lyric and the online count

void frmmain::Timer1_Timer() { lyrics_.Tick(); }

void frmmain::Timer2_Timer() {
  countAsked_ = true;
  WB->Refresh();
}

void frmmain::WB_DocumentComplete(bool ok) {
  if (!std::exchange(countAsked_, false) || !ok) return;
  const QString text = WB->BodyHtml();
  // A longer text is an error page, not a count.
  if (text.size() < 10) ui_.lbCount->setText(tr("在线人数%1人").arg(text));
}
