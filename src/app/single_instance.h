#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

// Lets one instance of the player run per user. The first start listens on a local socket
// named from the application title; a later start finds it, asks it to show its main window
// and ends. A socket left behind by a crashed instance answers nobody and is replaced.
class SingleInstance : public QObject {
  Q_OBJECT

 public:
  explicit SingleInstance(const QString& title, QObject* parent = nullptr);

  // The per-user socket name for title. Letter case of the title does not matter.
  static QString SocketName(const QString& title);

  // True when this process is now the one instance. False when another instance answered;
  // it has then been asked to show its window.
  bool Claim();

 signals:
  // Another start asked this instance to show its main window.
  void ShowRequested();

 private:
  bool AskRunningInstanceToShow();

  QString name_;
  QLocalServer server_;
};
