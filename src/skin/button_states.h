#pragma once

#include <QPoint>
#include <cstdint>

// The pictures of the twelve skin buttons: normal (0), hover (1) and pressed (2), and the
// hover tracking that polls the cursor.
namespace Skin {

// The cursor position of the last check, in screen pixels.
extern QPoint CursorPos;

// Shows state (0, 1 or 2) on control button index (0..5); other states do nothing.
void SetControlButtonState(int16_t state, int16_t index);
// Shows state (0, 1 or 2) on top button index (0..5); other states do nothing.
void SetTopButtonState(int16_t state, int16_t index);

// Hover or normal picture on every button, from where the cursor is now.
void RefreshButtons();

// True when the cursor is on the control strip or the top strip of the main window.
bool CursorInButtonArea(const QPoint& cursor);

// The button of a row under a point (window pixels for the row's band), or -1.
int ControlButtonAt(const QPoint& cursorInWindow);
int TopButtonAt(const QPoint& cursorInWindow);

}  // namespace Skin
