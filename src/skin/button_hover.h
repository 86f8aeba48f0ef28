#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QTimer>
#include <cstdint>

class PictureBox;
class QWindow;

namespace Skin {

class Face;
struct FaceControls;

// The twelve skin buttons' pressed and hover pictures. A press shows the pressed picture
// until the next tick after the release; the tick (timButton) follows the pointer over the
// button rows, 30 ms apart there and 100 ms elsewhere, and rests while the pointer keeps
// still or is off the window: any pointer event on the window wakes it.
class ButtonHover : public QObject {
  Q_OBJECT

 public:
  // Hears the buttons' presses and the window's pointer events itself.
  ButtonHover(Face& face, const FaceControls& controls, QObject* parent = nullptr);

  QTimer& timer() { return timer_; }
  // A skin button is held down: the tick leaves the pictures alone.
  bool ButtonPressed = false;

  void timButton_Timer();
  // Only the left button presses a skin button; a double-click does too; any release lets
  // go of it.
  void ControlButton_MouseDown(int Index, int Button);
  void ControlButton_DblClick(int Index);
  void ControlButton_MouseUp(int Index, int Button);
  void imgTopButton_MouseDown(int Index, int Button);
  void imgTopButton_DblClick(int Index);
  void imgTopButton_MouseUp(int Index, int Button);

 private:
  using Handler = void (ButtonHover::*)(int Index, int Button);
  // Hears a button's presses, double-clicks and releases.
  void Hear(PictureBox* button, int index, Handler down, void (ButtonHover::*dblClick)(int),
            Handler up);
  bool eventFilter(QObject* watched, QEvent* event) override;
  void Wake();
  // The pressed picture on button Index of a row, held until the next release.
  void ShowPressed(void (Face::*setState)(int16_t, int16_t), int Index);

  Face& face_;
  QWidget* window_;
  QTimer timer_;
  QPointer<QWindow> watched_;
  QPoint lastPos_;
};

}  // namespace Skin
