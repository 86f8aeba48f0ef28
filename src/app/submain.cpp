#include "app/submain.h"

#include <QApplication>
#include <QDir>
#include <QTimer>
#include <cstdio>
#include <optional>

#include "app/command_line.h"
#include "app/frmmain.h"
#include "app/identity.h"
#include "app/single_instance.h"
#include "menus/board_process.h"
#include "platform/termination_signals.h"
#include "platform/translations.h"
#include "playback/media_player.h"
#include "playback/playlist_file.h"
#include "skin/skin_pictures.h"

namespace SubMain {

namespace {

// A shaped, self-positioned window whose hover is read from the global cursor needs X11;
// on a Wayland session the player runs on XWayland unless the user chose a platform.
void PreferX11() {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
      !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "xcb");
}
// The file a start request plays first, where that is known before the playlist has it: a
// local file named first.
QString FirstToPlay(const StartRequest& request) {
  if (request.enqueue || request.items.isEmpty()) return QString();
  const QString& first = request.items.first();
  return PlaylistFile::IsPlaylist(first) ? QString() : first;
}
// The exit code of a start whose request went to the running instance, or did not; nothing
// when this start is the one instance.
std::optional<int> EndOfASecondStart(SingleInstance& instance, const StartRequest& request) {
  switch (instance.Claim(request)) {
    case SingleInstance::Outcome::kRunning:
      return std::nullopt;
    case SingleInstance::Outcome::kHandedOver:
      return 0;
    case SingleInstance::Outcome::kNotTaken:
      break;
  }
  std::fprintf(stderr, "sonaveil: the running player did not take this start's request: %s\n",
               qPrintable(instance.LastError()));
  return 1;
}
}  // namespace

int Main(int argc, char** argv) {
  // Help, the version and a wrong option need no display.
  const ParsedCommandLine command =
      ParseCommandLine(argc, argv, QFile::encodeName(QDir::currentPath()));
  switch (command.outcome) {
    case ParsedCommandLine::Outcome::kHelp:
      std::fputs(qPrintable(Usage()), stdout);
      return 0;
    case ParsedCommandLine::Outcome::kVersion:
      std::printf("sonaveil %s\n", kVersion);
      return 0;
    case ParsedCommandLine::Outcome::kUsageError:
      std::fprintf(stderr, "sonaveil: %s\n%s", qPrintable(command.error), qPrintable(Usage()));
      return 2;
    case ParsedCommandLine::Outcome::kRun:
      break;
  }
  for (const QString& missing : command.missing)
    std::fprintf(stderr, "sonaveil: %s: no such file\n", qPrintable(missing));

  PreferX11();
  QApplication app(argc, argv);
  QApplication::setApplicationName("sonaveil");
  QGuiApplication::setDesktopFileName("sonaveil");
  // The program ends through its own exit command, not when a window happens to close; the
  // signals of a logout or a Ctrl+C end it the same way.
  QApplication::setQuitOnLastWindowClosed(false);
  TerminationSignals termination;

  SingleInstance instance(kAppTitle);
  if (const std::optional<int> code = EndOfASecondStart(instance, command.request)) return *code;

  // The face's pictures are read while the window's controls are made.
  SkinPictures::Preload({"Main.gif", "List.gif", "Search.gif", "1-1.gif", "2-1.gif", "3-1.gif",
                         "4-1.gif", "5-1.gif", "6-1.gif", "7-1.gif", "8-1.gif", "9-1.gif",
                         "10-1.gif", "11-1.gif", "12-1.gif"});
  LoadTranslations(QLocale::system(), {"qtbase"});
  auto* window = new frmmain;
  QObject::connect(&instance, &SingleInstance::Requested, window, &frmmain::ShowFromAnotherStart);
  QObject::connect(&termination, &TerminationSignals::Received, window, &frmmain::ExitProgram);
  // What the command line names is added during the load's pause, and played once the window
  // shows: the sound system starts meanwhile.
  if (!command.request.items.isEmpty()) window->WMP->Prepare(FirstToPlay(command.request));
  window->Form_Load(command.request);
  QApplication::processEvents();
  window->show();
  window->Open(command.request, true);
  // Desktops reach the player over the session bus where there is one; the window need not
  // wait for the bus.
  QTimer::singleShot(0, window, &frmmain::OfferOnSessionBus);

  const int code = QApplication::exec();
  BoardProcess::Unload();
  delete window;
  return code;
}

}  // namespace SubMain
