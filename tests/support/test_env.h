#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <ostream>

// An application folder of the test's own, with data/ and skin/; AppPath() points at it
// for the test's lifetime.
class TempAppFolder {
 public:
  TempAppFolder();
  ~TempAppFolder();
  QString Path() const { return dir_.path(); }
  QString File(const QString& relative) const { return dir_.filePath(relative); }
  void Write(const QString& relative, const QByteArray& content) const;
  // Copies the built program's skin pictures and demo catalog into this folder.
  void InstallSkinAndCatalog() const;
  // Copies the built player itself as well, with its help and settings: a private
  // application folder for starting the real program.
  QString InstallProgram() const;

 private:
  QTemporaryDir dir_;
};

// Records every message box and answers it.
class MsgBoxRecorder {
 public:
  struct Box {
    QString text;
    QString caption;
    int buttons;
  };
  explicit MsgBoxRecorder(int answer = 1);
  ~MsgBoxRecorder();
  void SetAnswer(int answer) { answer_ = answer; }
  void Clear() { boxes_.clear(); }
  const QList<Box>& Boxes() const { return boxes_; }
  QStringList Texts() const;

 private:
  QList<Box> boxes_;
  int answer_;
};

// Runs the event loop until done() holds or timeoutMs passes; true if done() was seen true.
bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 5000);

// text in GB18030 (a superset of GBK and GB2312), as Chinese web pages and old tags hold it.
QByteArray Gb(const QString& text);

// Lets test failures print Qt strings as text.
inline void PrintTo(const QString& text, std::ostream* os) {
  *os << '"' << text.toStdString() << '"';
}
