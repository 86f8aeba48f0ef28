#include "menus/frm_menu.h"

#include <QMenu>
#include <QPointer>

namespace {
QPointer<frmMenu>& TheForm() {
  static QPointer<frmMenu> form;
  return form;
}
}  // namespace

frmMenu::frmMenu()
    : QWidget(nullptr),
      menulist1(new QMenu("Popup Menu", this)),
      menuForm(new QMenu("Popup Menu", this)) {
  setObjectName("frmMenu");
  menulist1->setObjectName("menulist1");
  menuForm->setObjectName("menuForm");
}

frmMenu* frmMenu::Instance() {
  if (!TheForm()) TheForm() = new frmMenu;
  return TheForm();
}

void frmMenu::Unload() {
  if (TheForm()) delete TheForm();
}
