#pragma once

#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>

#include "app/command_line.h"
#include "app/mpris.h"
#include "app/window_keys.h"
#include "catalog/catalog_browser.h"
#include "lyrics/lyric_box.h"
#include "lyrics/lyric_lookup.h"
#include "menus/frm_menu.h"
#include "menus/tray.h"
#include "playback/playback_controller.h"
#include "skin/button_hover.h"
#include "skin/face_controls.h"
#include "skin/skin.h"
#include "skin/skin_button.h"
#include "skin/window_move.h"

class MediaPlayer;
class WebBrowser;

// The player's main window: a borderless, skinned face with the playlist panel below it and
// the catalog panel beside it. It makes the face's controls from the skin's layout and hands
// each module the controls it works on; its handlers keep the names the controls' events go
// by. The controls are its own: from outside they are found by their object names.
class frmmain : public QWidget, public MenuHost, public MprisHost {
  Q_OBJECT

 public:
  // The window plays through player, which it takes over; without one it makes the
  // GStreamer player.
  explicit frmmain(MediaPlayer* player = nullptr);
  ~frmmain() override;

  // Brings up everything in its fixed order: skin, playlist, geometry, counter page, singer
  // types, first refresh of the bars, the hidden message board, the tray icon. A failing step
  // ends the load quietly; what was done stays done. The files this start's command line names
  // are added during the load's pause, so that their tags are read while nothing shows yet;
  // Open(request, true) then plays or acts on them.
  void Form_Load(const StartRequest& request = {});

  // Adds, plays or acts on what a command line asked for (this start's or another's); added is
  // true when Form_Load already added its files.
  void Open(const StartRequest& request, bool added = false);
  // Another start of the program asked for the main window and for request.
  void ShowFromAnotherStart(const StartRequest& request);
  // Brings the window back in its normal state, in front.
  void RestoreWindow();
  // Offers the player to desktops on the session bus, where there is one.
  void OfferOnSessionBus();

  // How long the load pauses after reading the playlist.
  static inline int startupPauseMs = 1000;

  MediaPlayer* const WMP;

 private:
  const Skin::FaceControls ui_;
  Skin::Face face_;
  // The counter page is read, never shown; the search page is shown while it loads.
  WebBrowser* const WB;
  WebBrowser* const WBYS;

 public:
  PlaybackController playback;

 private:
  LyricBox lyricBox_;
  LyricLookup lyrics_;
  CatalogBrowser catalog_;
  Skin::ButtonHover hover_;
  Tray tray_;
  WindowMove::Drag drag_;
  WindowKeys keys_;
  QPointer<frmMenu> menus_;
  // A tick of Timer2 waits for the counter page.
  bool countAsked_ = false;
  // The first row Form_Load added for this start's command line, or -1.
  int firstAdded_ = -1;

 public:
  // The popup menus, made the first time one is used; nullptr until then and once unloaded.
  frmMenu* Menus();
  void UnloadMenus();

  // The window's timers; the advance, media-information, hover and lyric ticks are those of
  // playback, the hover tracking and the lyric lookup.
  QTimer& timWMP = playback.advanceTimer();
  QTimer timVol;
  QTimer& timList = playback.mediaInfoTimer();
  QTimer& timButton = hover_.timer();
  QTimer& Timer1 = lyrics_.timer();
  QTimer Timer2;
  QTimer Timer3;

  // The user holds a bar; the periodic refresh leaves it alone.
  bool VolumeDragging = false;
  bool SeekDragging = false;

  void timWMP_Timer();
  void timVol_Timer();
  void timList_Timer();
  void Timer1_Timer();
  void Timer2_Timer();
  void Timer3_Timer();
  // The counter page has loaded (again): the online-user count.
  void WB_DocumentComplete(bool ok);
  // The tray icon's notifications (see Tray).
  void Picture1_MouseMove(int X);

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
  void imgTopButton_Click(int Index);

  // Dragging the window by its pictures, their right-click menu, and the panel toggles.
  void Main_MouseDown(int Button);
  void Main_MouseMove();
  void Main_MouseUp(int Button);
  void imgSearch_MouseDown(int Button);
  void imgSearch_MouseMove();
  void imgSearch_MouseUp(int Button);
  void List_DblClick();
  void Image1_Click();

  // The catalog browser and the song search (see CatalogBrowser).
  void lbLetter_Click(int Index);
  void lbSingerType_Click(int Index);
  void lstSinger_Click();
  void lstSpecial_Click();
  void lstSong_DblClick();
  void cmdAdd_Click(int Index);
  void Go_Click();
  void Text1_KeyPress(int KeyAscii);
  void lstSearch_DblClick();

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
  // What the session bus asks of it.
  void Raise() override { RestoreWindow(); }
  void Quit() override { ExitProgram(); }

 protected:
  // Removes the tray icon; the window always closes.
  void closeEvent(QCloseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void ConnectHandlers();
  void StartTimers();
  // The load's pause, used to get ready what cannot be seen yet: the controls' styles and
  // what ready does.
  void Pause(const std::function<void()>& ready);
  // Adds the request's files; the first row added, or -1 when none was.
  int Add(const StartRequest& request);
  // menuForm at the pointer: the face, the search picture and the playlist share it.
  void PopUpMenu();
  bool eventFilter(QObject* watched, QEvent* event) override;
};
