#include "menus/board_process.h"

#include <QCoreApplication>
#include <QPointer>

#include "platform/endpoints.h"
#include "platform/msgbox.h"

namespace {

// How long the board program gets to end on its own when the player ends.
constexpr int kEndWaitMs = 2000;

QPointer<BoardProcess>& TheBoard() {
  static QPointer<BoardProcess> board;
  return board;
}

struct Program {
  QString path;
  QStringList arguments;
};

Program& BoardProgram() {
  static Program program;
  return program;
}

}  // namespace

BoardProcess::BoardProcess() {
  process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  connect(&process_, &QProcess::readyReadStandardOutput, this, &BoardProcess::ReadLines);
  connect(&process_, &QProcess::finished, this, &BoardProcess::Ended);
  connect(&process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
    if (error != QProcess::FailedToStart) return;
    MsgBox(tr("留言板程序无法启动：") + process_.program() + "\r\n" + process_.errorString(),
           tr("错误"), vbOKOnly | vbCritical);
    Ended();
  });
}

BoardProcess::~BoardProcess() {
  if (!Running()) return;
  disconnect(&process_, nullptr, this, nullptr);
  // The end of its input ends the board program.
  process_.closeWriteChannel();
  if (!process_.waitForFinished(kEndWaitMs)) {
    process_.kill();
    process_.waitForFinished(kEndWaitMs);
  }
}

BoardProcess* BoardProcess::Instance() {
  if (!TheBoard()) TheBoard() = new BoardProcess;
  return TheBoard();
}

void BoardProcess::Unload() {
  if (TheBoard()) delete TheBoard();
}

QString BoardProcess::BoardUrl() { return JoinUrl(Endpoints().messageBoardHost, "/note/"); }

void BoardProcess::SetProgram(const QString& program, const QStringList& arguments) {
  BoardProgram() = {program, arguments};
}

void BoardProcess::setVisible(bool visible) {
  visible_ = visible;
  if (visible && !Running()) {
    const Program& program = BoardProgram();
    const QString path = program.path.isEmpty()
                             ? QCoreApplication::applicationDirPath() + "/sonaveil-board"
                             : program.path;
    process_.start(path, program.arguments + QStringList{BoardUrl()});
  }
  if (Running()) Send(visible ? "show\n" : "hide\n");
}

void BoardProcess::Send(const QByteArray& command) { process_.write(command); }

void BoardProcess::ReadLines() {
  QPointer<BoardProcess> alive(this);
  while (alive && process_.canReadLine()) {
    const QString line = QString::fromUtf8(process_.readLine()).trimmed();
    if (line == "moved") emit Moved();
    emit Said(line);
  }
}

void BoardProcess::Ended() {
  visible_ = false;
  emit Closed();
}
