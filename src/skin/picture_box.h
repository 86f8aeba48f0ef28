#pragma once

#include <QLabel>

// A picture or text on the skinned window that reports the mouse the way the window's
// handlers expect: button (1 left, 2 right, 4 middle), and x, y in the control's pixels. A
// double-click raises Click once, on its first release, and DblClick for its second press.
class PictureBox : public QLabel {
  Q_OBJECT

 public:
  explicit PictureBox(QWidget* parent = nullptr);

  // Shows picture at its natural size.
  void SetPicture(const QPixmap& picture);

  // Draws the text in lines of a fixed height (0: as a plain label does). A text of several
  // lines keeps each on one line, cut with an ellipsis where it is too long; a single line
  // wraps. Lines that do not fit the height are left out from the bottom.
  void SetLinePitch(int pixels);

  // 1 left, 2 right, 4 middle; 0 for anything else.
  static int ButtonCode(Qt::MouseButton button);

  // Where on the screen the last mouse event happened (not where the pointer is now).
  QPoint LastGlobalPos() const { return lastGlobalPos_; }

  // Whether assistive technology sees it as a button that can be pressed (its Click) rather
  // than as a picture or a text. Skin buttons are; clickable labels are made so.
  void SetPressable(bool pressable) { pressable_ = pressable; }
  bool Pressable() const { return pressable_; }

 signals:
  void Click();
  void DblClick();
  void MouseDown(int button, int x, int y);
  void MouseUp(int button, int x, int y);
  void MouseMove(int button, int x, int y);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  QPoint lastGlobalPos_;
  bool doubleClicked_ = false;
  bool pressable_ = false;
  int linePitch_ = 0;
};
