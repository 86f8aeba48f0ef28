#pragma once

#include <QObject>
#include <QString>
#include <array>

class QAction;
class QMenu;

// The form that holds the two popup menus: menulist1 for the tray icon and menuForm for the
// main window's pictures and playlist. It is never shown; it is made the first time it is
// referred to and lives until it is unloaded.
class frmMenu : public QObject {
  Q_OBJECT

 public:
  static frmMenu* Instance();
  // Unloads the form if it was ever made. The form goes once the event that asked for it is
  // over, so a menu entry may unload the form that holds it.
  static void Unload();

  // The captions of the message-board entries.
  static inline const QString kOpenBoard = "打开留言板";
  static inline const QString kCloseBoard = "关闭留言板";

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
  void SetBoardCaption(const QString& caption);

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

  // How long the program lives on after starting the updater.
  static inline int updateExitDelayMs = 2000;

 private:
  frmMenu();
  ~frmMenu() override;
};
