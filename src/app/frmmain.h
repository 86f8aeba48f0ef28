#pragma once

#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <array>
#include <memory>
#include <utility>

#include "app/command_line.h"
#include "lyrics/lyric_box.h"
#include "lyrics/lyric_lookup.h"
#include "menus/frm_menu.h"
#include "playback/playback_controller.h"
#include "skin/skin.h"
#include "skin/skin_button.h"

class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QSystemTrayIcon;
class QWindow;
class Inet;
class MediaPlayer;
class MyHScollBar;
class PictureBox;
class WebBrowser;

// The player's main window: a borderless, skinned face with the playlist panel below it and
// the catalog panel beside it. Controls keep the names the handlers refer to them by.
class frmmain : public QWidget, public MenuHost {
  Q_OBJECT

 public:
  // The window plays through player, which it takes over; without one it makes the
  // GStreamer player.
  explicit frmmain(MediaPlayer* player = nullptr);
  ~frmmain() override;

  // Brings up everything in its fixed order: skin, playlist, geometry, counter page, singer
  // types, first refresh of the bars, the hidden message board, the tray icon. A failing step
  // ends the load quietly; what was done stays done.
  void Form_Load();

  // Adds, plays or acts on what a command line asked for (this start's or another's).
  void Open(const StartRequest& request);
  // Another start of the program asked for the main window and for request.
  void ShowFromAnotherStart(const StartRequest& request);
  // Brings the window back in its normal state, in front.
  void RestoreWindow();

  // How long the load pauses after reading the playlist.
  static inline int startupPauseMs = 1000;

  // The player, the playlist box and the lyric box come first: playback, the lyric box and
  // the lyric lookup are made on them.
  MediaPlayer* WMP;
  QListWidget* List1;
  QPlainTextEdit* Text2;
  PlaybackController playback;
  LyricBox lyricBox;
  LyricLookup lyrics;

  // Player face, playlist panel and catalog panel.
  PictureBox* Main;
  PictureBox* List;
  PictureBox* imgSearch;
  PictureBox* Image1;
  PictureBox* Picture1;
  std::array<SkinButton*, 6> ControlButton;
  std::array<SkinButton*, 6> imgTopButton;

  PictureBox* Label1;
  PictureBox* lbCount;
  MyHScollBar* PosScroll;
  MyHScollBar* VolScroll;
  PictureBox* Label2;
  PictureBox* Label3;

  std::array<PictureBox*, 10> lbSingerType;
  std::array<PictureBox*, 26> lbLetter;
  QListWidget* lstSinger;
  QListWidget* lstSpecial;
  QListWidget* lstSong;
  QLineEdit* Text1;
  QPushButton* Go;
  QListWidget* lstSearch;
  std::array<QPushButton*, 2> cmdAdd;

  WebBrowser* WB;
  WebBrowser* WBYS;
  // The lyric lookup's transfer.
  Inet* const inetLrc = &lyrics.transfer();

  // The skin of the face, its buttons and panels.
  std::unique_ptr<Skin::Face> face;
  // The popup menus, made the first time one is used; nullptr until then and once unloaded.
  frmMenu* Menus();
  void UnloadMenus();

  // The window's timers; the advance, media-information and lyric ticks are those of
  // playback and the lyric lookup.
  QTimer& timWMP = playback.advanceTimer();
  QTimer timVol;
  QTimer& timList = playback.mediaInfoTimer();
  QTimer timButton;
  QTimer& Timer1 = lyrics.timer();
  QTimer Timer2;
  QTimer Timer3;

  // The user holds a bar; the periodic refresh leaves it alone.
  bool VolumeDragging = false;
  bool SeekDragging = false;
  // A skin button is held down: the hover tracking leaves the pictures alone.
  bool ButtonPressed = false;

  void timWMP_Timer();
  void timVol_Timer();
  void timList_Timer();
  void timButton_Timer();
  void Timer1_Timer();
  void inetLrc_StateChanged(int State);
  void Timer2_Timer();
  void Timer3_Timer();
  void WB_NewWindow2();
  // The counter page has loaded (again): the online-user count.
  void WB_DocumentComplete(bool ok);

  // The tray icon's notifications, by the mouse message the system numbers them with: 515
  // double-click, 517 right button released; the others do nothing.
  void Picture1_MouseMove(int X);
  // The code of a tray activation.
  static int TrayCode(int reason);

