#include "menus/tray.h"

#include <QCursor>
#include <QIcon>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QWidget>
#include <utility>

#include "menus/frm_menu.h"
#include "playback/playback_controller.h"
#include "state/shared_state.h"

TrayIconRecord TrayIcon;

Tray::Tray(MenuHost& host, PlaybackController& playback, std::function<frmMenu*()> menus,
           QObject* parent)
    : QObject(parent), host_(host), playback_(playback), menus_(std::move(menus)) {}

void Tray::Register(const QPixmap& icon, const QString& tip, QWidget* window) {
  TrayIcon.szTip = tip;
  auto* tray = new QSystemTrayIcon(QIcon(icon), this);
  tray->setObjectName("TrayIcon");
  tray->setToolTip(TrayIcon.szTip);
  connect(tray, &QSystemTrayIcon::activated, this,
          [this](QSystemTrayIcon::ActivationReason why) { Picture1_MouseMove(TrayCode(why)); });
  tray->show();
  TrayIcon.icon = tray;

  // Out of the task list only where the tray can bring the window back.
  if (QSystemTrayIcon::isSystemTrayAvailable()) {
    const bool wasVisible = window->isVisible();
    window->setWindowFlag(Qt::Tool, true);
    if (wasVisible) window->show();
  }
}

void Tray::Remove() {
  QSystemTrayIcon* icon = std::exchange(TrayIcon.icon, nullptr);
  if (!icon) return;
  if (busy_) {
    icon->deleteLater();
    return;
  }
  icon->hide();
  delete icon;
}

bool Tray::Available() const { return TrayIcon.icon && QSystemTrayIcon::isSystemTrayAvailable(); }

int Tray::TrayCode(int reason) {
  switch (reason) {
    case QSystemTrayIcon::Trigger:
      return 514;  // left button released
    case QSystemTrayIcon::DoubleClick:
      return 515;
    case QSystemTrayIcon::Context:
      return 517;  // right button released
    case QSystemTrayIcon::MiddleClick:
      return 520;
    default:
      return 0;
  }
}

void Tray::Picture1_MouseMove(int X) {
  message_ = X;
  if (busy_) return;
  busy_ = true;
  if (message_ == 515) {
    host_.ShowMainWindow();
    playback_.SelectRow(CurrentIndex);
  } else if (message_ == 517) {
    menus_()->menulist1->exec(QCursor::pos());
  }
  busy_ = false;
}
