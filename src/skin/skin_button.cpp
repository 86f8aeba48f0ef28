#include "skin/skin_button.h"

#include "skin/skin_pictures.h"

SkinButton::SkinButton(int number, QWidget* parent) : PictureBox(parent), number_(number) {
  SetPressable(true);
}

bool SkinButton::ShowState(int state) {
  if (state < 0 || state > 2) return false;
  if (generation_ != SkinPictures::Generation()) {
    generation_ = SkinPictures::Generation();
    pictures_.fill(QPixmap());
  }
  QPixmap& picture = pictures_[static_cast<size_t>(state)];
  if (picture.isNull()) {
    bool ok = false;
    picture = SkinPictures::Load(QString("%1-%2.gif").arg(number_).arg(state + 1), &ok);
    if (!ok) return false;
  }
  if (pixmap().cacheKey() != picture.cacheKey()) SetPicture(picture);
  return true;
}
