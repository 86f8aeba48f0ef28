#pragma once

#include <QPoint>
#include <QString>
#include <QWidget>

class PictureBox;
class QWebEngineView;

// The message-board window: a skinned, borderless frame around a web view of the board. It
// is made (hidden) the first time it is referred to; the web engine is started only when the
// window is first shown, so a program whose board is never opened carries no browser.
class frmBrowser : public QWidget {
  Q_OBJECT

 public:
  static frmBrowser* Instance();
  // Unloads the window if it was ever made.
  static void Unload();

  // What the web engine needs before the application object is made; the program calls it
  // first thing.
  static void PrepareWebEngine();

  // The board's start page.
  static QString BoardUrl();

  PictureBox* imgBack;  // the frame
  PictureBox* Image1;   // the close mark
  QWebEngineView* WB = nullptr;

  void Form_Load();
  // Any button on the frame moves the window.
  void Form_MouseDown(int Button);
  void Image1_Click();

 protected:
  void showEvent(QShowEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  frmBrowser();

  bool manualDrag_ = false;
  QPoint dragOffset_;
  QPoint lastGlobalPos_;
};
