#pragma once

#include <QPixmap>
#include <array>

#include "skin/picture_box.h"

// One of the twelve picture buttons. It knows its picture number and keeps its normal (0),
// hover (1) and pressed (2) pictures ("<number>-1.gif" to "<number>-3.gif" of the skin
// folder), each read the first time it is shown.
class SkinButton : public PictureBox {
  Q_OBJECT

 public:
  explicit SkinButton(int number, QWidget* parent = nullptr);

  int Number() const { return number_; }
  // Shows state 0, 1 or 2. False, with the picture left as it was, when that picture cannot
  // be read.
  bool ShowState(int state);

 private:
  int number_;
  int generation_ = -1;
  std::array<QPixmap, 3> pictures_;
};
