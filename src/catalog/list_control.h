#pragma once

class QListWidget;

// The stored playlist and its list box.
namespace ListControl {

// Redraws list from the playlist; the first call reads the stored playlist.
bool ShowPlaylist(QListWidget* list);

}  // namespace ListControl
