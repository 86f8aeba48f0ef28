#pragma once

#include <QObject>
#include <QString>
#include <array>

class LyricLookup;
class PlaybackController;
class QAction;
class QMenu;
class QWidget;

// What the menu entries do to the main window.
class MenuHost {
 public:
  virtual ~MenuHost() = default;
  // The window the menus' dialogs belong to.
  virtual QWidget* DialogParent() = 0;
  // Shows the window in its normal state, in front.
  virtual void ShowMainWindow() = 0;
  // Hides it where the tray can bring it back, else minimises it.
  virtual void HideMainWindow() = 0;
  // Shows or hides the catalog panel, leaving its close mark as it is.
  virtual void ToggleCatalogPanel() = 0;
  virtual void ExitProgram() = 0;
};

// Opens the help page with the desktop's viewer (the help buttons and entries).
void OpenHelp();
// Asks first; on Yes starts the updater and, kUpdateExitDelayMs later, ends the program
// through host, whether the updater started or not (the upgrade button and entry). In
// between, the program takes no input.
void StartUpdater(MenuHost& host);
inline constexpr int kUpdateExitDelayMs = 2000;

// The form that holds the two popup menus: menulist1 for the tray icon and menuForm for the
// main window's pictures and playlist. It is never shown; the main window makes it the first
// time a menu is used, and it lives until it is unloaded.
class frmMenu : public QObject {
  Q_OBJECT

 public:
  frmMenu(MenuHost& host, PlaybackController& playback, LyricLookup& lyrics);
  ~frmMenu() override;

  // The captions of the message-board entries.
  // The board entry's captions, translated where shown.
  static constexpr const char* kOpenBoard = QT_TR_NOOP("打开留言板");
  static constexpr const char* kCloseBoard = QT_TR_NOOP("关闭留言板");

  QMenu* menulist1;
  QAction* showmain;
  QAction* closemenu;
  QMenu* file;
  QAction* addfile;
  QAction* addurl;
  QAction* ge1;
  QAction* delcur;
  QAction* delall;
  QMenu* control1;
  std::array<QAction*, 5> control;
  QAction* word;
  std::array<QAction*, 1> help;
  QAction* exit;

  QMenu* menuForm;
  QAction* hide;
  QAction* reLrc;
  QAction* sms;
  QAction* download;
  QAction* bbb;
  QAction* delcur1;
  QAction* delall1;
  QAction* addfile1;
  QAction* addurl1;
  QAction* fenge;
  QAction* word1;
  QAction* update;
  QAction* help1;

  // Both message-board entries show caption.
  void SetBoardCaption(const char* caption);

  // Entry handlers; entries that do the same thing in both menus share one.
  void showmain_Click();
  void hide_Click();
  void addfile_Click();
  void addurl_Click();
  void delcur_Click();
  void delall_Click();
  void control_Click(int Index);
  void word_Click();
  void help_Click(int Index);
  void exit_Click();
  void reLrc_Click();
  void sms_Click();
  void download_Click();
  void update_Click();

  // The ring-tone search address for a song title, the title encoded as one query value.
  static QString RingToneUrl(const QString& title);

 private:
  MenuHost& host_;
  PlaybackController& playback_;
  LyricLookup& lyrics_;
};
