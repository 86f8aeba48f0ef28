#include "skin/skin.h"

#include <QApplication>
#include <QCoreApplication>
#include <QListWidget>
#include <QPalette>

#include "catalog/data.h"
#include "platform/msgbox.h"
#include "skin/colour_key.h"
#include "skin/geometry.h"
#include "skin/picture_box.h"
#include "skin/skin_button.h"
#include "skin/skin_pictures.h"

namespace Skin {

namespace {

using namespace SkinGeometry;

const QColor kMarked(60, 166, 75);

bool ShowPicture(PictureBox* control, const QString& name) {
  bool ok = false;
  const QPixmap picture = SkinPictures::Load(name, &ok);
  if (!control || !ok) return false;
  control->SetPicture(picture);
  return true;
}

template <typename T>
bool AllThere(const T& controls) {
  for (const auto* control : controls)
    if (!control) return false;
  return true;
}

void SetForeground(PictureBox* label, const QColor& colour) {
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, colour);
  label->setPalette(palette);
}

template <size_t N>
bool MarkOne(const std::array<PictureBox*, N>& labels, int16_t index, int16_t none) {
  if (!AllThere(labels)) return false;
  const QColor normal = QApplication::palette().color(QPalette::ButtonText);
  for (PictureBox* label : labels) SetForeground(label, normal);
  if (index == none) return true;
  if (index < 0 || index >= static_cast<int>(N)) return false;
  SetForeground(labels[static_cast<size_t>(index)], kMarked);
  return true;
}

}  // namespace

void Face::InitSkin() {
  const FaceControls& form = parts_;
  bool ok = ShowPicture(form.Main, "Main.gif") && ShowPicture(form.List, "List.gif") &&
            ShowPicture(form.imgSearch, "Search.gif") && form.window;
  if (ok) {
    ColourKey::Apply(form.window);
    InitButtons();
    form.List->move(form.List->x(), kPanelClosedTop);
    ok = AllThere(form.ControlButton) && form.List1;
  }
  if (!ok) {
    MsgBox(QCoreApplication::translate("Skin", "皮肤初始化错误！"), "Error!", vbOKOnly);
    return;
  }
  for (SkinButton* button : form.ControlButton)
    button->move(button->x(), form.List->y() + kControlsBelowPanelTop);
  form.List1->hide();
  ColourKey::UpdateShape(form.window);
}

bool Face::InitButtons() {
  const FaceControls& form = parts_;
  bool ok = form.List && AllThere(form.ControlButton) && AllThere(form.imgTopButton);
  for (int i = 0; ok && i < 6; ++i) {
    SkinButton* button = form.ControlButton[i];
    ok = button->ShowState(0);
    if (ok) button->move(kControlLeft[i], form.List->y() + kControlsBelowPanelTop);
  }
  for (int i = 0; ok && i < 6; ++i) {
    SkinButton* button = form.imgTopButton[i];
    ok = button->ShowState(0);
    if (ok) button->setGeometry(kTopLeft[i], kTopButtonTop, kTopWidth[i], kTopButtonHeight);
  }
  if (!ok) MsgBox(QCoreApplication::translate("Skin", "设置控制按钮失败!"), "Error!", vbOKOnly);
  return ok;
}

void Face::LoadSingerTypes() {
  const FaceControls& form = parts_;
  bool ok = AllThere(form.lbSingerType) && AllThere(form.lbLetter);
  std::unique_ptr<Recordset> rows = ok ? Data::OpenQuery("select * from SClass") : nullptr;
  ok = ok && rows;
  for (size_t n = 0; ok && !rows->Eof(); ++n) {
    ok = n < form.lbSingerType.size();  // more singer types than labels
    if (!ok) break;
    PictureBox* label = form.lbSingerType[n];
    label->setText(rows->Fields(1).toString());
    label->setProperty("Tag", rows->Fields(0).toString());
    rows->MoveNext();
  }
  if (ok) {
    rows->Close();
    for (int i = 0; i < 26; ++i) form.lbLetter[i]->setText(QString(QChar('A' + i)));
  } else {
    MsgBox(QCoreApplication::translate("Skin", "获得歌手类型名错误！"), "Error!", vbOKOnly);
  }
}

void Face::ShowSingerTypes(int16_t mode) {
  if (mode != 0 && mode != 1) return;
  const FaceControls& form = parts_;
  if (!AllThere(form.lbSingerType) || !AllThere(form.lbLetter)) {
    MsgBox(QCoreApplication::translate("Skin", "显示或隐藏歌手类型时错误！"), "Error!", vbOKOnly);
    return;
  }
  for (PictureBox* label : form.lbSingerType) label->setVisible(mode == 0);
  for (PictureBox* label : form.lbLetter) label->setVisible(mode == 0);
}

void Face::SetLabelColors(int16_t kind, int16_t index) {
  bool ok = true;
  if (kind == 0)
    ok = MarkOne(parts_.lbSingerType, index, 10);
  else if (kind == 1)
    ok = MarkOne(parts_.lbLetter, index, 26);
  if (!ok) MsgBox(QCoreApplication::translate("Skin", "设置颜色错误"), "Error!", vbOKOnly);
}

bool IsMarked(const PictureBox* label) {
  return label && label->palette().color(QPalette::WindowText) == kMarked;
}

namespace {
template <size_t N>
PictureBox* At(const std::array<PictureBox*, N>& labels, int16_t index) {
  return index >= 0 && index < static_cast<int>(N) ? labels[static_cast<size_t>(index)] : nullptr;
}
}  // namespace

bool Face::IsMarked(int16_t kind, int16_t index) const {
  return Skin::IsMarked(kind == 0 ? At(parts_.lbSingerType, index) : At(parts_.lbLetter, index));
}

QString Face::LetterCaption(int16_t index) const {
  const PictureBox* label = At(parts_.lbLetter, index);
  return label ? label->text() : QString();
}

QString Face::SingerTypeTag(int16_t index) const {
  const PictureBox* label = At(parts_.lbSingerType, index);
  return label ? label->property("Tag").toString() : QString();
}

}  // namespace Skin
