#pragma once

#include <cstdint>

class QWidget;
class QWindow;

// The sliding playlist panel, the catalog panel, moving the borderless window, and leaving
// the program.
namespace Skin {

// Slides the playlist panel out in 17 steps of 8 pixels, each step drawn; the list box
// appears after the last step.
void OpenPlaylistPanel();
// Hides the list box, then slides the panel back in.
void ClosePlaylistPanel();
void TogglePlaylistPanel();
void ToggleCatalogPanel();
// mode 0 shows, 1 hides the catalog panel's lists and inputs (when the panel is shown), and
// the main window takes its fixed size again.
void ShowCatalogControls(int16_t mode);

// Lets the system move window with the mouse; once the move is over (the window has stopped
// moving, or the button is let go), the catalog controls are hidden and shown again at their
// new place. False when the system cannot move it; the caller then moves the window itself
// while the button is held. startMove stands in for the system's move in tests.
bool StartWindowDrag(QWidget* window, bool (*startMove)(QWindow*) = nullptr);

// Stores the playlist, closes the main window, unloads the side windows and ends the program.
void ExitProgram();

// How ExitProgram unloads the windows that live beside the main window (the menus and the
// message board); the main window installs it.
void SetSideWindowsUnload(void (*unload)());

}  // namespace Skin
