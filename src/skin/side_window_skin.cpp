// The skin step of the windows that run as programs of their own: each takes its background
// picture and the colour key, and nothing of the catalog or the menus.
#include <QCoreApplication>

#include "platform/msgbox.h"
#include "skin/colour_key.h"
#include "skin/picture_box.h"
#include "skin/skin.h"
#include "skin/skin_pictures.h"

namespace Skin {

namespace {
void InitSideWindowSkin(QWidget* frm, PictureBox* imgBack, const QString& picture) {
  bool loaded = false;
  const QPixmap back = SkinPictures::Load(picture, &loaded);
  if (!loaded || !imgBack || !frm) {
    MsgBox(QCoreApplication::translate("Skin", "皮肤初始化错误！"), "Error!", vbOKOnly);
    return;
  }
  imgBack->SetPicture(back);
  ColourKey::Apply(frm);
}
}  // namespace

void InitUpdaterSkin(QWidget* frm, PictureBox* imgBack) {
  InitSideWindowSkin(frm, imgBack, "update.gif");
}

void InitBoardSkin(QWidget* frm, PictureBox* imgBack) {
  InitSideWindowSkin(frm, imgBack, "board.gif");
}

}  // namespace Skin
