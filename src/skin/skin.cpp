#include "skin/skin.h"

#include <QApplication>
#include <QListWidget>
#include <QPalette>
#include <exception>
#include <stdexcept>

#include "state/main_controls.h"
#include "catalog/data.h"
#include "platform/msgbox.h"
#include "skin/colour_key.h"
#include "skin/picture_box.h"
#include "skin/skin_pictures.h"

namespace Skin {

namespace {

constexpr int kControlLeft[6] = {52, 75, 98, 121, 145, 168};
constexpr int kTopLeft[6] = {13, 150, 170, 191, 206, 223};
constexpr int kTopWidth[6] = {9, 15, 17, 9, 10, 9};
constexpr int kPanelClosedTop = 186;

const QColor kMarked(60, 166, 75);

class SkinError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

QPixmap Required(const QString& name) {
  bool ok = false;
  QPixmap picture = SkinPictures::Load(name, &ok);
  if (!ok) throw SkinError(("missing skin picture " + name).toStdString());
  return picture;
}

PictureBox* Checked(PictureBox* control) {
  if (!control) throw SkinError("the main window is not there");
  return control;
}

void SetForeground(PictureBox* label, const QColor& colour) {
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, colour);
  label->setPalette(palette);
}

template <size_t N>
void MarkOne(const std::array<PictureBox*, N>& labels, int16_t index, int16_t none) {
  const QColor normal = QApplication::palette().color(QPalette::ButtonText);
  for (PictureBox* label : labels) SetForeground(Checked(label), normal);
  if (index == none) return;
  if (index < 0 || index >= static_cast<int>(N)) throw SkinError("no such label");
  SetForeground(labels[static_cast<size_t>(index)], kMarked);
}

}  // namespace

void InitSkin(QWidget* frm) {
  MainControls& form = MainForm();
  try {
    Checked(form.Main)->SetPicture(Required("Main.gif"));
    Checked(form.List)->SetPicture(Required("List.gif"));
    Checked(form.imgSearch)->SetPicture(Required("Search.gif"));
    if (!frm) throw SkinError("no window");
    ColourKey::Apply(frm);
    InitButtons();
    form.List->move(form.List->x(), kPanelClosedTop);
    for (PictureBox* button : form.ControlButton)
      Checked(button)->move(button->x(), form.List->y() + 149);
    if (!form.List1) throw SkinError("no playlist box");
    form.List1->hide();
    if (form.window) ColourKey::UpdateShape(form.window);
  } catch (const std::exception&) {
    MsgBox("皮肤初始化错误！", "Error!", vbOKOnly);
  }
}

bool InitButtons() {
  MainControls& form = MainForm();
  try {
    for (int i = 0; i < 6; ++i) {
      PictureBox* button = Checked(form.ControlButton[i]);
      button->SetPicture(Required(QString("%1-1.gif").arg(i + 1)));
      button->move(kControlLeft[i], Checked(form.List)->y() + 149);
    }
    for (int i = 0; i < 6; ++i) {
      PictureBox* button = Checked(form.imgTopButton[i]);
      button->SetPicture(Required(QString("%1-1.gif").arg(i + 7)));
      button->setGeometry(kTopLeft[i], 7, kTopWidth[i], 17);
    }
    return true;
  } catch (const std::exception&) {
    MsgBox("设置控制按钮失败!", "Error!", vbOKOnly);
    return false;
  }
}

void LoadSingerTypes() {
  MainControls& form = MainForm();
  try {
    std::unique_ptr<Recordset> rows = Data::OpenQuery("select * from SClass");
    if (!rows) throw SkinError("no singer types");
    for (size_t n = 0; !rows->Eof(); ++n) {
      if (n >= form.lbSingerType.size()) throw SkinError("more singer types than labels");
      PictureBox* label = Checked(form.lbSingerType[n]);
      label->setText(rows->Fields(1).toString());
      label->setProperty("Tag", rows->Fields(0).toString());
      rows->MoveNext();
    }
    rows->Close();
    for (int i = 0; i < 26; ++i) Checked(form.lbLetter[i])->setText(QString(QChar('A' + i)));
  } catch (const std::exception&) {
    MsgBox("获得歌手类型名错误！", "Error!", vbOKOnly);
  }
}

void ShowSingerTypes(int16_t mode) {
  if (mode != 0 && mode != 1) return;
  MainControls& form = MainForm();
  try {
    for (PictureBox* label : form.lbSingerType) Checked(label)->setVisible(mode == 0);
    for (PictureBox* label : form.lbLetter) Checked(label)->setVisible(mode == 0);
  } catch (const std::exception&) {
    MsgBox("显示或隐藏歌手类型时错误！", "Error!", vbOKOnly);
  }
}

void SetLabelColors(int16_t kind, int16_t index) {
  try {
    if (kind == 0)
      MarkOne(MainForm().lbSingerType, index, 10);
    else if (kind == 1)
      MarkOne(MainForm().lbLetter, index, 26);
  } catch (const std::exception&) {
    MsgBox("设置颜色错误", "Error!", vbOKOnly);
  }
}

bool IsMarked(const PictureBox* label) {
  return label && label->palette().color(QPalette::WindowText) == kMarked;
}

}  // namespace Skin
