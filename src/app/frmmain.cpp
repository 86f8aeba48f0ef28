#include "app/frmmain.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QThread>
#include <QWindow>
#include <utility>

#include "app/identity.h"
#include "app/playlist_drop.h"
#include "catalog/data.h"
#include "catalog/list_control.h"
#include "catalog/other_serach.h"
#include "lyrics/synced_lyric.h"
#include "menus/board_process.h"
#include "platform/app_path.h"
#include "platform/endpoints.h"
#include "platform/launcher.h"
#include "platform/msgbox.h"
#include "playback/gst_media_player.h"
#include "playback/media.h"
#include "playback/now_playing.h"
#include "skin/accessible.h"
#include "skin/geometry.h"
#include "skin/my_hscoll_bar.h"
#include "skin/picture_box.h"
#include "skin/skin_pictures.h"
#include "state/logging.h"
#include "state/shared_state.h"
#include "web/inet.h"
#include "web/web_browser.h"

namespace {

using namespace SkinGeometry;

constexpr char kCounterPath[] = "/sonaveil/count1/active.asp";
// The player leaves this long after starting the updater.
constexpr int kUpdateExitDelayMs = 2000;
// Texts drawn on the skin: dark on its light panels, light on its dark face.
const QColor kInk(29, 34, 64);
const QColor kFaceText(178, 186, 216);
// What has the keyboard's focus is marked in this colour.
const QColor kFocusMark(63, 208, 201);
constexpr double kSeekStepSeconds = 5;
constexpr int kVolumeStep = 5;

void SetTextColour(QWidget* widget, const QColor& colour) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::WindowText, colour);
  widget->setPalette(palette);
}

QFont PixelFont(int pixels, bool bold = false) {
  QFont font = QApplication::font();
  font.setPixelSize(pixels);
  font.setBold(bold);
  return font;
}

template <typename T>
T* Place(T* control, const QString& name, int left, int top, int width, int height) {
  control->setObjectName(name);
  control->setGeometry(left, top, width, height);
  return control;
}

QString Indexed(const char* name, int index) { return QString("%1(%2)").arg(name).arg(index); }

void SetBackColour(QWidget* widget, const QColor& colour) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Base, colour);
  palette.setColor(QPalette::Window, colour);
  widget->setPalette(palette);
  widget->setAutoFillBackground(true);
}

}  // namespace

frmmain::frmmain(MediaPlayer* player)
    : QWidget(nullptr, Qt::FramelessWindowHint),
      WMP(player ? player : new GstMediaPlayer),
      List1(new QListWidget(this)),
      Text2(new QPlainTextEdit(this)),
      playback(*WMP, *List1),
      lyricBox(*Text2, *WMP),
      lyrics(lyricBox, *WMP, this) {
  setObjectName("frmmain");
  setWindowTitle(kMainCaption);
  WMP->setParent(this);
  WMP->setObjectName("WMP");
  CreateControls();
  face = std::make_unique<Skin::Face>(Skin::FaceParts{
      this, Main, List, imgSearch, Image1, ControlButton, imgTopButton, lbSingerType, lbLetter,
      List1, lstSinger, lstSpecial, lstSong, lstSearch, Text1, Go, cmdAdd});
  face->SetSideWindowsUnload([this] {
    UnloadMenus();
    BoardProcess::Unload();
  });
  ConnectHandlers();
  SetUpKeyboardAndNames();
  new PlaylistDrop(List1, playback);
  StartTimers();
}

void frmmain::SetUpKeyboardAndNames() {
  for (SkinButton* button : ControlButton) button->setAccessibleName(button->toolTip());
  for (SkinButton* button : imgTopButton) button->setAccessibleName(button->toolTip());
  const std::pair<QWidget*, const char*> names[] = {
      {Main, "播放器面板"},   {List, "播放列表面板"}, {imgSearch, "歌曲库面板"},
      {Image1, "关闭歌曲库"}, {List1, "播放列表"},    {lstSinger, "歌手"},
      {lstSpecial, "专辑"},   {lstSong, "歌曲"},      {lstSearch, "搜索结果"},
      {Text1, "搜索歌曲"},    {Text2, "歌词"},        {PosScroll, "播放位置"},
      {VolScroll, "音量"},
  };
  for (const auto& [widget, name] : names) widget->setAccessibleName(name);
  VolScroll->SetValueRange(100, kVolumeStep);
  Text2->setFocusPolicy(Qt::ClickFocus);

  // Tab goes through the lists, the search box and the sliders; each of them, and the window,
  // hears the window's keys first.
  QWidget* const chain[] = {List1,     lstSinger, lstSpecial, lstSong,   Text1,    Go,
                            lstSearch, cmdAdd[0], cmdAdd[1],  PosScroll, VolScroll};
  for (size_t i = 0; i + 1 < std::size(chain); ++i) setTabOrder(chain[i], chain[i + 1]);
  for (QWidget* widget : chain) widget->installEventFilter(this);
  setStyleSheet(QString("QListWidget:focus, QLineEdit:focus { border: 2px solid %1; }")
                    .arg(kFocusMark.name()));
  connect(qApp, &QApplication::focusChanged, this,
          [this](QWidget*, QWidget* now) { FocusMoved(now); });
}

