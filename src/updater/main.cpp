#include <QApplication>

#include "platform/app_path.h"
#include "platform/translations.h"
#include "updater/frm_update.h"

int main(int argc, char** argv) {
  // The shaped, self-moving window needs X11; on Wayland it runs on XWayland unless the
  // user chose a platform.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
      !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "xcb");
  QApplication app(argc, argv);
  QApplication::setApplicationName("update");
  // Its windows belong to the player's desktop entry.
  QGuiApplication::setDesktopFileName("sonaveil");
  LoadTranslations(QLocale::system(), {"qtbase"});
  SetAppTitle("Sonaveil  Update");

  frmUpdate form;
  QObject::connect(&form, &frmUpdate::Ended, &app, &QApplication::quit, Qt::QueuedConnection);
  form.Form_Load();
  form.show();
  return QApplication::exec();
}
