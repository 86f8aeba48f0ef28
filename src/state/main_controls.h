#pragma once

#include <array>

class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QSystemTrayIcon;
class QTimer;
class QWidget;
class Inet;
class MediaPlayer;
class PictureBox;
class SkinButton;

// The main window's controls that the modules work on, as the modules refer to them. The
// main window fills this in when it is made and clears it when it goes; a test fills in only
// the controls the code under test touches.
struct MainControls {
  QWidget* window = nullptr;
  QListWidget* List1 = nullptr;
  QListWidget* lstSong = nullptr;
  QListWidget* lstSinger = nullptr;
  QListWidget* lstSearch = nullptr;
  QTimer* Timer1 = nullptr;
  Inet* inetLrc = nullptr;
  MediaPlayer* WMP = nullptr;
  // The skin's pictures and labels.
  PictureBox* Main = nullptr;
  PictureBox* List = nullptr;
  PictureBox* imgSearch = nullptr;
  std::array<SkinButton*, 6> ControlButton{};
  std::array<SkinButton*, 6> imgTopButton{};
  std::array<PictureBox*, 10> lbSingerType{};
  std::array<PictureBox*, 26> lbLetter{};
  // The catalog panel's controls and its close mark.
  QListWidget* lstSpecial = nullptr;
  QLineEdit* Text1 = nullptr;
  QPushButton* Go = nullptr;
  std::array<QPushButton*, 2> cmdAdd{};
  PictureBox* Image1 = nullptr;
  // The lyric box.
  QPlainTextEdit* Text2 = nullptr;
  // Switched on by every transport command until the entry's length is known.
  QTimer* timList = nullptr;
  // The tray icon, while one is registered.
  QSystemTrayIcon* trayIcon = nullptr;
};

MainControls& MainForm();
