#include <QCoreApplication>
#include <QCursor>
#include <QSet>
#include <QWidget>
#include <array>
#include <optional>

#include "platform/msgbox.h"
#include "skin/geometry.h"
#include "skin/skin.h"
#include "skin/skin_button.h"

namespace Skin {

namespace {

using namespace SkinGeometry;

void SetState(const std::array<SkinButton*, 6>& row, int rowName, int16_t state, int16_t index) {
  if (state < 0 || state > 2) return;
  SkinButton* button = index >= 0 && index < 6 ? row[static_cast<size_t>(index)] : nullptr;
  if (button && button->ShowState(state)) return;
  // The hover timer asks for the same picture many times a second: a missing one is
  // reported once, not on every tick.
  static QSet<QString> reported;
  const QString what = QString("%1/%2/%3").arg(rowName).arg(index).arg(state);
  if (!reported.contains(what)) {
    reported.insert(what);
    MsgBox(QCoreApplication::translate("Skin", "设置控制按钮动作失败！"), "Error!", vbOKOnly);
  }
}

// The window's top-left corner in screen pixels; nothing without a window.
std::optional<QPoint> WindowOrigin(const QWidget* window) {
  if (!window) return std::nullopt;
  return window->pos();
}

}  // namespace

void Face::SetControlButtonState(int16_t state, int16_t index) {
  SetState(parts_.ControlButton, 0, state, index);
}

void Face::SetTopButtonState(int16_t state, int16_t index) {
  SetState(parts_.imgTopButton, 1, state, index);
}

int Face::ControlButtonAt(const QPoint& p) const {
  const PictureBox* list = parts_.List;
  if (!list) return -1;
  const int top = list->y() + kControlsBelowPanelTop;
  if (p.y() < top || p.y() > top + kControlSize) return -1;
  for (int k = 0; k < 6; ++k) {
    const int left = list->x() + kControlLeft[k];
    if (p.x() >= left && p.x() <= left + kControlSize) return k;
  }
  return -1;
}

int Face::TopButtonAt(const QPoint& p) const {
  if (p.y() < kTopButtonTop || p.y() > kTopButtonTop + kTopButtonHeight) return -1;
  for (int k = 0; k < 6; ++k) {
    const SkinButton* button = parts_.imgTopButton[static_cast<size_t>(k)];
    const int width = button ? button->width() : 0;
    if (p.x() >= kTopLeft[k] && p.x() <= kTopLeft[k] + width) return k;
  }
  return -1;
}

bool Face::CursorInButtonArea(const QPoint& cursor) const {
  const PictureBox* list = parts_.List;
  const std::optional<QPoint> origin = WindowOrigin(parts_.window);
  if (!list || !origin) return false;
  const QPoint p = cursor - *origin;
  const bool across = p.x() > 0 && p.x() < list->width();
  const int controlTop = list->y() + kControlsBelowPanelTop;
  const bool inControls = p.y() >= controlTop && p.y() <= controlTop + kControlSize;
  const bool inTop = p.y() >= kTopButtonTop && p.y() <= kTopButtonTop + kTopButtonHeight;
  return across && (inControls || inTop);
}

void Face::RefreshButtons() {
  CursorPos = QCursor::pos();
  const std::optional<QPoint> origin = WindowOrigin(parts_.window);
  if (!origin) {
    MsgBox(QCoreApplication::translate("Skin", "按钮刷新失败！"), "Error!", vbOKOnly);
    return;
  }
  const QPoint p = CursorPos - *origin;
  const int control = ControlButtonAt(p);
  for (int16_t i = 0; i < 6; ++i) SetControlButtonState(i == control ? 1 : 0, i);
  const int top = TopButtonAt(p);
  for (int16_t i = 0; i < 6; ++i) SetTopButtonState(i == top ? 1 : 0, i);
}

}  // namespace Skin
