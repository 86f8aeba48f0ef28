#include "app/submain.h"

#include <QApplication>
#include <QTimer>

#include "app/frmmain.h"
#include "app/identity.h"
#include "app/mpris.h"
#include "app/single_instance.h"
#include "menus/board_process.h"
#include "playback/media_player.h"

namespace SubMain {

namespace {
constexpr int kPreparePlayerDelayMs = 100;

// A shaped, self-positioned window whose hover is read from the global cursor needs X11;
// on a Wayland session the player runs on XWayland unless the user chose a platform.
void PreferX11() {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
      !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "xcb");
}
}  // namespace

int Main(int argc, char** argv) {
  PreferX11();
  QApplication app(argc, argv);
  QApplication::setApplicationName("sonaveil");
  // The program ends through its own exit command, not when a window happens to close.
  QApplication::setQuitOnLastWindowClosed(false);

  SingleInstance instance(kAppTitle);
  if (!instance.Claim()) return 0;

  auto* window = new frmmain;
  QObject::connect(&instance, &SingleInstance::ShowRequested, window,
                   &frmmain::ShowFromAnotherStart);
  window->Form_Load();
  // Desktops reach the player over the session bus where there is one.
  (new Mpris(window))->Register();
  QApplication::processEvents();
  window->show();
  // The sound system starts once the window is up; a play before that starts it at once.
  QTimer::singleShot(kPreparePlayerDelayMs, window, [window] { window->WMP->Prepare(); });

  const int code = QApplication::exec();
  BoardProcess::Unload();
  delete window;
  return code;
}

}  // namespace SubMain
