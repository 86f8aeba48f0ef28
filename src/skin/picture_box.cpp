#include "skin/picture_box.h"

#include <QMouseEvent>
#include <utility>

PictureBox::PictureBox(QWidget* parent) : QLabel(parent) {}

void PictureBox::SetPicture(const QPixmap& picture) {
  setPixmap(picture);
  resize(picture.size());
}

int PictureBox::ButtonCode(Qt::MouseButton button) {
  switch (button) {
    case Qt::LeftButton:
      return 1;
    case Qt::RightButton:
      return 2;
    case Qt::MiddleButton:
      return 4;
    default:
      return 0;
  }
}

void PictureBox::mousePressEvent(QMouseEvent* event) {
  lastGlobalPos_ = event->globalPosition().toPoint();
  const QPoint p = event->position().toPoint();
  emit MouseDown(ButtonCode(event->button()), p.x(), p.y());
}

void PictureBox::mouseReleaseEvent(QMouseEvent* event) {
  lastGlobalPos_ = event->globalPosition().toPoint();
  const QPoint p = event->position().toPoint();
  emit MouseUp(ButtonCode(event->button()), p.x(), p.y());
  // The release that ends a double-click was answered by DblClick already.
  const bool endsDoubleClick = std::exchange(doubleClicked_, false);
  if (event->button() == Qt::LeftButton && rect().contains(p) && !endsDoubleClick) emit Click();
}

void PictureBox::mouseDoubleClickEvent(QMouseEvent* event) {
  lastGlobalPos_ = event->globalPosition().toPoint();
  if (event->button() != Qt::LeftButton) return;
  doubleClicked_ = true;
  emit DblClick();
}

void PictureBox::mouseMoveEvent(QMouseEvent* event) {
  lastGlobalPos_ = event->globalPosition().toPoint();
  const QPoint p = event->position().toPoint();
  int buttons = 0;
  if (event->buttons() & Qt::LeftButton) buttons |= 1;
  if (event->buttons() & Qt::RightButton) buttons |= 2;
  if (event->buttons() & Qt::MiddleButton) buttons |= 4;
  emit MouseMove(buttons, p.x(), p.y());
}