frmmain::~frmmain() {
  // The controls go before the window does, and a focus that leaves one of them must not
  // reach the window's handler.
  disconnect(qApp, &QApplication::focusChanged, this, nullptr);
  Form_QueryUnload();
  UnloadMenus();
}

frmMenu* frmmain::Menus() {
  if (!menus_) menus_ = new frmMenu(*this, playback, lyrics);
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

void frmmain::CreateControls() {
  // Before any control is made: assistive technology meets each one as what it is.
  SkinAccessibility::Install();
  // Stacking from the bottom up: List under Main under the catalog panel's picture, then the
  // labels and buttons above them all.
  List = Place(new PictureBox(this), "List", 0, kPanelOpenTop, kFaceWidth, kPanelHeight);
  Main = Place(new PictureBox(this), "Main", 0, 0, kFaceWidth, kFaceHeight);
  imgSearch = Place(new PictureBox(this), "imgSearch", 242, 0, 673, 321);
  imgSearch->hide();

  // Made before the rest (playback works on it), stacked here.
  Place(List1, "List1", 8, 328, 225, 119)->raise();
  SetBackColour(List1, QColor(204, 204, 204));
  List1->hide();

  static const char* const kControlTips[6] = {"前一首", "播放",   "暂停",
                                              "停止",   "后一首", "打开本地文件"};
  for (int i = 0; i < 6; ++i) {
    ControlButton[i] =
        Place(new SkinButton(i + 1, this), Indexed("ControlButton", i), kControlLeft[i],
              List->y() + kControlsBelowPanelTop, kControlSize, kControlSize);
    ControlButton[i]->setToolTip(kControlTips[i]);
  }
  static const char* const kTopTips[6] = {
      QT_TR_NOOP("帮助"),         QT_TR_NOOP("升级"),
      QT_TR_NOOP("查询网络文件"), QT_TR_NOOP("展开\\关闭播放列表"),
      QT_TR_NOOP("最小化"),       QT_TR_NOOP("关闭")};
  for (int i = 0; i < 6; ++i) {
    imgTopButton[i] = Place(new SkinButton(i + 7, this), Indexed("imgTopButton", i), kTopLeft[i],
                            kTopButtonTop, kTopWidth[i], kTopButtonHeight);
    imgTopButton[i]->setToolTip(tr(kTopTips[i]));
  }

  setFont(PixelFont(12));
  Label1 = Place(new PictureBox(this), "Label1", 32, 48, 177, 53);
  SetTextColour(Label1, kInk);
  // Four lines of now-playing text in 53 pixels.
  Label1->SetLinePitch(13);
  Label1->setText("欢迎您使用Sonaveil v4.0系列，我们力求为您提供优良的免费服务");

  Place(Text2, "Text2", 32, 128, 177, 121)->raise();
  SetBackColour(Text2, QColor(200, 220, 254));
  Text2->setReadOnly(true);
  Text2->setFrameShape(QFrame::NoFrame);
  Text2->setPlainText("歌词：\r\n");

  lbCount = Place(new PictureBox(this), "lbCount", 152, 296, 75, 13);
  lbCount->setText("在线人数： 人");
  lbCount->setFont(PixelFont(11));
  SetTextColour(lbCount, kFaceText);

  PosScroll = Place(new MyHScollBar(this), "PosScroll", 32, 280, 185, 7);
  PosScroll->setToolTip("播放位置");
  VolScroll = Place(new MyHScollBar(this), "VolScroll", 32, 304, 105, 7);
  VolScroll->setToolTip("音量");
  Label3 = Place(new PictureBox(this), "Label3", 8, 280, 22, 9);
  Label3->setText("POS");
  Label2 = Place(new PictureBox(this), "Label2", 8, 304, 22, 9);
  Label2->setText("VOL");
  for (PictureBox* label : {Label2, Label3}) {
    label->setFont(PixelFont(8, true));
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    SetTextColour(label, kFaceText);
  }

  static constexpr int kTypeLeft[10] = {264, 352, 440, 528, 616, 264, 616, 352, 440, 528};
  for (int i = 0; i < 10; ++i) {
    lbSingerType[i] = Place(new PictureBox(this), Indexed("lbSingerType", i), kTypeLeft[i],
                            i < 5 ? 32 : 48, 60, 13);
    // Labels that act on a click are buttons to assistive technology.
    lbSingerType[i]->SetPressable(true);
    lbSingerType[i]->setText("华语男歌手");
    lbSingerType[i]->setFont(PixelFont(12));
    lbSingerType[i]->setCursor(Qt::PointingHandCursor);
    SetTextColour(lbSingerType[i], QApplication::palette().color(QPalette::ButtonText));
    lbSingerType[i]->hide();
  }
  for (int i = 0; i < 26; ++i) {
    lbLetter[i] = Place(new PictureBox(this), Indexed("lbLetter", i), 264 + 16 * i, 64, 7, 13);
    lbLetter[i]->SetPressable(true);
    lbLetter[i]->setText("A");
    lbLetter[i]->setFont(PixelFont(10, true));
    lbLetter[i]->setAlignment(Qt::AlignCenter);
    lbLetter[i]->setCursor(Qt::PointingHandCursor);
    SetTextColour(lbLetter[i], QApplication::palette().color(QPalette::ButtonText));
    lbLetter[i]->hide();
  }

  lstSinger = Place(new QListWidget(this), "lstSinger", 252, 110, 145, 197);
  lstSpecial = Place(new QListWidget(this), "lstSpecial", 408, 110, 145, 197);
  lstSong = Place(new QListWidget(this), "lstSong", 560, 110, 145, 197);
  Text1 = Place(new QLineEdit(this), "Text1", 715, 60, 113, 19);
  Go = Place(new QPushButton("搜索", this), "Go", 848, 56, 49, 25);
  lstSearch = Place(new QListWidget(this), "lstSearch", 713, 107, 194, 171);
  cmdAdd[0] = Place(new QPushButton("←添加到列表", this), Indexed("cmdAdd", 0), 714, 278, 97, 30);
  cmdAdd[1] = Place(new QPushButton("↑添加到列表", this), Indexed("cmdAdd", 1), 811, 278, 96, 30);
  for (QWidget* w : std::initializer_list<QWidget*>{lstSinger, lstSpecial, lstSong, Text1, Go,
                                                    lstSearch, cmdAdd[0], cmdAdd[1]})
    w->hide();

  Image1 = Place(new PictureBox(this), "Image1", 899, 8, 9, 17);
  Image1->SetPressable(true);
  Image1->setPixmap(SkinPictures::Builtin("close-1.gif"));
  Image1->hide();

  // The tray icon's picture; never shown on the window itself.
  Picture1 = Place(new PictureBox(this), "Picture1", 0, 0, 32, 32);
  Picture1->hide();

  // The counter page is read, never shown; the search page is shown while it loads.
  WB = Place(new WebBrowser(this), "WB", 0, 0, 0, 0);
  WB->hide();
  WBYS = Place(new WebBrowser(this), "WBYS", 713, 107, 194, 171);
  WBYS->hide();
  connect(WB, &WebBrowser::NewWindow2, this, &frmmain::WB_NewWindow2);
  connect(WB, &WebBrowser::DocumentComplete, this, &frmmain::WB_DocumentComplete);
}

void frmmain::ConnectHandlers() {
  for (int i = 0; i < 6; ++i) {
    PictureBox* control = ControlButton[i];
    connect(control, &PictureBox::Click, this, [this, i] { ControlButton_Click(i); });
    connect(control, &PictureBox::MouseDown, this,
            [this, i](int button, int, int) { ControlButton_MouseDown(i, button); });
    connect(control, &PictureBox::DblClick, this, [this, i] { ControlButton_DblClick(i); });
    connect(control, &PictureBox::MouseUp, this,
            [this, i](int button, int, int) { ControlButton_MouseUp(i, button); });
    PictureBox* top = imgTopButton[i];
    connect(top, &PictureBox::Click, this, [this, i] { imgTopButton_Click(i); });
    connect(top, &PictureBox::MouseDown, this,
            [this, i](int button, int, int) { imgTopButton_MouseDown(i, button); });
    connect(top, &PictureBox::DblClick, this, [this, i] { imgTopButton_DblClick(i); });
    connect(top, &PictureBox::MouseUp, this,
            [this, i](int button, int, int) { imgTopButton_MouseUp(i, button); });
  }
  connect(Main, &PictureBox::MouseDown, this,
          [this](int button, int, int) { Main_MouseDown(button); });
  connect(Main, &PictureBox::MouseMove, this, &frmmain::Main_MouseMove);
  connect(Main, &PictureBox::MouseUp, this, [this](int button, int, int) { Main_MouseUp(button); });
  connect(imgSearch, &PictureBox::MouseDown, this,
          [this](int button, int, int) { imgSearch_MouseDown(button); });
  connect(imgSearch, &PictureBox::MouseMove, this, &frmmain::imgSearch_MouseMove);
  connect(imgSearch, &PictureBox::MouseUp, this,
          [this](int button, int, int) { imgSearch_MouseUp(button); });
  connect(List, &PictureBox::DblClick, this, &frmmain::List_DblClick);
  for (int i = 0; i < 26; ++i)
    connect(lbLetter[i], &PictureBox::Click, this, [this, i] { lbLetter_Click(i); });
  for (int i = 0; i < 10; ++i)
    connect(lbSingerType[i], &PictureBox::Click, this, [this, i] { lbSingerType_Click(i); });
  connect(lstSinger, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row >= 0) lstSinger_Click();
  });
  connect(lstSpecial, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row >= 0) lstSpecial_Click();
  });
  connect(lstSong, &QListWidget::itemDoubleClicked, this, &frmmain::lstSong_DblClick);
  for (int i = 0; i < 2; ++i)
    connect(cmdAdd[i], &QPushButton::clicked, this, [this, i] { cmdAdd_Click(i); });
  connect(Go, &QPushButton::clicked, this, &frmmain::Go_Click);
  connect(lstSearch, &QListWidget::itemDoubleClicked, this, &frmmain::lstSearch_DblClick);
  connect(WBYS, &WebBrowser::DocumentComplete, this, &frmmain::WBYS_DocumentComplete);
  connect(Image1, &PictureBox::Click, this, &frmmain::Image1_Click);
  // A row becomes current by a click or by the program selecting it; a click on the row
  // that is already current counts too.
  connect(List1, &QListWidget::currentRowChanged, this, &frmmain::List1_Click);
  connect(List1, &QListWidget::itemClicked, this, &frmmain::List1_Click);
  connect(List1, &QListWidget::itemDoubleClicked, this, &frmmain::List1_DblClick);
  List1->viewport()->installEventFilter(this);
  connect(WMP, &MediaPlayer::OpenStateChange, this, &frmmain::WMP_OpenStateChange);
  connect(WMP, &MediaPlayer::PlayStateChange, this, &frmmain::WMP_PlayStateChange);
  connect(WMP, &MediaPlayer::Buffering, this, &frmmain::WMP_Buffering);
  // Each entry handed to the player has its lyric looked up; one that leaves the playlist
  // needs its transfer no more.
  connect(&playback, &PlaybackController::PlayRequested, &lyrics, &LyricLookup::Start);
  connect(&playback, &PlaybackController::CurrentEntryLeaving, &lyrics,
          &LyricLookup::CancelTransfer);
  connect(VolScroll, &MyHScollBar::MouseDown, this, &frmmain::VolScroll_MouseDown);
  connect(VolScroll, &MyHScollBar::MouseUp, this, &frmmain::VolScroll_MouseUp);
  connect(VolScroll, &MyHScollBar::OnScroll, this, &frmmain::VolScroll_OnScroll);
  connect(PosScroll, &MyHScollBar::MouseDown, this, &frmmain::PosScroll_MouseDown);
  connect(PosScroll, &MyHScollBar::OnScroll, this, &frmmain::PosScroll_OnScroll);
  connect(PosScroll, &MyHScollBar::MouseUp, this, &frmmain::PosScroll_MouseUp);
}

