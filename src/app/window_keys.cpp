#include "app/window_keys.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>

#include "catalog/catalog_browser.h"
#include "menus/frm_menu.h"
#include "playback/playback_controller.h"
#include "skin/my_hscoll_bar.h"
#include "skin/picture_box.h"
#include "skin/skin.h"

namespace {

// The controls that keep a key for themselves.
enum Keeper : unsigned {
  kNone = 0,
  kSearchBox = 1,
  kLists = 2,
  kButtons = 4,
  kSliders = 8,
};

}  // namespace

struct WindowKeys::Binding {
  QKeyCombination key;
  unsigned keptBy;
  bool (WindowKeys::*act)(QObject* target, int argument);
  int argument = 0;
};

std::span<const WindowKeys::Binding> WindowKeys::Table() {
  using W = WindowKeys;
  using C = PlaybackController::Command;
  static const Binding kTable[] = {
      {Qt::Key_Space, kSearchBox | kButtons, &W::PlayPause},
      {Qt::CTRL | Qt::Key_Right, kSearchBox, &W::Transport, int(C::kNext)},
      {Qt::CTRL | Qt::Key_Left, kSearchBox, &W::Transport, int(C::kPrevious)},
      {Qt::CTRL | Qt::Key_Period, kNone, &W::Transport, int(C::kStop)},
      {Qt::Key_Right, kSearchBox | kSliders, &W::Seek, 1},
      {Qt::Key_Left, kSearchBox | kSliders, &W::Seek, -1},
      {Qt::Key_Up, kLists, &W::Volume, 1},
      {Qt::Key_Down, kLists, &W::Volume, -1},
      {Qt::Key_Return, kNone, &W::Activate},
      {Qt::Key_Enter, kNone, &W::Activate},
      {Qt::Key_Delete, kNone, &W::Delete},
      {Qt::CTRL | Qt::Key_O, kNone, &W::AddFiles},
      {Qt::CTRL | Qt::Key_L, kNone, &W::NetworkSongs},
      {Qt::CTRL | Qt::Key_F, kNone, &W::FindSongs},
      {Qt::CTRL | Qt::Key_P, kNone, &W::TogglePlaylist},
      {Qt::Key_Escape, kNone, &W::ClosePanel},
      {Qt::Key_Menu, kNone, &W::Menu},
      {Qt::SHIFT | Qt::Key_F10, kNone, &W::Menu},
      {Qt::Key_F1, kNone, &W::Help},
      {Qt::CTRL | Qt::Key_Q, kNone, &W::Quit},
  };
  return kTable;
}

QList<QKeyCombination> WindowKeys::Keys() {
  QList<QKeyCombination> keys;
  for (const Binding& binding : Table()) keys << binding.key;
  return keys;
}

WindowKeys::WindowKeys(Parts parts, std::initializer_list<QWidget*> chain, QObject* parent)
    : QObject(parent), p_(std::move(parts)) {
  const std::vector<QWidget*> widgets(chain);
  for (size_t i = 0; i + 1 < widgets.size(); ++i) QWidget::setTabOrder(widgets[i], widgets[i + 1]);
  for (QWidget* widget : widgets) widget->installEventFilter(this);
  p_.ui.window->installEventFilter(this);
}

bool WindowKeys::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return false;
  const auto* key = static_cast<QKeyEvent*>(event);
  return Pressed(watched,
                 QKeyCombination(key->modifiers() & ~Qt::KeypadModifier, Qt::Key(key->key())));
}

bool WindowKeys::Pressed(QObject* target, QKeyCombination key) {
  unsigned keeper = kNone;
  if (target == p_.ui.Text1) keeper = kSearchBox;
  if (qobject_cast<QListWidget*>(target)) keeper = kLists;
  if (qobject_cast<QPushButton*>(target)) keeper = kButtons;
  if (qobject_cast<MyHScollBar*>(target)) keeper = kSliders;
  for (const Binding& binding : Table())
    if (binding.key == key)
      return !(binding.keptBy & keeper) && (this->*binding.act)(target, binding.argument);
  return false;
}

bool WindowKeys::PlayPause(QObject*, int) {
  p_.playback.PlayPause();
  return true;
}

bool WindowKeys::Transport(QObject*, int command) {
  p_.playback.ButtonTransport(PlaybackController::Command(command));
  return true;
}

bool WindowKeys::Seek(QObject*, int direction) {
  p_.playback.SeekBy(direction * kSeekStepSeconds);
  return true;
}

bool WindowKeys::Volume(QObject*, int direction) {
  p_.playback.StepVolume(direction * kVolumeStep);
  return true;
}

bool WindowKeys::AddFiles(QObject*, int) {
  p_.playback.AddLocalFiles(p_.ui.window);
  return true;
}

bool WindowKeys::NetworkSongs(QObject*, int) {
  p_.menus()->addurl_Click();
  if (p_.ui.imgSearch->isVisible()) p_.ui.Text1->setFocus(Qt::ShortcutFocusReason);
  return true;
}

bool WindowKeys::FindSongs(QObject*, int) {
  if (!p_.ui.imgSearch->isVisible()) p_.face.ToggleCatalogPanel();
  p_.ui.Text1->setFocus(Qt::ShortcutFocusReason);
  p_.ui.Text1->selectAll();
  return true;
}

bool WindowKeys::TogglePlaylist(QObject*, int) {
  p_.face.TogglePlaylistPanel();
  if (p_.ui.List1->isVisible()) p_.ui.List1->setFocus(Qt::ShortcutFocusReason);
  return true;
}

bool WindowKeys::Quit(QObject*, int) {
  p_.host.ExitProgram();
  return true;
}

bool WindowKeys::Menu(QObject*, int) {
  QWidget* at = p_.ui.window->focusWidget() ? p_.ui.window->focusWidget() : p_.ui.window;
  p_.menus()->menuForm->popup(at->mapToGlobal(at->rect().center()));
  return true;
}

bool WindowKeys::Activate(QObject* target, int) {
  if (target == p_.ui.List1 && p_.ui.List1->currentRow() >= 0)
    p_.playback.PlayCurrent();
  else if (target == p_.ui.lstSong)
    p_.catalog.lstSong_DblClick();
  else if (target == p_.ui.lstSearch)
    p_.catalog.lstSearch_DblClick();
  else
    return false;
  return true;
}

bool WindowKeys::Delete(QObject* target, int) {
  if (target != p_.ui.List1 || p_.ui.List1->currentRow() < 0) return false;
  p_.playback.DeleteCurrent();
  return true;
}

bool WindowKeys::ClosePanel(QObject*, int) {
  if (p_.ui.imgSearch->isVisible())
    p_.face.ToggleCatalogPanel();
  else if (p_.ui.List1->isVisible())
    p_.face.ClosePlaylistPanel();
  else
    return false;
  QWidget* focus = p_.ui.window->focusWidget();
  if (!focus || !focus->isVisible())
    (p_.ui.List1->isVisible() ? static_cast<QWidget*>(p_.ui.List1) : p_.ui.window)->setFocus();
  return true;
}

bool WindowKeys::Help(QObject*, int) {
  OpenHelp();
  return true;
}
