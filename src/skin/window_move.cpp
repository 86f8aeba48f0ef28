#include "skin/window_move.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <utility>

namespace {

// A window that has not moved for this long is no longer being moved.
constexpr int kMoveQuietMs = 300;

// Waits for the end of a move by the system, runs what follows it once, and goes.
class MoveEndWatcher : public QObject {
 public:
  MoveEndWatcher(QWidget* window, std::function<void()> ended)
      : QObject(window), ended_(std::move(ended)) {
    window->installEventFilter(this);
    quiet_.setSingleShot(true);
    quiet_.setInterval(kMoveQuietMs);
    connect(&quiet_, &QTimer::timeout, this, &MoveEndWatcher::Finish);
    quiet_.start();
  }

 private:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Move) quiet_.start();
    if (event->type() == QEvent::MouseButtonRelease)
      QTimer::singleShot(0, this, &MoveEndWatcher::Finish);
    return false;
  }
  void Finish() {
    if (finished_) return;
    finished_ = true;
    if (ended_) ended_();
    deleteLater();
  }

  std::function<void()> ended_;
  QTimer quiet_;
  bool finished_ = false;
};

}  // namespace

namespace WindowMove {

bool Start(QWidget* window, std::function<void()> ended, bool (*startMove)(QWindow*)) {
  QWindow* handle = window ? window->windowHandle() : nullptr;
  if (!handle) return false;
  const bool moving = startMove ? startMove(handle) : handle->startSystemMove();
  // The system's move runs on without us: its end is seen by the window going quiet.
  if (moving) new MoveEndWatcher(window, std::move(ended));
  return moving;
}

}  // namespace WindowMove

namespace WindowMove {

void ManualMove::Press(const QPoint& pointer) {
  held_ = true;
  offset_ = pointer - window_->pos();
}

bool ManualMove::Follow(const QPoint& pointer) {
  if (held_) window_->move(pointer - offset_);
  return held_;
}

bool ManualMove::Release(const QPoint& pointer) {
  if (!Follow(pointer)) return false;
  held_ = false;
  return true;
}

void Drag::Press(int button, const QPoint& pointer) {
  // The right button keeps its release for a menu, so it moves the window by hand.
  if (button == 1 && Start(window_, ended_, startMove_)) return;
  manual_.Press(pointer);
}

bool Drag::Release(const QPoint& pointer) {
  if (!manual_.Release(pointer)) return false;
  if (ended_) ended_();
  return true;
}

}  // namespace WindowMove
