#include "menus/frm_browser.h"

#include <QPointer>

namespace {
QPointer<frmBrowser>& TheWindow() {
  static QPointer<frmBrowser> window;
  return window;
}
}  // namespace

frmBrowser::frmBrowser() : QWidget(nullptr, Qt::FramelessWindowHint) {
  setObjectName("frmBrowser");
}

frmBrowser* frmBrowser::Instance() {
  if (!TheWindow()) TheWindow() = new frmBrowser;
  return TheWindow();
}

void frmBrowser::Unload() {
  if (TheWindow()) delete TheWindow();
}
