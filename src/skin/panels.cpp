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

namespace Skin {

namespace {

using namespace SkinGeometry;

template <typename... W>
void SetVisible(bool visible, W*... widgets) {
  (..., (widgets ? widgets->setVisible(visible) : void()));
}

}  // namespace

// Moves the panel one step and shows it at once: the slide is drawn step by step, without
// handling user input in between.
void Face::SlideTo(int top) {
  const FaceControls& form = parts_;
  form.List->move(form.List->x(), top);
  for (SkinButton* button : form.ControlButton)
    if (button) button->move(button->x(), top + kControlsBelowPanelTop);
  if (form.window) {
    ColourKey::UpdateShape(form.window);
    form.window->repaint();
  }
  QThread::msleep(1);
}

void Face::OpenPlaylistPanel() {
  const FaceControls& form = parts_;
  if (!form.List) return;
  while (form.List->y() < kPanelOpenTop) SlideTo(form.List->y() + kPanelStep);
  if (form.List1) form.List1->show();
}

void Face::ClosePlaylistPanel() {
  const FaceControls& form = parts_;
  if (form.List1) form.List1->hide();
  if (!form.List) return;
  while (form.List->y() > kPanelClosedTop) SlideTo(form.List->y() - kPanelStep);
}

void Face::TogglePlaylistPanel() {
  if (parts_.List1 && parts_.List1->isVisible())
    ClosePlaylistPanel();
  else
    OpenPlaylistPanel();
}

void Face::ToggleCatalogPanel() { ToggleCatalog(/*withMark=*/true); }

void Face::ToggleCatalogPanelKeepingItsMark() { ToggleCatalog(/*withMark=*/false); }

void Face::ToggleCatalog(bool withMark) {
  const FaceControls& f = parts_;
  const bool show = !(f.imgSearch && f.imgSearch->isVisible());
  SetVisible(show, f.imgSearch, f.lstSinger, f.lstSpecial, f.lstSong, f.Go, f.Text1, f.lstSearch);
  ShowSingerTypes(show ? 0 : 1);
  SetVisible(show, f.cmdAdd[0], f.cmdAdd[1]);
  if (withMark) SetVisible(show, f.Image1);
}

void Face::ShowCatalogControls(int16_t mode) {
  const FaceControls& f = parts_;
  if (f.imgSearch && f.imgSearch->isVisible() && (mode == 0 || mode == 1))
    SetVisible(mode == 0, f.lstSinger, f.lstSpecial, f.lstSong, f.Go, f.Text1, f.lstSearch,
               f.cmdAdd[0], f.cmdAdd[1]);
  if (f.window) f.window->resize(kWindowWidth, kWindowHeight);
}

void Face::AfterWindowMove() {
  ShowCatalogControls(1);
  ShowCatalogControls(0);
}

void Face::ExitProgram() {
  ListControl::SavePlaylist();
  if (parts_.window) parts_.window->close();
  if (unloadSideWindows_) unloadSideWindows_();
  QCoreApplication::quit();
}

}  // namespace Skin