void frmmain::StartTimers() {
  struct TimerSetup {
    QTimer* timer;
    const char* name;
    int interval;
    void (frmmain::*handler)();
  };
  // timWMP, timList and Timer1 are playback's and the lyric lookup's, and run already.
  const TimerSetup timers[] = {
      {&timVol, "timVol", 100, &frmmain::timVol_Timer},
      {&timButton, "timButton", 100, &frmmain::timButton_Timer},
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

void frmmain::Form_Load() {
  SetAppTitle(kAppTitle);

  face->InitSkin();
  if (!ListControl::ShowPlaylist(List1)) return;
  // A stored playlist may be played soon: the sound system starts during the pause.
  if (PlaylistCount > 0) WMP->Prepare();
  Pause();

  setGeometry(0, 0, kWindowWidth, kWindowHeight);

  WB->RegisterAsBrowser = true;
  WB->RegisterAsDropTarget = false;
  WB->Navigate2(JoinUrl(Endpoints().counterHost, kCounterPath));

  face->LoadSingerTypes();
  SelectedSingerType = 10;
  SelectedLetter = 26;

  timWMP_Timer();
  timVol_Timer();
  SeekDragging = false;

  BoardProcess* board = BoardProcess::Instance();
  board->setVisible(false);
  // The board moved over the window: the catalog controls are drawn again above it.
  connect(board, &BoardProcess::Moved, this, [this] {
    face->ShowCatalogControls(1);
    face->ShowCatalogControls(0);
  });
  connect(board, &BoardProcess::Closed, this, [this] {
    if (menus_) menus_->SetBoardCaption(frmMenu::kOpenBoard);
  });

  const QPixmap icon = SkinPictures::LoadIcon("sonaveil.ico");
  if (icon.isNull()) return;
  Picture1->setPixmap(icon);
  RegisterTrayIcon();
}

void frmmain::Pause() {
  if (startupPauseMs <= 0) return;
  QElapsedTimer pause;
  pause.start();
  // Nothing shows yet: the controls take their styles meanwhile, not after the pause.
  ensurePolished();
  const qint64 left = startupPauseMs - pause.elapsed();
  if (left > 0) QThread::msleep(static_cast<unsigned long>(left));
}

bool frmmain::RegisterTrayIcon() {
  TrayIcon.uID = 1;
  TrayIcon.uFlags = 7;
  TrayIcon.uCallbackMessage = 512;
  TrayIcon.szTip = kAppTitle;
  auto* tray = new QSystemTrayIcon(QIcon(Picture1->pixmap()), this);
  tray->setObjectName("TrayIcon");
  tray->setToolTip(TrayIcon.szTip);
  connect(tray, &QSystemTrayIcon::activated, this,
          [this](QSystemTrayIcon::ActivationReason why) { Picture1_MouseMove(TrayCode(why)); });
  tray->show();
  TrayIcon.icon = tray;

  // Out of the task list only where the tray can bring the window back.
  if (QSystemTrayIcon::isSystemTrayAvailable()) {
    const bool wasVisible = isVisible();
    setWindowFlag(Qt::Tool, true);
    if (wasVisible) show();
  }
  return true;
}

void frmmain::Form_QueryUnload() {
  if (!TrayIcon.icon) return;
  QSystemTrayIcon* icon = std::exchange(TrayIcon.icon, nullptr);
  // The tray's own menu may be what closes the window: the icon then goes once its click
  // is over.
  if (trayBusy_) {
    icon->deleteLater();
    return;
  }
  icon->hide();
  delete icon;
}

void frmmain::closeEvent(QCloseEvent* event) {
  Form_QueryUnload();
  event->accept();
  // The program ends with its main window.
  QTimer::singleShot(0, qApp, &QCoreApplication::quit);
}

int frmmain::TrayCode(int reason) {
  switch (reason) {
    case QSystemTrayIcon::Trigger:
      return 514;  // left button released
    case QSystemTrayIcon::DoubleClick:
      return 515;
    case QSystemTrayIcon::Context:
      return 517;  // right button released
    case QSystemTrayIcon::MiddleClick:
      return 520;
    default:
      return 0;
  }
}

void frmmain::Picture1_MouseMove(int X) {
  trayMessage_ = X;
  // While the tray's menu is open, further notifications are dropped.
  if (trayBusy_) return;
  trayBusy_ = true;
  if (trayMessage_ == 515) {
    RestoreWindow();
    playback.SelectRow(CurrentIndex);
  } else if (trayMessage_ == 517) {
    Menus()->menulist1->exec(QCursor::pos());
  }
  trayBusy_ = false;
}

void frmmain::ShowFromAnotherStart(const StartRequest& request) {
  qCInfo(lcApp, "another start asked for the main window");
  RestoreWindow();
  Open(request);
}

void frmmain::Open(const StartRequest& request) {
  const int before = PlaylistCount;
  if (!request.items.isEmpty() && playback.AddFiles(request.items) && !request.enqueue &&
      PlaylistCount > before) {
    // As if the user double-clicked the first of them.
    playback.SelectRow(before);
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

void frmmain::ShowText(QLabel* label, const QString& text) {
  label->setText(QString(text).remove('\r'));
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
  const int row = List1->currentRow();
  if (row < 0) return;
  CurrentIndex = static_cast<int16_t>(row);
  if (const SongRecord* song = Playlist.Slot(CurrentIndex)) {
    lyricBox.ShowLyric(song->Lyric);
    ShowText(Label1, NowPlaying::SongText(*song));
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

void frmmain::enterEvent(QEnterEvent*) { WakeHover(); }

void frmmain::WakeHover() {
  if (!timButton.isActive()) timButton.start();
}

void frmmain::showEvent(QShowEvent*) {
  // Pointer events reach the window's children, and a move over a child without mouse
  // tracking reaches no widget at all; the native window sees every one of them.
  QWindow* window = windowHandle();
  if (window && window != hoverWatched_) {
    window->installEventFilter(this);
    hoverWatched_ = window;
  }
  WakeHover();
}

void frmmain::WMP_OpenStateChange(int NewState) {
  if (const std::optional<QString> text = PlaybackController::OpenStateText(NewState))
    lyricBox.ShowStatus(*text);
}

void frmmain::WMP_Buffering(bool Start) {
  const SongRecord* song = Playlist.Slot(CurrentIndex);
  if (!song) return;
  // A timed lyric goes back to following the song once the buffer is full.
  if (!Start && ParseSyncedLyric(song->Lyric))
    lyricBox.ShowLyric(song->Lyric);
  else
    lyricBox.ShowStatus(PlaybackController::BufferingText(Start, song->Lyric));
}

// Now playing

void frmmain::Timer3_Timer() {
  if (WMP->playState() != MediaPlayer::wmppsPlaying) {
    Timer3.stop();  // until the player starts again
    return;
  }
  if (const SongRecord* song = Playlist.Slot(CurrentIndex))
    ShowText(Label1, NowPlaying::PlayingText(NowPlaying::AsPlaying(*song, *WMP),
                                             WMP->controls.currentPositionString()));
}

void frmmain::timList_Timer() { playback.MediaInfoTick(); }

// Catalog browser

void frmmain::lbLetter_Click(int Index) {
  if (Skin::IsMarked(lbLetter[Index])) {
    face->SetLabelColors(1, 26);
    SelectedLetter = 26;
  } else {
    face->SetLabelColors(1, static_cast<int16_t>(Index));
    SelectedLetter = static_cast<int16_t>(Index);
  }
  RefilterSingers();
}

void frmmain::lbSingerType_Click(int Index) {
  if (Skin::IsMarked(lbSingerType[Index])) {
    face->SetLabelColors(0, 10);
    SelectedSingerType = 10;
  } else {
    face->SetLabelColors(0, static_cast<int16_t>(Index));
    SelectedSingerType = static_cast<int16_t>(Index);
  }
  RefilterSingers();
}

void frmmain::RefilterSingers() {
  int16_t type = 0;
  if (SelectedSingerType >= 0 && SelectedSingerType < 10) {
    bool ok = false;
    const int id = lbSingerType[SelectedSingerType]->property("Tag").toString().toInt(&ok);
    if (!ok || id < INT16_MIN || id > INT16_MAX) return;  // a label that names no type
    type = static_cast<int16_t>(id);
  }
  const QString letter =
      SelectedLetter >= 0 && SelectedLetter < 26 ? lbLetter[SelectedLetter]->text() : QString();
  Data::ListSingers(type, letter, lstSinger);
}

namespace {
// The selected entry's row id as a 16-bit id; nothing when none is selected or it is too big.
std::optional<int16_t> SelectedId16(const QListWidget* list) {
  const int row = list->currentRow();
  if (row < 0) return std::nullopt;
  const int32_t id = Data::ItemData(list, row);
  if (id < INT16_MIN || id > INT16_MAX) return std::nullopt;
  return static_cast<int16_t>(id);
}
}  // namespace

void frmmain::lstSinger_Click() {
  if (const std::optional<int16_t> singer = SelectedId16(lstSinger))
    Data::ListAlbums(*singer, lstSpecial);
}

void frmmain::lstSpecial_Click() {
  if (const std::optional<int16_t> album = SelectedId16(lstSpecial))
    Data::ListSongs(*album, lstSong);
}

std::pair<QString, QString> frmmain::SongAndSinger() const {
  const auto selected = [](const QListWidget* list) {
    const QListWidgetItem* item = list->currentItem();
    return item ? item->text() : QString();
  };
  if (AddSource == 0) return {selected(lstSong), selected(lstSinger)};
  const QString result = selected(lstSearch);
  return {result.section('\t', 0, 0), result.section('\t', 1, 1)};
}

void frmmain::lstSong_DblClick() {
  AddSource = 0;
  const int row = lstSong->currentRow();
  if (row < 0) return;
  const auto [title, singer] = SongAndSinger();
  playback.AddSong(Data::GetSongUrl(Data::ItemData(lstSong, row)), title, singer);
}

void frmmain::cmdAdd_Click(int Index) {
  if (Index == 0)
    lstSong_DblClick();
  else if (Index == 1)
    AddSelectedResult();
}

// Song search

bool frmmain::eventFilter(QObject* watched, QEvent* event) {
  if (watched == hoverWatched_) {
    switch (event->type()) {
      case QEvent::MouseMove:
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::Enter:
      case QEvent::Leave:
        WakeHover();
        break;
      default:
        break;
    }
    return false;
  }
  if (watched == List1->viewport()) {
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick &&
        type != QEvent::MouseButtonRelease)
      return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    // The right button does not pick a row; its release opens the menu.
    if (type == QEvent::MouseButtonRelease) {
      List1_MouseUp(PictureBox::ButtonCode(mouse->button()));
      return false;
    }
    return mouse->button() == Qt::RightButton;
  }
  if (event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (KeyPressed(watched, *key)) return true;
    if (watched == Text1 && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter))
      Text1_KeyPress(13);
  }
  return QWidget::eventFilter(watched, event);
}

// Keyboard

void frmmain::keyPressEvent(QKeyEvent* event) {
  if (!KeyPressed(this, *event)) QWidget::keyPressEvent(event);
}

bool frmmain::KeyPressed(QObject* target, const QKeyEvent& key) {
  using Command = PlaybackController::Command;
  // The search box keeps what editing text needs; a list keeps its arrows, a button its
  // space, a slider its left and right.
  const bool inText = target == Text1;
  const bool inList = qobject_cast<QListWidget*>(target) != nullptr;
  const bool onButton = qobject_cast<QPushButton*>(target) != nullptr;
  const bool onSlider = qobject_cast<MyHScollBar*>(target) != nullptr;
  const Qt::KeyboardModifiers modifiers = key.modifiers() & ~Qt::KeypadModifier;
  if (modifiers == Qt::ControlModifier) {
    switch (key.key()) {
      case Qt::Key_Right:
        if (inText) return false;
        playback.ButtonTransport(Command::kNext);
        return true;
      case Qt::Key_Left:
        if (inText) return false;
        playback.ButtonTransport(Command::kPrevious);
        return true;
      case Qt::Key_Period:
        playback.ButtonTransport(Command::kStop);
        return true;
      case Qt::Key_O:
        ControlButton_Click(5);
        return true;
      case Qt::Key_L:
        Menus()->addurl_Click();
        if (imgSearch->isVisible()) Text1->setFocus(Qt::ShortcutFocusReason);
        return true;
      case Qt::Key_F:
        if (!imgSearch->isVisible()) face->ToggleCatalogPanel();
        Text1->setFocus(Qt::ShortcutFocusReason);
        Text1->selectAll();
        return true;
      case Qt::Key_P:
        face->TogglePlaylistPanel();
        if (List1->isVisible()) List1->setFocus(Qt::ShortcutFocusReason);
        return true;
      case Qt::Key_Q:
        ExitProgram();
        return true;
      default:
        return false;
    }
  }
  const bool menuKey =
      key.key() == Qt::Key_Menu || (key.key() == Qt::Key_F10 && modifiers == Qt::ShiftModifier);
  if (menuKey) {
    QWidget* at = focusWidget() ? focusWidget() : this;
    Menus()->menuForm->popup(at->mapToGlobal(at->rect().center()));
    return true;
  }
  if (modifiers != Qt::NoModifier) return false;
  switch (key.key()) {
    case Qt::Key_Space:
      if (inText || onButton) return false;
      playback.PlayPause();
      return true;
    case Qt::Key_Left:
    case Qt::Key_Right:
      if (inText || onSlider) return false;
      playback.SeekBy(key.key() == Qt::Key_Right ? kSeekStepSeconds : -kSeekStepSeconds);
      return true;
    case Qt::Key_Up:
    case Qt::Key_Down:
      if (inList) return false;
      playback.StepVolume(key.key() == Qt::Key_Up ? kVolumeStep : -kVolumeStep);
      return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (target == List1 && List1->currentRow() >= 0)
        List1_DblClick();
      else if (target == lstSong)
        lstSong_DblClick();
      else if (target == lstSearch)
        AddSelectedResult();
      else
        return false;
      return true;
    case Qt::Key_Delete:
      if (target != List1 || List1->currentRow() < 0) return false;
      playback.DeleteCurrent();
      return true;
    case Qt::Key_Escape:
      if (imgSearch->isVisible())
        face->ToggleCatalogPanel();
      else if (List1->isVisible())
        face->ClosePlaylistPanel();
      else
        return false;
      if (!focusWidget() || !focusWidget()->isVisible())
        (List1->isVisible() ? static_cast<QWidget*>(List1) : this)->setFocus();
      return true;
    case Qt::Key_F1:
      imgTopButton_Click(0);
      return true;
    default:
      return false;
  }
}

void frmmain::FocusMoved(QWidget* now) {
  // The slider in focus lights up its label on the face.
  for (auto [bar, label] : {std::pair{PosScroll, Label3}, std::pair{VolScroll, Label2}}) {
    SetTextColour(label, now == bar ? kFocusMark : kFaceText);
    label->setFont(PixelFont(8, true));
  }
}

void frmmain::Text1_KeyPress(int KeyAscii) {
  if (KeyAscii != 13) return;
  const QString text = Text1->text();
  if (text == "春风吹过绿色山")
    MsgBox("送给你的礼物！", "一生一世的爱恋", vbOKOnly);
  else if (!text.isEmpty())
    StartSearch();
}

void frmmain::Go_Click() { StartSearch(); }

void frmmain::StartSearch() {
  // A page still loading belongs to the search this one replaces.
  WBYS->Stop();
  WBYS->hide();
  lstSearch->clear();
  const QString text = Text1->text();
  if (text.startsWith(QLatin1String("yisou:"), Qt::CaseSensitive)) {
    OtherSerach::SearchOnline(text.trimmed().mid(6), WBYS);
    SearchKind = 1;
  } else {
    Data::SearchSongs(text.trimmed(), lstSearch);
    SearchKind = 0;
  }
}

void frmmain::WBYS_DocumentComplete(bool ok) { OtherSerach::ShowResults(WBYS, ok, lstSearch); }

void frmmain::lstSearch_DblClick() { AddSelectedResult(); }

void frmmain::AddSelectedResult() {
  const int row = lstSearch->currentRow();
  if (SearchKind == 0) {
    AddSource = 1;
    if (row < 0) return;
    const auto [title, singer] = SongAndSinger();
    playback.AddSong(Data::GetSongUrl(Data::ItemData(lstSearch, row)), title, singer);
  } else if (SearchKind == 1) {
    AddSource = 0;
    const int number = row < 0 ? -1 : Data::ItemData(lstSearch, row);
    if (number < 0 || number >= static_cast<int>(SearchUrls.size())) return;
    // The result's own title, and the singer selected in the catalog.
    playback.AddSong(SearchUrls[static_cast<size_t>(number)], lstSearch->item(row)->text(),
                     SongAndSinger().second);
  }
}

// Position and volume

void frmmain::timVol_Timer() {
  const bool playing = WMP->playState() == MediaPlayer::wmppsPlaying;
  // Asking the player for its position goes down to the sound output: once a tick.
  const double position = playing ? WMP->controls.currentPosition() : 0;
  // Not playing, the bars come to rest below; the player's next start wakes this again.
  if (!playing) timVol.stop();
  if (!VolumeDragging) {
    const int32_t volume = Media::GetVolume(*WMP);
    VolScroll->SetPosition(VolScroll->Lenth().value_or(0) * (static_cast<float>(volume) / 100));
  }
  const int32_t length = Media::GetMediaLength(*WMP, CurrentIndex);
  PosScroll->SetValueRange(std::max(length, 0), kSeekStepSeconds);
  if (length == 0) {
    // Nothing plays: the bar goes back to the start.
    PosScroll->SetPosition(0);
  } else if (!SeekDragging) {  // (otherwise the user holds it)
    const int32_t p = playing ? Media::RoundHalfEven(position) : 0;
    PosScroll->SetPosition(PosScroll->Lenth().value_or(0) *
                           (static_cast<float>(p) / static_cast<float>(length)));
  }
}

void frmmain::VolScroll_MouseDown() { VolumeDragging = true; }
void frmmain::VolScroll_MouseUp() { VolumeDragging = false; }

void frmmain::VolScroll_OnScroll() {
  VolumeDragging = true;
  const float lenth = VolScroll->Lenth().value_or(0);
  if (lenth == 0) return;
  Media::SetVolume(*WMP, Media::RoundHalfEven(100 * (VolScroll->Position() / lenth)));
}

void frmmain::PosScroll_MouseDown() { SeekDragging = true; }
void frmmain::PosScroll_OnScroll() { SeekDragging = true; }

void frmmain::PosScroll_MouseUp() {
  const int32_t d = Media::GetMediaLength(*WMP, CurrentIndex);
  const float lenth = PosScroll->Lenth().value_or(0);
  // A bar without travel cannot say where to go; it stays held until a later release.
  if (lenth == 0) return;
  Media::SetMediaPosition(*WMP, Media::RoundHalfEven(d * (PosScroll->Position() / lenth)));
  SeekDragging = false;
}

// Skin buttons

void frmmain::timButton_Timer() {
  face->CursorPos = QCursor::pos();
  // Off the window (or over its see-through parts) the buttons are put back to normal once;
  // entering it wakes this again. A pointer that rests where the last tick saw it has its
  // pictures already: this tick is the last until the pointer moves again or a button goes
  // down or up (WakeHover).
  const QPoint cursor = face->CursorPos;
  const QPoint inWindow = mapFromGlobal(cursor);
  if (!rect().contains(inWindow) || (!mask().isEmpty() && !mask().contains(inWindow)) ||
      (cursor == hoverPos_ && !ButtonPressed))
    timButton.stop();
  hoverPos_ = cursor;
  if (face->CursorInButtonArea(cursor)) {
    if (timButton.interval() != 30) timButton.setInterval(30);
    if (!ButtonPressed) face->RefreshButtons();
  } else {
    for (int16_t i = 0; i < 6; ++i) face->SetControlButtonState(0, i);
    for (int16_t i = 0; i < 6; ++i) face->SetTopButtonState(0, i);
    if (timButton.interval() != 100) timButton.setInterval(100);
  }
}

void frmmain::ShowPressed(void (Skin::Face::*setState)(int16_t, int16_t), int Index) {
  (face.get()->*setState)(2, static_cast<int16_t>(Index));
  ButtonPressed = true;
}

// Only the left button presses a skin button; any release lets go of it.
void frmmain::ControlButton_MouseDown(int Index, int Button) {
  if (Button == 1) ShowPressed(&Skin::Face::SetControlButtonState, Index);
}
void frmmain::ControlButton_DblClick(int Index) {
  ShowPressed(&Skin::Face::SetControlButtonState, Index);
}
void frmmain::ControlButton_MouseUp(int, int) { ButtonPressed = false; }

void frmmain::imgTopButton_MouseDown(int Index, int Button) {
  if (Button == 1) ShowPressed(&Skin::Face::SetTopButtonState, Index);
}
void frmmain::imgTopButton_DblClick(int Index) {
  ShowPressed(&Skin::Face::SetTopButtonState, Index);
}
void frmmain::imgTopButton_MouseUp(int, int) { ButtonPressed = false; }

void frmmain::imgTopButton_Click(int Index) {
  switch (Index) {
    case 0:
      Launcher::OpenDocument(ResourcePath() + "/help.html");
      break;
    case 1:
      if (MsgBox("升级程序一旦启动，主程序即将关闭，是否确定？", "提示！", vbYesNo) == vbYes) {
        // Whether it started or not, the player makes way for it.
        Launcher::StartDetached(AppPath() + "/update");
        QTimer::singleShot(kUpdateExitDelayMs, this, &frmmain::ExitProgram);
      }
      break;
    case 2:
      face->ToggleCatalogPanel();
      break;
    case 3:
      face->TogglePlaylistPanel();
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

void frmmain::BeginDrag(PictureBox* picture, int Button) {
  // The right button keeps its release for the menu, so it moves the window by hand.
  if (Button == 1 && face->StartWindowDrag()) return;
  manualDrag_ = true;
  dragOffset_ = picture->LastGlobalPos() - pos();
}

bool frmmain::EndDrag(PictureBox* picture) {
  if (!manualDrag_) return false;
  move(picture->LastGlobalPos() - dragOffset_);  // where the pointer was let go
  manualDrag_ = false;
  face->ShowCatalogControls(1);
  face->ShowCatalogControls(0);
  return true;
}

void frmmain::PopUpMenu(bool onFace) {
  frmMenu* form = Menus();
  const bool tray = TrayIcon.icon && QSystemTrayIcon::isSystemTrayAvailable();
  (onFace && !tray ? form->menulist1 : form->menuForm)->popup(QCursor::pos());
}

void frmmain::HideMainWindow() {
  // Hidden, the window is brought back from the tray; without a tray it only minimises.
  if (TrayIcon.icon && QSystemTrayIcon::isSystemTrayAvailable())
    hide();
  else
    showMinimized();
}

void frmmain::ToggleCatalogPanel() { face->ToggleCatalogPanelKeepingItsMark(); }

void frmmain::ExitProgram() { face->ExitProgram(); }

void frmmain::Main_MouseDown(int Button) { BeginDrag(Main, Button); }

void frmmain::Main_MouseMove() {
  if (manualDrag_) move(Main->LastGlobalPos() - dragOffset_);
}

void frmmain::Main_MouseUp(int Button) {
  EndDrag(Main);
  if (Button == 2) PopUpMenu(true);
}

void frmmain::imgSearch_MouseDown(int Button) { BeginDrag(imgSearch, Button); }

void frmmain::imgSearch_MouseMove() {
  if (manualDrag_) move(imgSearch->LastGlobalPos() - dragOffset_);
}

void frmmain::imgSearch_MouseUp(int Button) {
  if (!EndDrag(imgSearch)) {
    face->ShowCatalogControls(1);
    face->ShowCatalogControls(0);
  }
  if (Button == 2) PopUpMenu();
}

void frmmain::List_DblClick() { face->TogglePlaylistPanel(); }

void frmmain::Image1_Click() { face->ToggleCatalogPanel(); }

void frmmain::Timer1_Timer() { lyrics.Tick(); }

void frmmain::inetLrc_StateChanged(int State) { lyrics.TransferEnded(State); }

void frmmain::Timer2_Timer() {
  countAsked_ = true;
  WB->Refresh();
}

void frmmain::WB_DocumentComplete(bool ok) {
  if (!std::exchange(countAsked_, false) || !ok) return;
  const QString text = WB->BodyHtml();
  // A longer text is an error page, not a count.
  if (text.size() < 10) lbCount->setText("在线人数" + text + "人");
}

void frmmain::WB_NewWindow2() { WB->RegisterAsBrowser = true; }
