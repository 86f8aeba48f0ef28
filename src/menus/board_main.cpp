// The message board, a program of its own: the web engine it carries stays out of the player.
//
//   sonaveil-board <address of the board's start page>
//
// It starts hidden and takes its commands, one a line, from standard input (see frmBrowser);
// it ends when the user closes the board or when the input ends, as it does with the player.
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <QUrl>
#include <cstdio>

#include "menus/frm_browser.h"
#include "platform/translations.h"

int main(int argc, char** argv) {
  // The shaped, self-moving window needs X11; on Wayland it runs on XWayland unless the
  // user chose a platform.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
      !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "xcb");
  frmBrowser::PrepareWebEngine();
  QApplication app(argc, argv);
  QApplication::setApplicationName("sonaveil-board");
  // Its window belongs to the player's desktop entry.
  QGuiApplication::setDesktopFileName("sonaveil");
  LoadTranslations(QLocale::system(), {"qtbase", "qtwebengine"});
  const QStringList arguments = QApplication::arguments();
  if (arguments.size() != 2) {
    std::fprintf(stderr, "usage: sonaveil-board <address of the board>\n");
    return 2;
  }

  frmBrowser board(QUrl::fromUserInput(arguments[1]));
  QObject::connect(&board, &frmBrowser::Say, [](const QString& line) {
    std::fputs(qPrintable(line + '\n'), stdout);
    std::fflush(stdout);
  });
  QObject::connect(&board, &frmBrowser::Closed, &app, &QApplication::quit, Qt::QueuedConnection);

  QByteArray pending;
  QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
  QObject::connect(&input, &QSocketNotifier::activated, [&] {
    char buffer[256];
    const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
    if (n <= 0) {
      input.setEnabled(false);
      QApplication::quit();
      return;
    }
    pending.append(buffer, n);
    for (qsizetype end; (end = pending.indexOf('\n')) >= 0; pending.remove(0, end + 1))
      board.Command(QString::fromUtf8(pending.left(end)).trimmed());
  });
  return QApplication::exec();
}
