#pragma once

#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>

// The player's side of the message board, which runs as a program of its own (see
// frmBrowser): the program starts when the board is first shown, is told to show and hide
// it, and ends with the player. When it ends by itself (its close mark, or a failure), it
// says so, and the menus offer to open the board again.
class BoardProcess : public QObject {
  Q_OBJECT

 public:
  static BoardProcess* Instance();
  // Ends the board program, if it runs, and forgets it.
  static void Unload();

  // The board's start page.
  static QString BoardUrl();
  // The program and the arguments before the address; the board program beside the player
  // unless set otherwise (tests stand in for it).
  static void SetProgram(const QString& program, const QStringList& arguments = {});

  bool isVisible() const { return visible_; }
  void setVisible(bool visible);
  bool Running() const { return process_.state() != QProcess::NotRunning; }

 signals:
  // A line the board program said.
  void Said(const QString& line);
  // The board window was moved (over the main window, maybe).
  void Moved();
  // The board program ended by itself (its close mark, or a failure).
  void Closed();

 private:
  BoardProcess();
  ~BoardProcess() override;

  void Send(const QByteArray& command);
  void ReadLines();
  void Ended();

  QProcess process_;
  bool visible_ = false;
};
