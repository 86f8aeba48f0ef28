#pragma once

#include <QDialog>

class QCloseEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QShowEvent;

// "更改歌曲信息": corrects the title and singer of the current playlist entry before its
// lyric is searched again. Each showing reads the entry afresh; the OK button writes both
// fields back and hides the dialog; the close box writes nothing and destroys it.
class frmLrc : public QDialog {
  Q_OBJECT

 public:
  explicit frmLrc(QWidget* parent = nullptr);

  // Shows the dialog modally; true when it was confirmed with Command1.
  bool ShowModal();

  QLabel* Label1;
  QLineEdit* Text1;  // title
  QLabel* Label2;
  QLineEdit* Text2;  // singer
  QPushButton* Command1;

  void Command1_Click();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
};

// The dialog, made the first time it is asked for and again after its close box destroyed
// it, belonging to parent.
frmLrc* LrcForm(QWidget* parent);
