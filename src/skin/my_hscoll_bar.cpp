#include "skin/my_hscoll_bar.h"

#include <QPainter>

MyHScollBar::MyHScollBar(QWidget* parent) : QWidget(parent) {}

void MyHScollBar::SetPosition(long value) {
  position_ = value;
  update();
}

void MyHScollBar::SetLenth(long value) {
  lenth_ = value;
  update();
}

void MyHScollBar::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const int y = height() / 2;
  painter.fillRect(QRect(0, y - 1, width(), 2), QColor(120, 130, 150));
}
