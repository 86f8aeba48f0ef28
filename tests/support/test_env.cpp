#include "support/test_env.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

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
  QDeadlineTimer deadline(timeoutMs);
  while (!done() && !deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(1);
  }
  return done();
}
