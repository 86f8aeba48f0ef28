#pragma once

#include <QRect>
#include <QString>
#include <array>
#include <vector>

class MyHScollBar;
class PictureBox;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QWidget;
class SkinButton;

namespace Skin {

// What a control of the face is made as.
enum class ControlKind {
  kPicture,        // a picture (PictureBox)
  kText,           // a text drawn on the skin (PictureBox)
  kLabel,          // a singer-type or letter label that acts on a click (PictureBox)
  kControlButton,  // a skin button of the playlist panel's row (SkinButton 1..6)
  kTopButton,      // a skin button of the face's top row (SkinButton 7..12)
  kBar,            // MyHScollBar
  kList,           // QListWidget
  kSearchBox,      // QLineEdit
  kPushButton,     // QPushButton
  kLyricBox,       // QPlainTextEdit
};

// One control of the face: its name and index (-1 for a control of its own; an indexed
// control's object name is "name(index)"), how it is made, where it sits in the window's
// pixels as laid out at design time, its caption (what it shows; the tooltip of a skin button
// or a bar), and the name assistive technology knows it by where that is not its caption.
struct ControlRow {
  const char* name;
  int index;
  ControlKind kind;
  QRect rect;
  const char* caption;
  const char* accessibleName = nullptr;

  QString ObjectName() const;
};

// Every control of the face, in stacking order from the bottom up.
const std::vector<ControlRow>& FaceLayout();

// The face's controls, by the names the handlers know them by.
struct FaceControls {
  QWidget* window = nullptr;
  PictureBox* Main = nullptr;       // the player face
  PictureBox* List = nullptr;       // the playlist panel under it
  PictureBox* imgSearch = nullptr;  // the catalog panel
  PictureBox* Image1 = nullptr;     // the catalog panel's close mark
  PictureBox* Picture1 = nullptr;   // the tray icon's picture, never shown
  std::array<SkinButton*, 6> ControlButton{};
  std::array<SkinButton*, 6> imgTopButton{};
  PictureBox* Label1 = nullptr;   // the now-playing text
  PictureBox* lbCount = nullptr;  // the online count
  PictureBox* Label2 = nullptr;   // "VOL"
  PictureBox* Label3 = nullptr;   // "POS"
  MyHScollBar* PosScroll = nullptr;
  MyHScollBar* VolScroll = nullptr;
  QPlainTextEdit* Text2 = nullptr;  // the lyric box
  QListWidget* List1 = nullptr;     // the playlist box, shown while the panel is out
  std::array<PictureBox*, 10> lbSingerType{};
  std::array<PictureBox*, 26> lbLetter{};
  // The catalog panel's lists and inputs.
  QListWidget* lstSinger = nullptr;
  QListWidget* lstSpecial = nullptr;
  QListWidget* lstSong = nullptr;
  QListWidget* lstSearch = nullptr;
  QLineEdit* Text1 = nullptr;
  QPushButton* Go = nullptr;
  std::array<QPushButton*, 2> cmdAdd{};
};

// Makes every control of the layout on window, named, placed, captioned and drawn as the
// window starts: the catalog panel and the playlist box hidden.
FaceControls MakeFaceControls(QWidget* window);
// The controls of the layout that window holds, found by their names; nullptr for each one
// it lacks.
FaceControls FindFaceControls(QWidget* window);

// A bar's caption lights up while the bar has the keyboard's focus (now).
void MarkFocusedBar(const FaceControls& face, const QWidget* now);

}  // namespace Skin