  // Transport buttons: previous, play, pause, stop, next, add files.
  void ControlButton_Click(int Index);
  // A row of the playlist was clicked or selected: it becomes the current entry.
  void List1_Click();
  void List1_DblClick();
  void List1_MouseUp(int Button);
  void WMP_OpenStateChange(int NewState);
  // Playing wakes the bars and the now-playing text; they rest by themselves otherwise.
  void WMP_PlayStateChange(int NewState);
  void WMP_Buffering(bool Start);

  // Skin buttons: pressed pictures, top button actions.
  void ControlButton_MouseDown(int Index, int Button);
  void ControlButton_DblClick(int Index);
  void ControlButton_MouseUp(int Index, int Button);
  void imgTopButton_MouseDown(int Index, int Button);
  void imgTopButton_DblClick(int Index);
  void imgTopButton_MouseUp(int Index, int Button);
  void imgTopButton_Click(int Index);

  // Dragging the window by its pictures, their right-click menu, and the panel toggles.
  void Main_MouseDown(int Button);
  void Main_MouseMove();
  void imgSearch_MouseMove();
  void Main_MouseUp(int Button);
  void imgSearch_MouseDown(int Button);
  void imgSearch_MouseUp(int Button);
  void List_DblClick();
  void Image1_Click();

  // Catalog browser: letter and singer-type filters, the singer, album and song lists.
  void lbLetter_Click(int Index);
  void lbSingerType_Click(int Index);
  void lstSinger_Click();
  void lstSpecial_Click();
  void lstSong_DblClick();
  void cmdAdd_Click(int Index);

  // Song search, in the catalog or ("yisou:") online.
  void Go_Click();
  void Text1_KeyPress(int KeyAscii);
  void lstSearch_DblClick();
  void WBYS_DocumentComplete(bool ok);

  // Position and volume bars.
  void VolScroll_MouseDown();
  void VolScroll_MouseUp();
  void VolScroll_OnScroll();
  void PosScroll_MouseDown();
  void PosScroll_OnScroll();
  void PosScroll_MouseUp();

  // What the menus ask of the window.
  QWidget* DialogParent() override { return this; }
  void ShowMainWindow() override { RestoreWindow(); }
  void HideMainWindow() override;
  void ToggleCatalogPanel() override;
  void ExitProgram() override;

 protected:
  // Removes the tray icon; the window always closes.
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  // The pointer came over the window: the hover pictures follow it again.
  void enterEvent(QEnterEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void CreateControls();
  void ConnectHandlers();
  void ShowText(class QLabel* label, const QString& text);
  // Moves the window with the pointer where the system cannot (no window manager).
  void BeginDrag(PictureBox* picture, int Button);
  bool EndDrag(PictureBox* picture);
  // menuForm, or the tray's menu when there is no tray to open it from.
  void PopUpMenu(bool onFace = false);
  // The pressed picture on button Index of a row, held until the next release.
  void ShowPressed(void (Skin::Face::*setState)(int16_t, int16_t), int Index);
  void RefilterSingers();
  void StartSearch();
  void AddSelectedResult();
  // Title and singer of a catalog song added now: the selected song and singer, or the
  // selected search result, as AddSource says.
  std::pair<QString, QString> SongAndSinger() const;
  bool eventFilter(QObject* watched, QEvent* event) override;
  // The window's keys, pressed while target has the focus; false leaves the key to it.
  bool KeyPressed(QObject* target, const QKeyEvent& key);
  // Names the controls for assistive technology and chains them for Tab.
  void SetUpKeyboardAndNames();
  void FocusMoved(QWidget* now);
  // The hover tick rests while the pointer does; a pointer event on the window wakes it.
  void WakeHover();
  QPointer<QWindow> hoverWatched_;
  QPoint hoverPos_;

  QPointer<frmMenu> menus_;

  bool manualDrag_ = false;
  QPoint dragOffset_;
  // Tray decoding: the last notification, and whether one is being handled (its menu open).
  int trayMessage_ = 0;
  bool trayBusy_ = false;
  // A tick of Timer2 waits for the counter page.
  bool countAsked_ = false;
  void StartTimers();
  bool RegisterTrayIcon();
  void Form_QueryUnload();
};
