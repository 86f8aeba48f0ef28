#pragma once

#include <QPoint>
#include <QString>
#include <QUrl>
#include <QWidget>

#include "skin/window_move.h"

class PictureBox;
class QWebEngineView;

// The message-board window of the board program: a skinned, borderless frame around a web
// view of the board. The player drives it through the program's standard input ("show",
// "hide"; the end of the input ends the program) and hears from it on its standard output:
//   moved                 the user has moved the window
//   loaded 1|0 <address>  a page finished loading, or failed to
// Its close mark ends the program.
class frmBrowser : public QWidget {
  Q_OBJECT

 public:
  explicit frmBrowser(const QUrl& start);

  // What the web engine needs before the application object is made.
  static void PrepareWebEngine();

  PictureBox* imgBack;           // the frame
  PictureBox* Image1;            // the close mark
  QWebEngineView* WB = nullptr;  // made when the window is first shown

  void Form_Load();
  // Any button on the frame moves the window.
  void Form_MouseDown(int Button);
  void Image1_Click();
  // One command from the player.
  void Command(const QString& line);

 signals:
  // A line for the player.
  void Say(const QString& line);
  // The user closed the board.
  void Closed();

 protected:
  void showEvent(QShowEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void MakeView();

  QUrl start_;
  bool viewPending_ = false;
  WindowMove::Drag drag_;
  QPoint lastGlobalPos_;
};
