#pragma once

#include <QWidget>
#include <array>
#include <memory>

#include "skin/skin.h"

class MediaPlayer;
class PictureBox;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class SkinButton;

// The main window's controls without the main window: the widgets the modules work on, at
// the places the window gives them, and the skin working on them. A playlist row that becomes
// current sets CurrentIndex, as the window's own handler does. Tests of the modules use it so
// that they link only what they test.
class BareControls : public QWidget {
 public:
  // Takes over player (may be null).
  explicit BareControls(MediaPlayer* player = nullptr);
  ~BareControls() override;

  PictureBox* Main;
  PictureBox* List;
  PictureBox* imgSearch;
  PictureBox* Image1;
  std::array<SkinButton*, 6> ControlButton;
  std::array<SkinButton*, 6> imgTopButton;
  std::array<PictureBox*, 10> lbSingerType;
  std::array<PictureBox*, 26> lbLetter;
  QListWidget* List1;
  QListWidget* lstSinger;
  QListWidget* lstSpecial;
  QListWidget* lstSong;
  QListWidget* lstSearch;
  QLineEdit* Text1;
  QPushButton* Go;
  std::array<QPushButton*, 2> cmdAdd;
  QPlainTextEdit* Text2;
  MediaPlayer* WMP;
  std::unique_ptr<Skin::Face> face;
};
