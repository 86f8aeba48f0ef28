#include "skin/button_states.h"

#include <QCursor>
#include <QSet>
#include <QWidget>
#include <array>
#include <exception>

#include "state/main_controls.h"
#include "platform/msgbox.h"
#include "skin/picture_box.h"
#include "skin/skin_pictures.h"

namespace Skin {

QPoint CursorPos;

namespace {

constexpr int kControlOffset[6] = {52, 75, 98, 121, 145, 168};
constexpr int kTopOffset[6] = {13, 150, 170, 191, 206, 223};

void SetState(const std::array<PictureBox*, 6>& row, int firstNumber, int16_t state,
              int16_t index) {
  if (state < 0 || state > 2) return;
  bool ok = false;
  PictureBox* button = index >= 0 && index < 6 ? row[static_cast<size_t>(index)] : nullptr;
  const QPixmap picture =
      SkinPictures::Load(QString("%1-%2.gif").arg(index + firstNumber).arg(state + 1), &ok);
  if (!button || !ok) {
    // The hover timer asks for the same picture many times a second: a missing one is
    // reported once, not on every tick.
    static QSet<QString> reported;
    const QString what = QString("%1/%2/%3").arg(firstNumber).arg(index).arg(state);
    if (!reported.contains(what)) {
      reported.insert(what);
      MsgBox("设置控制按钮动作失败！", "Error!", vbOKOnly);
    }
    return;
  }
  // Pictures come decoded from the cache; a button already showing this one is left alone.
  if (button->pixmap().cacheKey() != picture.cacheKey()) button->SetPicture(picture);
}

// The window's top-left corner in screen pixels.
QPoint WindowOrigin() {
  const QWidget* window = MainForm().window;
  if (!window) throw std::runtime_error("no main window");
  return window->pos();
}

}  // namespace

void SetControlButtonState(int16_t state, int16_t index) {
  SetState(MainForm().ControlButton, 1, state, index);
}

void SetTopButtonState(int16_t state, int16_t index) {
  SetState(MainForm().imgTopButton, 7, state, index);
}

int ControlButtonAt(const QPoint& p) {
  const PictureBox* list = MainForm().List;
  if (!list) return -1;
  const int top = list->y() + 149;
  if (p.y() < top || p.y() > top + 22) return -1;
  for (int k = 0; k < 6; ++k) {
    const int left = list->x() + kControlOffset[k];
    if (p.x() >= left && p.x() <= left + 22) return k;
  }
  return -1;
}

int TopButtonAt(const QPoint& p) {
  if (p.y() < 7 || p.y() > 24) return -1;
  for (int k = 0; k < 6; ++k) {
    const PictureBox* button = MainForm().imgTopButton[static_cast<size_t>(k)];
    const int width = button ? button->width() : 0;
    if (p.x() >= kTopOffset[k] && p.x() <= kTopOffset[k] + width) return k;
  }
  return -1;
}

bool CursorInButtonArea(const QPoint& cursor) {
  const PictureBox* list = MainForm().List;
  if (!list) return false;
  const QPoint p = cursor - WindowOrigin();
  const bool across = p.x() > 0 && p.x() < list->width();
  const int controlTop = list->y() + 149;
  const bool inControls = p.y() >= controlTop && p.y() <= controlTop + 22;
  const bool inTop = p.y() >= 7 && p.y() <= 7 + 17;
  return across && (inControls || inTop);
}

void RefreshButtons() {
  try {
    CursorPos = QCursor::pos();
    const QPoint p = CursorPos - WindowOrigin();
    const int control = ControlButtonAt(p);
    for (int16_t i = 0; i < 6; ++i) SetControlButtonState(i == control ? 1 : 0, i);
    const int top = TopButtonAt(p);
    for (int16_t i = 0; i < 6; ++i) SetTopButtonState(i == top ? 1 : 0, i);
  } catch (const std::exception&) {
    MsgBox("按钮刷新失败！", "Error!", vbOKOnly);
  }
}

}  // namespace Skin
