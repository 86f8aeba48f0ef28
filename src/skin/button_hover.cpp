#include "skin/button_hover.h"

#include <QCursor>
#include <QEvent>
#include <QWidget>
#include <QWindow>

#include "skin/face_controls.h"
#include "skin/skin.h"
#include "skin/skin_button.h"

namespace Skin {

namespace {
constexpr int kNearButtonsMs = 30;
constexpr int kAwayMs = 100;
}  // namespace

ButtonHover::ButtonHover(Face& face, const FaceControls& controls, QObject* parent)
    : QObject(parent), face_(face), window_(controls.window) {
  timer_.setObjectName("timButton");
  timer_.setInterval(kAwayMs);
  connect(&timer_, &QTimer::timeout, this, &ButtonHover::timButton_Timer);
  timer_.start();
  for (int i = 0; i < 6; ++i) {
    Hear(controls.ControlButton[i], i, &ButtonHover::ControlButton_MouseDown,
         &ButtonHover::ControlButton_DblClick, &ButtonHover::ControlButton_MouseUp);
    Hear(controls.imgTopButton[i], i, &ButtonHover::imgTopButton_MouseDown,
         &ButtonHover::imgTopButton_DblClick, &ButtonHover::imgTopButton_MouseUp);
  }
  window_->installEventFilter(this);
}

void ButtonHover::Hear(PictureBox* button, int index, Handler down,
                       void (ButtonHover::*dblClick)(int), Handler up) {
  connect(button, &PictureBox::MouseDown, this,
          [=, this](int pressed, int, int) { (this->*down)(index, pressed); });
  connect(button, &PictureBox::DblClick, this, [=, this] { (this->*dblClick)(index); });
  connect(button, &PictureBox::MouseUp, this,
          [=, this](int released, int, int) { (this->*up)(index, released); });
}

void ButtonHover::Wake() {
  if (!timer_.isActive()) timer_.start();
}

bool ButtonHover::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::Show:
      // Pointer events reach the window's children, and a move over a child without mouse
      // tracking reaches no widget at all; the native window sees every one of them.
      if (watched == window_) {
        QWindow* window = window_->windowHandle();
        if (window && window != watched_) {
          window->installEventFilter(this);
          watched_ = window;
        }
      }
      Wake();
      break;
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Enter:
    case QEvent::Leave:
      Wake();
      break;
    default:
      break;
  }
  return false;
}

void ButtonHover::timButton_Timer() {
  face_.CursorPos = QCursor::pos();
  // Off the window (or over its see-through parts) the buttons are put back to normal once;
  // entering it wakes this again. A pointer that rests where the last tick saw it has its
  // pictures already: this tick is the last until the pointer moves again or a button goes
  // down or up.
  const QPoint cursor = face_.CursorPos;
  const QPoint inWindow = window_->mapFromGlobal(cursor);
  const QRegion mask = window_->mask();
  if (!window_->rect().contains(inWindow) || (!mask.isEmpty() && !mask.contains(inWindow)) ||
      (cursor == lastPos_ && !ButtonPressed))
    timer_.stop();
  lastPos_ = cursor;
  if (face_.CursorInButtonArea(cursor)) {
    if (timer_.interval() != kNearButtonsMs) timer_.setInterval(kNearButtonsMs);
    if (!ButtonPressed) face_.RefreshButtons();
  } else {
    for (int16_t i = 0; i < 6; ++i) face_.SetControlButtonState(0, i);
    for (int16_t i = 0; i < 6; ++i) face_.SetTopButtonState(0, i);
    if (timer_.interval() != kAwayMs) timer_.setInterval(kAwayMs);
  }
}

void ButtonHover::ShowPressed(void (Face::*setState)(int16_t, int16_t), int Index) {
  (face_.*setState)(2, static_cast<int16_t>(Index));
  ButtonPressed = true;
}

void ButtonHover::ControlButton_MouseDown(int Index, int Button) {
  if (Button == 1) ShowPressed(&Face::SetControlButtonState, Index);
}
void ButtonHover::ControlButton_DblClick(int Index) {
  ShowPressed(&Face::SetControlButtonState, Index);
}
void ButtonHover::ControlButton_MouseUp(int, int) { ButtonPressed = false; }

void ButtonHover::imgTopButton_MouseDown(int Index, int Button) {
  if (Button == 1) ShowPressed(&Face::SetTopButtonState, Index);
}
void ButtonHover::imgTopButton_DblClick(int Index) { ShowPressed(&Face::SetTopButtonState, Index); }
void ButtonHover::imgTopButton_MouseUp(int, int) { ButtonPressed = false; }

}  // namespace Skin
