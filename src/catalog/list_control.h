#pragma once

#include <QString>

class QListWidget;

// The stored playlist (data/user.dll, table NUser) and its list box.
namespace ListControl {

// The user database in the application folder.
QString UserDatabaseFile();

// Rewrites NUser from the playlist, all in one transaction: a failed save leaves the stored
// playlist as it was. A missing user database is created. Failures are silent.
void SavePlaylist();

// Fills the playlist from NUser, in stored order, and sets PlaylistCount. Failures are
// silent and leave PlaylistCount as it was.
void LoadPlaylist();

// Refills list from the playlist (reading the stored playlist on the first call of a run),
// keeps the selected position, and saves. False, with a message, if the list could not be
// rebuilt.
bool ShowPlaylist(QListWidget* list);

}  // namespace ListControl
