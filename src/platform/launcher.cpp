#include "platform/launcher.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

namespace Launcher {

namespace {
Recorder& TheRecorder() {
  static Recorder recorder;
  return recorder;
}
}  // namespace

bool StartDetached(const QString& program) {
  if (TheRecorder()) return TheRecorder()("start", program);
  if (!QFileInfo(program).isExecutable()) return false;
  return QProcess::startDetached(program, {}, QFileInfo(program).absolutePath());
}

bool OpenDocument(const QString& path) {
  if (TheRecorder()) return TheRecorder()("document", path);
  return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool OpenUrl(const QString& url) {
  if (TheRecorder()) return TheRecorder()("url", url);
  return QDesktopServices::openUrl(QUrl(url));
}

void SetRecorder(Recorder recorder) { TheRecorder() = std::move(recorder); }

}  // namespace Launcher
