#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

#include "app/command_line.h"

// Lets one instance of the player run per user. The first start listens on a local socket
// named from the application title; a later start finds it, hands it what its own command
// line asked for, and ends. A socket left behind by a crashed instance answers nobody and is
// replaced.
class SingleInstance : public QObject {
  Q_OBJECT

 public:
  explicit SingleInstance(const QString& title, QObject* parent = nullptr);

  // The per-user socket name for title. Letter case of the title does not matter.
  static QString SocketName(const QString& title);

  // True when this process is now the one instance. False when another instance answered;
  // it has then been handed request.
  bool Claim(const StartRequest& request = {});

 signals:
  // Another start asked for this: files to add, a transport command, and the main window.
  void Requested(const StartRequest& request);

 private:
  bool HandToRunningInstance(const StartRequest& request);

  QString name_;
  QLocalServer server_;
};
