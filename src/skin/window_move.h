#pragma once

#include <functional>

class QWidget;
class QWindow;

namespace WindowMove {

// Lets the system move window with the mouse; once the move is over (the window has stopped
// moving, or the button is let go), ended runs. False when the system cannot move it; the
// caller then moves the window itself while the button is held. startMove stands in for the
// system's move in tests.
bool Start(QWidget* window, std::function<void()> ended,
           bool (*startMove)(QWindow*) = nullptr);

}  // namespace WindowMove
