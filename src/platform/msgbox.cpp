#include "platform/msgbox.h"

#include <QApplication>
#include <QMessageBox>
#include <QSet>

#include "platform/app_path.h"

namespace {

MsgBoxHandler& Handler() {
  static MsgBoxHandler handler;
  return handler;
}

QSet<QString>& OpenBoxes() {
  static QSet<QString> open;
  return open;
}

int CautiousAnswer(int buttons) {
  switch (buttons & ~vbCritical) {
    case vbYesNo:
      return vbNo;
    case vbOKCancel:
      return vbCancel;
    default:
      return vbOK;
  }
}

int ShowBox(const QString& text, const QString& caption, int buttons) {
  QMessageBox box(QApplication::activeWindow());
  box.setWindowTitle(caption.isEmpty() ? AppTitle() : caption);
  box.setText(text);
  switch (buttons & ~vbCritical) {
    case vbYesNo:  // a plain box: confirmations carry no icon
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      break;
    case vbOKCancel:
      box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
      break;
    default:
      box.setStandardButtons(QMessageBox::Ok);
      break;
  }
  if (buttons & vbCritical) box.setIcon(QMessageBox::Critical);
  switch (box.exec()) {
    case QMessageBox::Yes:
      return vbYes;
    case QMessageBox::No:
      return vbNo;
    case QMessageBox::Cancel:
      return vbCancel;
    case QMessageBox::Ok:
      return vbOK;
    default:
      return CautiousAnswer(buttons);
  }
}

}  // namespace

int MsgBox(const QString& text, const QString& caption, int buttons) {
  if (Handler()) return Handler()(text, caption, buttons);

  const QString key = QString::number(buttons) + '\x1f' + caption + '\x1f' + text;
  if (OpenBoxes().contains(key)) return CautiousAnswer(buttons);
  OpenBoxes().insert(key);
  const int answer = ShowBox(text, caption, buttons);
  OpenBoxes().remove(key);
  return answer;
}

void SetMsgBoxHandler(MsgBoxHandler handler) { Handler() = std::move(handler); }
