#include "skin/picture_box.h"

#include <QMouseEvent>
#include <QPainter>
#include <QTextLayout>
#include <utility>

PictureBox::PictureBox(QWidget* parent) : QLabel(parent) {}

void PictureBox::SetPicture(const QPixmap& picture) {
  setPixmap(picture);
  resize(picture.size());
}

void PictureBox::SetLinePitch(int pixels) {
  linePitch_ = pixels;
  update();
}

void PictureBox::paintEvent(QPaintEvent* event) {
  if (linePitch_ <= 0 || !pixmap().isNull()) {
    QLabel::paintEvent(event);
    return;
  }
  QStringList lines = text().split('\n');
  if (lines.size() == 1) {
    lines.clear();
    QTextLayout layout(text(), font());
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
      line.setLineWidth(width());
      lines << text().mid(line.textStart(), line.textLength());
    }
    layout.endLayout();
  }
  QPainter painter(this);
  painter.setPen(palette().color(foregroundRole()));
  const QFontMetrics metrics(font());
  for (int i = 0; i < lines.size() && (i + 1) * linePitch_ <= height(); ++i)
    painter.drawText(QRect(0, i * linePitch_, width(), linePitch_),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     metrics.elidedText(lines[i], Qt::ElideRight, width()));
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
