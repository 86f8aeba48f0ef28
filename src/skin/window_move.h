#pragma once

#include <QPoint>
#include <functional>
#include <utility>

class QWidget;
class QWindow;

namespace WindowMove {

// Lets the system move window with the mouse; once the move is over (the window has stopped
// moving, or the button is let go), ended runs. False when the system cannot move it; the
// caller then moves the window itself while the button is held. startMove stands in for the
// system's move in tests.
bool Start(QWidget* window, std::function<void()> ended, bool (*startMove)(QWindow*) = nullptr);

// Moves a window with the pointer while a button is held, by hand: the fallback where the
// system does not move it. Points are screen pixels of the pointer.
class ManualMove {
 public:
  explicit ManualMove(QWidget* window) : window_(window) {}

  // The window is held where the pointer is.
  void Press(const QPoint& pointer);
  // Moves it with the pointer; false when it is not held.
  bool Follow(const QPoint& pointer);
  // Moves it a last time and lets go; false when it was not held.
  bool Release(const QPoint& pointer);

 private:
  QWidget* window_;
  bool held_ = false;
  QPoint offset_;
};

// Dragging a borderless window by its pictures: the system moves it for the left button
// where it can; any other button, or a system that cannot, moves it by hand. ended runs once
// each move is over.
class Drag {
 public:
  Drag(QWidget* window, std::function<void()> ended, bool (*startMove)(QWindow*) = nullptr)
      : window_(window), ended_(std::move(ended)), startMove_(startMove), manual_(window) {}

  // button: 1 left, 2 right, 4 middle.
  void Press(int button, const QPoint& pointer);
  void Move(const QPoint& pointer) { manual_.Follow(pointer); }
  // True when this ended a move by hand (ended has run).
  bool Release(const QPoint& pointer);

 private:
  QWidget* window_;
  std::function<void()> ended_;
  bool (*startMove_)(QWindow*);
  ManualMove manual_;
};

}  // namespace WindowMove
