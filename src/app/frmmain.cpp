#include "app/frmmain.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
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
#include <stdexcept>
#include <utility>

#include "app/identity.h"
#include "app/playlist_drop.h"
#include "catalog/data.h"
#include "catalog/list_control.h"
#include "catalog/other_serach.h"
#include "lyrics/lyric_box.h"
#include "lyrics/lyric_lookup.h"
#include "lyrics/synced_lyric.h"
#include "menus/board_process.h"
#include "menus/frm_menu.h"
#include "platform/app_path.h"
#include "platform/endpoints.h"
#include "platform/launcher.h"
#include "platform/msgbox.h"
#include "playback/controller.h"
#include "playback/gst_media_player.h"
#include "playback/media.h"
#include "playback/now_playing.h"
#include "skin/button_states.h"
#include "skin/geometry.h"
#include "skin/my_hscoll_bar.h"
#include "skin/panels.h"
#include "skin/picture_box.h"
#include "skin/skin.h"
#include "skin/skin_button.h"
#include "skin/skin_pictures.h"
#include "state/main_controls.h"
#include "state/shared_state.h"
#include "web/inet.h"
#include "web/web_browser.h"

namespace {

using namespace SkinGeometry;

// The advance check starts ticking this long before a song's end.
constexpr double kArmAdvanceSeconds = 1.2;
// The media-information tick.
constexpr int kMediaInfoTickMs = 100;
constexpr char kCounterPath[] = "/sonaveil/count1/active.asp";
// The player leaves this long after starting the updater.
constexpr int kUpdateExitDelayMs = 2000;
// Texts drawn on the skin: dark on its light panels, light on its dark face.
const QColor kInk(29, 34, 64);
const QColor kFaceText(178, 186, 216);

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
    : QWidget(nullptr, Qt::FramelessWindowHint), WMP(player ? player : new GstMediaPlayer) {
  setObjectName("frmmain");
  setWindowTitle(kMainCaption);
  WMP->setParent(this);
  WMP->setObjectName("WMP");
  CreateControls();
  ConnectHandlers();
  new PlaylistDrop(List1);
  MainForm() = MainControls{this,       List1,         lstSong,      lstSinger,    lstSearch,
                            &Timer1,    inetLrc,       WMP,          Main,         List,
                            imgSearch,  ControlButton, imgTopButton, lbSingerType, lbLetter,
                            lstSpecial, Text1,         Go,           cmdAdd,       Image1};
  MainForm().Text2 = Text2;
  MainForm().timList = &timList;
  Skin::SetSideWindowsUnload([] {
    frmMenu::Unload();
    BoardProcess::Unload();
  });
  StartTimers();
}

frmmain::~frmmain() {
  Form_QueryUnload();
  if (MainForm().window == this) MainForm() = MainControls{};
}

void frmmain::CreateControls() {
  // Stacking from the bottom up: List under Main under the catalog panel's picture, then the
  // labels and buttons above them all.
  List = Place(new PictureBox(this), "List", 0, kPanelOpenTop, kFaceWidth, kPanelHeight);
  Main = Place(new PictureBox(this), "Main", 0, 0, kFaceWidth, kFaceHeight);
  imgSearch = Place(new PictureBox(this), "imgSearch", 242, 0, 673, 321);
  imgSearch->hide();

  List1 = Place(new QListWidget(this), "List1", 8, 328, 225, 119);
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
  static const char* const kTopTips[6] = {"帮助",   "升级", "查询网络文件", "展开\\关闭播放列表",
                                          "最小化", "关闭"};
  for (int i = 0; i < 6; ++i) {
    imgTopButton[i] = Place(new SkinButton(i + 7, this), Indexed("imgTopButton", i), kTopLeft[i],
                            kTopButtonTop, kTopWidth[i], kTopButtonHeight);
    imgTopButton[i]->setToolTip(kTopTips[i]);
  }

  setFont(PixelFont(12));
  Label1 = Place(new PictureBox(this), "Label1", 32, 48, 177, 53);
  SetTextColour(Label1, kInk);
  // Four lines of now-playing text in 53 pixels.
  Label1->SetLinePitch(13);
  Label1->setText("欢迎您使用Sonaveil v4.0系列，我们力求为您提供优良的免费服务");

  Text2 = Place(new QPlainTextEdit(this), "Text2", 32, 128, 177, 121);
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
    lbSingerType[i]->setText("华语男歌手");
    lbSingerType[i]->setFont(PixelFont(12));
    lbSingerType[i]->setCursor(Qt::PointingHandCursor);
    SetTextColour(lbSingerType[i], QApplication::palette().color(QPalette::ButtonText));
    lbSingerType[i]->hide();
  }
  for (int i = 0; i < 26; ++i) {
    lbLetter[i] = Place(new PictureBox(this), Indexed("lbLetter", i), 264 + 16 * i, 64, 7, 13);
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

  inetLrc = new Inet(this);
  inetLrc->setObjectName("inetLrc");
  connect(inetLrc, &Inet::StateChanged, this, &frmmain::inetLrc_StateChanged);
  Inet2 = new Inet(this);
  Inet2->setObjectName("Inet2");
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
  Text1->installEventFilter(this);
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
  connect(WMP, &MediaPlayer::Error, this, &frmmain::WMP_Error);
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
  const TimerSetup timers[] = {
      {&timWMP, "timWMP", 10, &frmmain::timWMP_Timer},
      {&timVol, "timVol", 100, &frmmain::timVol_Timer},
      {&timList, "timList", 100, &frmmain::timList_Timer},
      {&timButton, "timButton", 100, &frmmain::timButton_Timer},
      {&Timer1, "Timer1", 1000, &frmmain::Timer1_Timer},
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

  Skin::InitSkin(this);
  if (!ListControl::ShowPlaylist(List1)) return;
  if (startupPauseMs > 0) QThread::msleep(static_cast<unsigned long>(startupPauseMs));

  setGeometry(0, 0, kWindowWidth, kWindowHeight);

  WB->RegisterAsBrowser = true;
  WB->RegisterAsDropTarget = false;
  WB->Navigate2(JoinUrl(Endpoints().counterHost, kCounterPath));

  Skin::LoadSingerTypes();
  SelectedSingerType = 10;
  SelectedLetter = 26;

  timWMP_Timer();
  timVol_Timer();
  SeekDragging = false;

  BoardProcess::Instance()->setVisible(false);

  const QPixmap icon = SkinPictures::LoadIcon("sonaveil.ico");
  if (icon.isNull()) return;
  Picture1->setPixmap(icon);
  RegisterTrayIcon();
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
  MainForm().trayIcon = tray;

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
  if (MainForm().trayIcon == TrayIcon.icon) MainForm().trayIcon = nullptr;
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
    if (CurrentIndex >= 0 && CurrentIndex < List1->count()) SelectRow(CurrentIndex);
  } else if (trayMessage_ == 517) {
    frmMenu::Instance()->menulist1->exec(QCursor::pos());
  }
  trayBusy_ = false;
}

void frmmain::ShowFromAnotherStart() {
  qInfo("sonaveil: another start asked for the main window");
  RestoreWindow();
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

void frmmain::SelectRow(int row) {
  if (List1->currentRow() == row)
    List1_Click();
  else
    List1->setCurrentRow(row);
}

// Playback

void frmmain::ControlButton_Click(int Index) {
  timList.start();
  switch (Index) {
    case 0:
      if (CurrentIndex < 1) return;
      SelectRow(CurrentIndex - 1);
      // Another entry: load it, even if the one before was paused.
      Paused = false;
      Media::PlayMedia(*WMP);
      break;
    case 1:
      Media::PlayMedia(*WMP);
      Paused = false;
      break;
    case 2:
      Media::PauseMedia(*WMP);
      Paused = true;
      break;
    case 3:
      Media::StopMedia(*WMP);
      Paused = false;
      break;
    case 4:
      if (CurrentIndex >= PlaylistCount - 1) return;
      SelectRow(CurrentIndex + 1);
      Paused = false;
      Media::PlayMedia(*WMP);
      break;
    case 5:
      Media::AddLocalFiles(this);
      break;
    default:
      break;
  }
}

void frmmain::List1_Click() {
  const int row = List1->currentRow();
  if (row < 0) return;
  CurrentIndex = static_cast<int16_t>(row);
  try {
    const SongRecord& song = Playlist[CurrentIndex];
    Lyrics::ShowLyric(song.Lyric);
    ShowText(Label1, NowPlaying::SongText(song));
  } catch (const std::out_of_range&) {  // no such entry, or the playlist is full
  }
}

void frmmain::List1_MouseUp(int Button) {
  if (Button == 2) PopUpMenu();
}

void frmmain::List1_DblClick() {
  if (CurrentIndex != PlayingIndex) Paused = false;
  Media::PlayMedia(*WMP);
  timList.start();
}

void frmmain::timWMP_Timer() {
  const int state = WMP->playState();
  // Nothing plays: nothing can end. The bars' tick arms this again near a song's end.
  if (state != MediaPlayer::wmppsPlaying) timWMP.stop();
  if (!Controller::AtEndOfSong(state, WMP->currentMedia.duration(),
                               WMP->controls.currentPosition()))
    return;
  SelectRow(CurrentIndex < PlaylistCount - 1 ? CurrentIndex + 1 : 0);
  Paused = false;
  Media::PlayMedia(*WMP);
  timList.start();
}

void frmmain::WMP_PlayStateChange(int NewState) {
  // The bars, the now-playing text and the advance check wake when something plays, and so
  // do the media-information and lyric ticks that were waiting for it.
  if (NewState != MediaPlayer::wmppsPlaying) return;
  const bool infoWaiting = std::exchange(mediaInfoWaiting_, false);
  if (timList.isActive() || infoWaiting) timList.start(kMediaInfoTickMs);
  if (std::exchange(lyricWaiting_, false)) Timer1.start();
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
  if (const std::optional<QString> text = Controller::OpenStateText(NewState))
    Text2->setPlainText(*text);
}

void frmmain::WMP_Buffering(bool Start) {
  try {
    const QString& lyric = Playlist[CurrentIndex].Lyric;
    // A timed lyric goes back to following the song once the buffer is full.
    if (!Start && ParseSyncedLyric(lyric))
      Lyrics::ShowLyric(lyric);
    else
      Text2->setPlainText(Controller::BufferingText(Start, lyric));
  } catch (const std::out_of_range&) {  // no such entry
  }
}

void frmmain::WMP_Error() {
  // The entry that failed, by its address: by the time the script arrives the user may have
  // moved on, rows may have moved, and other entries may have failed too. Each failure gets
  // its own outcome; one fetch of the script serves all that wait for it.
  const bool fetching = !pendingRepairs_.isEmpty();
  pendingRepairs_.append({WMP->URL(), static_cast<int16_t>(PlayingIndex)});
  if (fetching) return;
  Inet2->OpenURL(
      JoinUrl(Endpoints().mediaScriptHost, "/js/serverurl.js"),
      [this](bool ok, const QString& script) {
        if (ok) {
          if (const std::optional<QString> base = Controller::MediaServerBaseFrom(script))
            MediaServerBase = *base;
        }
        const QList<PendingRepair> repairs = std::exchange(pendingRepairs_, {});
        for (const PendingRepair& repair : repairs) RepairFailedEntry(repair);
      });
}

void frmmain::RepairFailedEntry(const PendingRepair& repair) {
  const int entry = FindEntry(repair.address, repair.hint);
  if (entry < 0) return;  // the entry is gone
  SongRecord& song = Playlist[entry];
  const std::optional<QString> repaired =
      Controller::RepairedPath(song.Path, Endpoints().placeholderHostPrefix, MediaServerBase);
  if (!repaired) {
    MsgBox("无法播放，请删除本歌曲！", "播放错误！", vbOKOnly);
    return;
  }
  song.Path = *repaired;
  if (CurrentIndex == entry) Media::PlayMedia(*WMP);
}

// Now playing

void frmmain::Timer3_Timer() {
  if (WMP->playState() != MediaPlayer::wmppsPlaying) {
    Timer3.stop();  // until the player starts again
    return;
  }
  try {
    ShowText(Label1, NowPlaying::PlayingText(Playlist[CurrentIndex],
                                             WMP->controls.currentPositionString()));
  } catch (const std::out_of_range&) {  // no such entry, or the playlist is full
  }
}

void frmmain::timList_Timer() {
  timList.stop();
  // Waiting for playback: the player's start wakes this again.
  mediaInfoWaiting_ = WMP->playState() != MediaPlayer::wmppsPlaying;
  if (!mediaInfoWaiting_) Media::GetMediaInfo(*WMP);
}

// Catalog browser

void frmmain::lbLetter_Click(int Index) {
  if (Skin::IsMarked(lbLetter[Index])) {
    Skin::SetLabelColors(1, 26);
    SelectedLetter = 26;
  } else {
    Skin::SetLabelColors(1, static_cast<int16_t>(Index));
    SelectedLetter = static_cast<int16_t>(Index);
  }
  RefilterSingers();
}

void frmmain::lbSingerType_Click(int Index) {
  if (Skin::IsMarked(lbSingerType[Index])) {
    Skin::SetLabelColors(0, 10);
    SelectedSingerType = 10;
  } else {
    Skin::SetLabelColors(0, static_cast<int16_t>(Index));
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

void frmmain::lstSong_DblClick() {
  AddSource = 0;
  const int row = lstSong->currentRow();
  if (row < 0) return;
  try {
    Media::AddSongToList(Data::GetSongUrl(Data::ItemData(lstSong, row)));
  } catch (const std::out_of_range&) {  // no such entry, or the playlist is full
  }
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
  if (watched == Text1 && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) Text1_KeyPress(13);
  }
  return QWidget::eventFilter(watched, event);
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

void frmmain::WBYS_DocumentComplete(bool ok) { OtherSerach::ShowResults(WBYS, ok); }

void frmmain::lstSearch_DblClick() { AddSelectedResult(); }

void frmmain::AddSelectedResult() {
  const int row = lstSearch->currentRow();
  try {
    if (SearchKind == 0) {
      AddSource = 1;
      if (row < 0) return;
      Media::AddSongToList(Data::GetSongUrl(Data::ItemData(lstSearch, row)));
    } else if (SearchKind == 1) {
      AddSource = 0;
      if (row < 0) return;
      const int number = Data::ItemData(lstSearch, row);
      Media::AddSongToList(SearchUrls.at(static_cast<size_t>(number)));
      Playlist[PlaylistCount - 1].Title = lstSearch->item(row)->text();
      ListControl::ShowPlaylist(List1);
    }
  } catch (const std::out_of_range&) {  // no such entry, or the playlist is full
  }
}

// Position and volume

void frmmain::timVol_Timer() {
  const bool playing = WMP->playState() == MediaPlayer::wmppsPlaying;
  // One reading of the position serves the advance check and the bar: asking the player
  // goes down to the sound output.
  const double position = playing ? WMP->controls.currentPosition() : 0;
  if (playing) {
    // The advance check ticks only around the song's last second.
    const double duration = WMP->currentMedia.duration();
    if (duration > 0 && duration - position <= kArmAdvanceSeconds) {
      if (!timWMP.isActive()) timWMP.start();
    } else {
      timWMP.stop();
    }
  } else {
    // The bars come to rest below; the player's next start wakes this again.
    timVol.stop();
  }
  if (!VolumeDragging) {
    const int32_t volume = Media::GetVolume(*WMP);
    VolScroll->SetPosition(VolScroll->Lenth().value_or(0) * (static_cast<float>(volume) / 100));
  }
  const int32_t length = Media::GetMediaLength(*WMP, CurrentIndex);
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
  Skin::CursorPos = QCursor::pos();
  // Off the window (or over its see-through parts) the buttons are put back to normal once;
  // entering it wakes this again. A pointer that rests where the last tick saw it has its
  // pictures already: this tick is the last until the pointer moves again or a button goes
  // down or up (WakeHover).
  const QPoint inWindow = mapFromGlobal(Skin::CursorPos);
  if (!rect().contains(inWindow) || (!mask().isEmpty() && !mask().contains(inWindow)) ||
      (Skin::CursorPos == hoverPos_ && !ButtonPressed))
    timButton.stop();
  hoverPos_ = Skin::CursorPos;
  if (Skin::CursorInButtonArea(Skin::CursorPos)) {
    if (timButton.interval() != 30) timButton.setInterval(30);
    if (!ButtonPressed) Skin::RefreshButtons();
  } else {
    for (int16_t i = 0; i < 6; ++i) Skin::SetControlButtonState(0, i);
    for (int16_t i = 0; i < 6; ++i) Skin::SetTopButtonState(0, i);
    if (timButton.interval() != 100) timButton.setInterval(100);
  }
}

void frmmain::ShowPressed(void (*setState)(int16_t, int16_t), int Index) {
  setState(2, static_cast<int16_t>(Index));
  ButtonPressed = true;
}

// Only the left button presses a skin button; any release lets go of it.
void frmmain::ControlButton_MouseDown(int Index, int Button) {
  if (Button == 1) ShowPressed(&Skin::SetControlButtonState, Index);
}
void frmmain::ControlButton_DblClick(int Index) {
  ShowPressed(&Skin::SetControlButtonState, Index);
}
void frmmain::ControlButton_MouseUp(int, int) { ButtonPressed = false; }

void frmmain::imgTopButton_MouseDown(int Index, int Button) {
  if (Button == 1) ShowPressed(&Skin::SetTopButtonState, Index);
}
void frmmain::imgTopButton_DblClick(int Index) { ShowPressed(&Skin::SetTopButtonState, Index); }
void frmmain::imgTopButton_MouseUp(int, int) { ButtonPressed = false; }

void frmmain::imgTopButton_Click(int Index) {
  switch (Index) {
    case 0:
      Launcher::OpenDocument(AppPath() + "/help.html");
      break;
    case 1:
      if (MsgBox("升级程序一旦启动，主程序即将关闭，是否确定？", "提示！", vbYesNo) == vbYes) {
        // Whether it started or not, the player makes way for it.
        Launcher::StartDetached(AppPath() + "/update");
        QTimer::singleShot(kUpdateExitDelayMs, this, &Skin::ExitProgram);
      }
      break;
    case 2:
      Skin::ToggleCatalogPanel();
      break;
    case 3:
      Skin::TogglePlaylistPanel();
      break;
    case 4:
      // Hidden, the window is brought back from the tray; without a tray it only minimises.
      if (TrayIcon.icon && QSystemTrayIcon::isSystemTrayAvailable())
        hide();
      else
        showMinimized();
      break;
    case 5:
      Skin::ExitProgram();
      break;
    default:
      break;
  }
}

// Window dragging, the pictures' menu, the panel toggles

void frmmain::BeginDrag(PictureBox* picture, int Button) {
  // The right button keeps its release for the menu, so it moves the window by hand.
  if (Button == 1 && Skin::StartWindowDrag(this)) return;
  manualDrag_ = true;
  dragOffset_ = picture->LastGlobalPos() - pos();
}

bool frmmain::EndDrag(PictureBox* picture) {
  if (!manualDrag_) return false;
  move(picture->LastGlobalPos() - dragOffset_);  // where the pointer was let go
  manualDrag_ = false;
  Skin::ShowCatalogControls(1);
  Skin::ShowCatalogControls(0);
  return true;
}

void frmmain::PopUpMenu(bool face) {
  frmMenu* form = frmMenu::Instance();
  const bool tray = TrayIcon.icon && QSystemTrayIcon::isSystemTrayAvailable();
  (face && !tray ? form->menulist1 : form->menuForm)->popup(QCursor::pos());
}

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
    Skin::ShowCatalogControls(1);
    Skin::ShowCatalogControls(0);
  }
  if (Button == 2) PopUpMenu();
}

void frmmain::List_DblClick() { Skin::TogglePlaylistPanel(); }

void frmmain::Image1_Click() { Skin::ToggleCatalogPanel(); }

void frmmain::Timer1_Timer() {
  Lyrics::Timer1_Timer();
  // Still on: it waits for the entry to play before looking its lyric up. The player's
  // start wakes it; until then it rests.
  if (Timer1.isActive() && WMP->playState() != MediaPlayer::wmppsPlaying) {
    Timer1.stop();
    lyricWaiting_ = true;
  }
}

void frmmain::inetLrc_StateChanged(int State) { Lyrics::inetLrc_StateChanged(State); }

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
