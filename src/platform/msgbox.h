#pragma once

#include <QString>
#include <functional>

// Buttons and answers of a message box, with the values callers compare against.
// vbCritical is added to the buttons for a box with the stop icon.
enum MsgBoxButtons { vbOKOnly = 0, vbOKCancel = 1, vbYesNo = 4, vbCritical = 16 };
enum MsgBoxResult { vbOK = 1, vbCancel = 2, vbYes = 6, vbNo = 7 };

// Shows a modal message box and returns the answer. An empty caption shows the program's
// title. While a box with the same text, caption and buttons is still open, a second one is
// not opened: the call returns at once with the cautious answer (OK, Cancel or No), so a
// failure repeated by a timer never piles up windows.
int MsgBox(const QString& text, const QString& caption = QString(), int buttons = vbOKOnly);

// Replaces the real boxes, for tests: the handler sees every call and gives its answer.
// An empty handler brings back the real boxes.
using MsgBoxHandler = std::function<int(const QString& text, const QString& caption, int buttons)>;
void SetMsgBoxHandler(MsgBoxHandler handler);
