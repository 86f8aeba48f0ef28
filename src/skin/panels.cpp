#include "skin/panels.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QThread>

#include "catalog/list_control.h"
#include "skin/colour_key.h"
#include "skin/geometry.h"
#include "skin/picture_box.h"
#include "skin/skin.h"
#include "skin/skin_button.h"
#include "skin/window_move.h"
#include "state/main_controls.h"

namespace Skin {

namespace {

using namespace SkinGeometry;

// Moves the panel one step and shows it at once: the slide is drawn step by step, without
// handling user input in between.
void SlideTo(int top) {
  MainControls& form = MainForm();
  form.List->move(form.List->x(), top);
  for (SkinButton* button : form.ControlButton)
    if (button) button->move(button->x(), top + kControlsBelowPanelTop);
  if (form.window) {
    ColourKey::UpdateShape(form.window);
    form.window->repaint();
  }
  QThread::msleep(1);
}

template <typename... W>
void SetVisible(bool visible, W*... widgets) {
  (..., (widgets ? widgets->setVisible(visible) : void()));
}

}  // namespace

void OpenPlaylistPanel() {
  MainControls& form = MainForm();
  if (!form.List) return;
  while (form.List->y() < kPanelOpenTop) SlideTo(form.List->y() + kPanelStep);
  if (form.List1) form.List1->show();
}

void ClosePlaylistPanel() {
  MainControls& form = MainForm();
  if (form.List1) form.List1->hide();
  if (!form.List) return;
  while (form.List->y() > kPanelClosedTop) SlideTo(form.List->y() - kPanelStep);
}

void TogglePlaylistPanel() {
  if (MainForm().List1 && MainForm().List1->isVisible())
    ClosePlaylistPanel();
  else
    OpenPlaylistPanel();
}

void ToggleCatalogPanel() {
  MainControls& f = MainForm();
  const bool show = !(f.imgSearch && f.imgSearch->isVisible());
  SetVisible(show, f.imgSearch, f.lstSinger, f.lstSpecial, f.lstSong, f.Go, f.Text1, f.lstSearch);
  ShowSingerTypes(show ? 0 : 1);
  SetVisible(show, f.cmdAdd[0], f.cmdAdd[1], f.Image1);
}

void ShowCatalogControls(int16_t mode) {
  MainControls& f = MainForm();
  if (f.imgSearch && f.imgSearch->isVisible() && (mode == 0 || mode == 1))
    SetVisible(mode == 0, f.lstSinger, f.lstSpecial, f.lstSong, f.Go, f.Text1, f.lstSearch,
               f.cmdAdd[0], f.cmdAdd[1]);
  if (f.window) f.window->resize(kWindowWidth, kWindowHeight);
}

bool StartWindowDrag(QWidget* window, bool (*startMove)(QWindow*)) {
  return WindowMove::Start(window, [] {
    ShowCatalogControls(1);
    ShowCatalogControls(0);
  }, startMove);
}

namespace {
void (*&SideWindowsUnload())() {
  static void (*unload)() = nullptr;
  return unload;
}
}  // namespace

void SetSideWindowsUnload(void (*unload)()) { SideWindowsUnload() = unload; }

void ExitProgram() {
  ListControl::SavePlaylist();
  if (QWidget* window = MainForm().window) window->close();
  if (SideWindowsUnload()) SideWindowsUnload()();
  QCoreApplication::quit();
}

}  // namespace Skin
