#pragma once

#include <QObject>
#include <QString>
#include <functional>

class MenuHost;
class PlaybackController;
class QPixmap;
class QSystemTrayIcon;
class QWidget;
class frmMenu;

// The tray-icon record: what the load step registers and the unload step removes.
struct TrayIconRecord {
  QString szTip;
  QSystemTrayIcon* icon = nullptr;  // the registered icon, while there is one
};

extern TrayIconRecord TrayIcon;

// The tray icon of the main window and its notifications.
class Tray : public QObject {
  Q_OBJECT

 public:
  // menus gives the popup menus' form, made the first time it is asked for.
  Tray(MenuHost& host, PlaybackController& playback, std::function<frmMenu*()> menus,
       QObject* parent = nullptr);

  // Registers the icon with tip; where the tray can bring window back, window leaves the
  // task list.
  void Register(const QPixmap& icon, const QString& tip, QWidget* window);
  // Removes the icon; its own menu may be what asked for it, and then it goes once that
  // notification is handled.
  void Remove();
  // An icon is registered and a tray shows it.
  bool Available() const;

  // The notifications, by the mouse message the system numbers them with: 515 double-click
  // shows the main window and selects the current row again, 517 right button released opens
  // the tray's menu; the others do nothing. While that menu is open, further notifications
  // are dropped.
  void Picture1_MouseMove(int X);
  // The code of a tray activation.
  static int TrayCode(int reason);

 private:
  MenuHost& host_;
  PlaybackController& playback_;
  std::function<frmMenu*()> menus_;
  // The last notification, and whether one is being handled (its menu open).
  int message_ = 0;
  bool busy_ = false;
};
