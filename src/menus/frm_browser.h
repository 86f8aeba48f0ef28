#pragma once

#include <QWidget>

// The message-board window. It is made the first time it is referred to and lives until the
// program ends.
class frmBrowser : public QWidget {
  Q_OBJECT

 public:
  static frmBrowser* Instance();
  // Unloads the window if it was ever made.
  static void Unload();

 private:
  frmBrowser();
};
