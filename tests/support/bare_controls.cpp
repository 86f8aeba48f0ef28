#include "support/bare_controls.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

#include "playback/media_player.h"
#include "skin/geometry.h"
#include "skin/picture_box.h"
#include "skin/skin_button.h"
#include "state/shared_state.h"

using namespace SkinGeometry;

namespace {
template <typename T>
T* Placed(T* control, int left, int top, int width, int height) {
  control->setGeometry(left, top, width, height);
  return control;
}
}  // namespace

BareControls::BareControls(MediaPlayer* player) : WMP(player) {
  resize(kWindowWidth, kWindowHeight);
  List = Placed(new PictureBox(this), 0, kPanelOpenTop, kFaceWidth, kPanelHeight);
  Main = Placed(new PictureBox(this), 0, 0, kFaceWidth, kFaceHeight);
  imgSearch = Placed(new PictureBox(this), kFaceWidth, 0, 673, 321);
  Image1 = Placed(new PictureBox(this), 899, 8, 9, 17);
  for (int i = 0; i < 6; ++i) {
    ControlButton[i] = Placed(new SkinButton(i + 1, this), kControlLeft[i],
                              kPanelOpenTop + kControlsBelowPanelTop, kControlSize, kControlSize);
    imgTopButton[i] = Placed(new SkinButton(i + 7, this), kTopLeft[i], kTopButtonTop, kTopWidth[i],
                             kTopButtonHeight);
  }
  // The design captions, until the catalog gives the real ones.
  for (auto& label : lbSingerType) label = new PictureBox(this), label->setText("华语男歌手");
  for (auto& label : lbLetter) label = new PictureBox(this), label->setText("A");
  List1 = Placed(new QListWidget(this), 8, 328, 225, 119);
  lstSinger = new QListWidget(this);
  lstSpecial = new QListWidget(this);
  lstSong = new QListWidget(this);
  lstSearch = new QListWidget(this);
  Text1 = new QLineEdit(this);
  Go = new QPushButton(this);
  cmdAdd = {new QPushButton(this), new QPushButton(this)};
  Text2 = Placed(new QPlainTextEdit(this), 32, 128, 177, 121);
  if (WMP) WMP->setParent(this);
  // As the window starts: the catalog panel and the playlist box hidden.
  for (QWidget* w :
       std::initializer_list<QWidget*>{imgSearch, Image1, List1, lstSinger, lstSpecial, lstSong,
                                       lstSearch, Text1, Go, cmdAdd[0], cmdAdd[1]})
    w->hide();
  for (PictureBox* label : lbSingerType) label->hide();
  for (PictureBox* label : lbLetter) label->hide();
  connect(List1, &QListWidget::currentRowChanged, this, [](int row) {
    if (row >= 0) CurrentIndex = static_cast<int16_t>(row);
  });
  face = std::make_unique<Skin::Face>(Skin::FaceParts{
      this, Main, List, imgSearch, Image1, ControlButton, imgTopButton, lbSingerType, lbLetter,
      List1, lstSinger, lstSpecial, lstSong, lstSearch, Text1, Go, cmdAdd});
}

BareControls::~BareControls() = default;
