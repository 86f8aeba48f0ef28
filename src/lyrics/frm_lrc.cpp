#include "lyrics/frm_lrc.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

#include "state/shared_state.h"

namespace {

constexpr int kTwipsPerPixel = 15;

template <typename T>
T* Place(T* control, const char* name, int left, int top, int width, int height) {
  control->setObjectName(name);
  control->setGeometry(left / kTwipsPerPixel, top / kTwipsPerPixel, width / kTwipsPerPixel,
                       height / kTwipsPerPixel);
  return control;
}

}  // namespace

frmLrc::frmLrc(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint) {
  setObjectName("frmLrc");
  setWindowTitle(tr("更改歌曲信息"));
  setModal(true);
  setFixedSize(4380 / kTwipsPerPixel, 1110 / kTwipsPerPixel);
  Label1 = Place(new QLabel(tr("歌曲名称："), this), "Label1", 240, 240, 900, 195);
  Text1 = Place(new QLineEdit(this), "Text1", 1320, 240, 2175, 285);
  Label2 = Place(new QLabel(tr("歌手姓名："), this), "Label2", 240, 600, 900, 195);
  Text2 = Place(new QLineEdit(this), "Text2", 1320, 600, 2175, 285);
  Command1 = Place(new QPushButton(tr("确定"), this), "Command1", 3600, 240, 495, 615);
  Command1->setDefault(true);
  connect(Command1, &QPushButton::clicked, this, &frmLrc::Command1_Click);
}

bool frmLrc::ShowModal() { return exec() == QDialog::Accepted; }

void frmLrc::showEvent(QShowEvent* event) {
  Text1->clear();
  Text2->clear();
  if (const SongRecord* song = Playlist.Slot(CurrentIndex)) {
    Text1->setText(song->Title);
    Text2->setText(song->Author);
  }
  Text1->setFocus();
  QDialog::showEvent(event);
}

void frmLrc::Command1_Click() {
  if (SongRecord* song = Playlist.Slot(CurrentIndex)) {
    song->Title = Text1->text();
    song->Author = Text2->text();
  }
  accept();
}

void frmLrc::closeEvent(QCloseEvent* event) {
  QDialog::closeEvent(event);
  if (event->isAccepted()) deleteLater();
}

frmLrc* LrcForm(QWidget* parent) {
  static QPointer<frmLrc> form;
  if (!form) form = new frmLrc(parent);
  return form;
}
