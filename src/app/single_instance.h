#pragma once

#include <QObject>
#include <QString>
#include <QThread>

#include "app/command_line.h"

// Lets one instance of the player run per user and display. The first start listens on a
// local socket named from the application title, in a folder only its user can enter; a later
// start finds it, hands it what its own command line asked for, waits until the running
// player says it took it, and ends. A socket left behind by a crashed instance answers nobody
// and is replaced. Each side makes sure the other is the same user before a request goes
// either way.
class SingleInstance : public QObject {
  Q_OBJECT

 public:
  enum class Outcome {
    kRunning,     // this process is now the one instance
    kHandedOver,  // the running instance took the request
    kNotTaken,    // an instance runs but did not take it; LastError() says what happened
  };

  explicit SingleInstance(const QString& title, QObject* parent = nullptr);
  ~SingleInstance() override;

  // The socket's file name for title, per user and display. Letter case of the title does not
  // matter.
  static QString SocketName(const QString& title);
  // The user's private folder for the socket and its lock: $XDG_RUNTIME_DIR when it is the
  // user's alone, else "sonaveil-<uid>" in the temporary folder, made if missing. "" when
  // that folder is not the user's alone either.
  static QString SocketFolder();

  Outcome Claim(const StartRequest& request = {});
  const QString& LastError() const { return error_; }

 signals:
  // Another start asked for this: files to add, a transport command, and the main window.
  void Requested(const StartRequest& request);

 private:
  void Listen(const QString& path);

  QString name_;
  QString error_;
  // Takes the other starts' requests, so that they are answered while this thread is busy.
  QThread listener_;
};
