// The updater's skin step lives apart from the player's skin: the update program links this
// and the picture and colour-key pieces, and nothing of the catalog or the menus.
#include "platform/msgbox.h"
#include "skin/colour_key.h"
#include "skin/picture_box.h"
#include "skin/skin.h"
#include "skin/skin_pictures.h"

namespace Skin {

void InitUpdaterSkin(QWidget* frm, PictureBox* imgBack) {
  bool loaded = false;
  const QPixmap back = SkinPictures::Load("update.gif", &loaded);
  if (!loaded || !imgBack || !frm) {
    MsgBox("皮肤初始化错误！", "Error!", vbOKOnly);
    return;
  }
  imgBack->SetPicture(back);
  ColourKey::Apply(frm);
}

}  // namespace Skin
