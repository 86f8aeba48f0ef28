#pragma once

#include <cstdint>

class QWidget;
class PictureBox;

// Skin loading and the catalog panel's labels. Every procedure reports its own failure with
// a message and returns normally.
namespace Skin {

// The colour of a marked singer-type or letter label.
inline constexpr uint32_t kMarkedColour = 0x4BA63C;  // RGB(60, 166, 75) as BGR

// Loads the main window's panel pictures, colour-keys frm, lays out the skin buttons and
// closes the playlist panel. The pictures and buttons are always the main window's,
// whichever window is passed.
void InitSkin(QWidget* frm);

// Loads the twelve buttons' normal pictures and puts the buttons in their places.
bool InitButtons();

// Fills the singer-type labels from the catalog's SClass table and the letter labels with
// A to Z.
void LoadSingerTypes();

// mode 0 shows the singer-type and letter labels, mode 1 hides them; other modes do nothing.
void ShowSingerTypes(int16_t mode);

// kind 0: singer-type labels (10 marks none); kind 1: letter labels (26 marks none). Resets
// every label of the kind, then marks label index.
void SetLabelColors(int16_t kind, int16_t index);

// True when a label shows the marked colour.
bool IsMarked(const PictureBox* label);

// The updater's window: its background picture "update.gif" into imgBack, and the colour key.
void InitUpdaterSkin(QWidget* frm, PictureBox* imgBack);
// The message board's window: "board.gif" into imgBack, and the colour key.
void InitBoardSkin(QWidget* frm, PictureBox* imgBack);

}  // namespace Skin
