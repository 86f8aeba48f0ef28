#pragma once

#include <QWidget>

class QMenu;

// The form that holds the two popup menus: menulist1 for the tray icon and menuForm for the
// main window's pictures. It is made the first time it is referred to.
class frmMenu : public QWidget {
  Q_OBJECT

 public:
  static frmMenu* Instance();
  // Unloads the form if it was ever made.
  static void Unload();

  QMenu* menulist1;
  QMenu* menuForm;

 private:
  frmMenu();
};
