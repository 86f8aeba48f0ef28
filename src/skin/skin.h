#pragma once

#include <QPoint>
#include <QString>
#include <cstdint>
#include <functional>

#include "catalog/catalog_browser.h"
#include "skin/face_controls.h"

class QWidget;
class PictureBox;

// Skin loading, the twelve skin buttons' pictures and hover tracking, the sliding playlist
// panel, the catalog panel and its labels, moving the borderless window, and leaving the
// program. Every procedure reports its own failure with a message and returns normally.
namespace Skin {

// The colour of a marked singer-type or letter label.
inline constexpr uint32_t kMarkedColour = 0x4BA63C;  // RGB(60, 166, 75) as BGR

// True when a label shows the marked colour.
bool IsMarked(const PictureBox* label);

// The updater's window: its background picture "update.gif" into imgBack, and the colour key.
void InitUpdaterSkin(QWidget* frm, PictureBox* imgBack);
// The message board's window: "board.gif" into imgBack, and the colour key.
void InitBoardSkin(QWidget* frm, PictureBox* imgBack);

// The skin of the main window, working on its controls. It marks the catalog's labels for
// the catalog browser.
class Face : public CatalogLabels {
 public:
  explicit Face(const FaceControls& parts) : parts_(parts) {}

  // Loading (skin.cpp).

  // Loads the panel pictures, colour-keys the window, lays out the skin buttons and closes
  // the playlist panel.
  void InitSkin();
  // Loads the twelve buttons' normal pictures and puts the buttons in their places.
  bool InitButtons();
  // Fills the singer-type labels from the catalog's SClass table and the letter labels with
  // A to Z.
  void LoadSingerTypes();
  // mode 0 shows the singer-type and letter labels, mode 1 hides them; other modes do nothing.
  void ShowSingerTypes(int16_t mode);
  // kind 0: singer-type labels (10 marks none); kind 1: letter labels (26 marks none). Resets
  // every label of the kind, then marks label index.
  void SetLabelColors(int16_t kind, int16_t index) override;
  bool IsMarked(int16_t kind, int16_t index) const override;
  QString LetterCaption(int16_t index) const override;
  QString SingerTypeTag(int16_t index) const override;

  // Button pictures and hover (button_states.cpp).

  // Shows state (0, 1 or 2) on control button index (0..5); other states do nothing.
  void SetControlButtonState(int16_t state, int16_t index);
  // Shows state (0, 1 or 2) on top button index (0..5); other states do nothing.
  void SetTopButtonState(int16_t state, int16_t index);
  // Hover or normal picture on every button, from where the cursor is now.
  void RefreshButtons();
  // True when the cursor (screen pixels) is on the control strip or the top strip.
  bool CursorInButtonArea(const QPoint& cursor) const;
  // The button of a row under a point (window pixels for the row's band), or -1.
  int ControlButtonAt(const QPoint& cursorInWindow) const;
  int TopButtonAt(const QPoint& cursorInWindow) const;
  // The cursor position of the last check, in screen pixels.
  QPoint CursorPos;

  // Panels, moving and leaving (panels.cpp).

  // Slides the playlist panel out in 17 steps of 8 pixels, each step drawn; the list box
  // appears after the last step.
  void OpenPlaylistPanel();
  // Hides the list box, then slides the panel back in.
  void ClosePlaylistPanel();
  void TogglePlaylistPanel();
  // Shows or hides the catalog panel with its labels, lists, inputs and close mark.
  void ToggleCatalogPanel();
  // The same without the close mark: the menus' way of showing the panel.
  void ToggleCatalogPanelKeepingItsMark();
  // mode 0 shows, 1 hides the catalog panel's lists and inputs (when the panel is shown), and
  // the main window takes its fixed size again.
  void ShowCatalogControls(int16_t mode);
  // After the window has moved: the catalog controls are hidden and shown again, which
  // draws them at the new place, and the window takes its fixed size.
  void AfterWindowMove();
  // Stores the playlist, closes the main window, unloads the side windows and ends the
  // program.
  void ExitProgram();
  // How ExitProgram unloads the windows that live beside the main window (the menus and the
  // message board).
  void SetSideWindowsUnload(std::function<void()> unload) { unloadSideWindows_ = unload; }

 private:
  void SlideTo(int top);
  void ToggleCatalog(bool withMark);

  FaceControls parts_;
  std::function<void()> unloadSideWindows_;
};

}  // namespace Skin
