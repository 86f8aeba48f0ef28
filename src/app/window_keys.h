#pragma once

#include <QKeyCombination>
#include <QList>
#include <QObject>
#include <functional>
#include <initializer_list>
#include <span>

#include "skin/face_controls.h"

class CatalogBrowser;
class MenuHost;
class PlaybackController;
class QWidget;
class frmMenu;
namespace Skin {
class Face;
}

// The main window's keys, in one table: each key and what it does, through the operations
// the buttons and menus use. Where the control that has the focus needs a key for itself
// (the search box its editing keys, a list its arrows, a button its space, a slider its left
// and right), the key stays with it.
class WindowKeys : public QObject {
  Q_OBJECT

 public:
  // How far a key moves the position and the volume.
  static constexpr double kSeekStepSeconds = 5;
  static constexpr int kVolumeStep = 5;

  // What the keys act on.
  struct Parts {
    const Skin::FaceControls& ui;
    Skin::Face& face;
    PlaybackController& playback;
    CatalogBrowser& catalog;
    MenuHost& host;
    std::function<frmMenu*()> menus;  // made the first time they are asked for
  };

  // Hears the keys pressed on the window and on each of chain, which Tab goes through in
  // this order.
  WindowKeys(Parts parts, std::initializer_list<QWidget*> chain, QObject* parent = nullptr);

  // Every key the window acts on.
  static QList<QKeyCombination> Keys();

 private:
  struct Binding;
  static std::span<const Binding> Table();
  bool eventFilter(QObject* watched, QEvent* event) override;
  // The key pressed while target has the focus; false leaves it to target.
  bool Pressed(QObject* target, QKeyCombination key);

  // The operations, with the table's argument; each gives false when it leaves the key to
  // the control.
  bool PlayPause(QObject*, int);
  bool Transport(QObject*, int command);
  bool Seek(QObject*, int direction);
  bool Volume(QObject*, int direction);
  bool AddFiles(QObject*, int);
  bool NetworkSongs(QObject*, int);
  bool FindSongs(QObject*, int);
  bool TogglePlaylist(QObject*, int);
  bool Quit(QObject*, int);
  bool Menu(QObject*, int);
  bool Activate(QObject* target, int);
  bool Delete(QObject* target, int);
  bool ClosePanel(QObject*, int);
  bool Help(QObject*, int);

  Parts p_;
};
