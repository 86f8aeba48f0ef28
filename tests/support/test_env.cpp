#include "support/test_env.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>
#include <QTimer>
#include <algorithm>

#include "platform/app_path.h"
#include "platform/endpoints.h"
#include "platform/msgbox.h"

TempAppFolder::TempAppFolder() {
  QDir(dir_.path()).mkpath("data");
  QDir(dir_.path()).mkpath("skin");
  SetAppPath(dir_.path());
  ReloadEndpoints();
}

TempAppFolder::~TempAppFolder() {
  SetAppPath(QString());
  ReloadEndpoints();
}

void TempAppFolder::Write(const QString& relative, const QByteArray& content) const {
  QDir().mkpath(QFileInfo(File(relative)).path());
  QFile file(File(relative));
  if (file.open(QIODevice::WriteOnly)) file.write(content);
}

void TempAppFolder::InstallSkinAndCatalog() const {
  const QDir built(SONAVEIL_APP_DIR);
  for (const QString& name : QDir(built.filePath("skin")).entryList(QDir::Files))
    QFile::copy(built.filePath("skin/" + name), File("skin/" + name));
  QFile::copy(built.filePath("data/db.dll"), File("data/db.dll"));
}

QString TempAppFolder::InstallProgram() const {
  InstallSkinAndCatalog();
  const QDir built(SONAVEIL_APP_DIR);
  for (const char* name : {"sonaveil", "sonaveil-board", "help.html", "data/endpoints.ini"})
    QFile::copy(built.filePath(name), File(name));
  return File("sonaveil");
}

MsgBoxRecorder::MsgBoxRecorder(int answer) : answer_(answer) {
  SetMsgBoxHandler([this](const QString& text, const QString& caption, int buttons) {
    boxes_.append({text, caption, buttons});
    return answer_;
  });
}

MsgBoxRecorder::~MsgBoxRecorder() { SetMsgBoxHandler(nullptr); }

QStringList MsgBoxRecorder::Texts() const {
  QStringList texts;
  for (const Box& box : boxes_) texts << box.text;
  return texts;
}

bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
  // True as soon as done() is seen true, even for a moment (a page drawn, then drawn again).
  // Between looks events are handled for at least as long as the last look took, so that a
  // look which starts a program (xdotool, say) leaves the processor to the program tested.
  QDeadlineTimer deadline(timeoutMs);
  QElapsedTimer look;
  for (qint64 pauseMs = 1;; pauseMs = std::min<qint64>(pauseMs * 2, 20)) {
    look.start();
    if (done()) return true;
    if (deadline.hasExpired()) return false;
    QTimer wake;
    wake.setSingleShot(true);
    wake.start(
        static_cast<int>(std::min(std::max(pauseMs, look.elapsed()), deadline.remainingTime())));
    while (wake.isActive()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
}

QByteArray Gb(const QString& text) {
  QStringEncoder encoder("GB18030");
  return encoder.encode(text);
}
