#pragma once

#include <QString>

class QListWidget;

// The stored playlist (data/user.dll, table NUser) and its list box.
namespace ListControl {

// The user database in the application folder.
QString UserDatabaseFile();

// The copy of a stored playlist that could not be read, made before it is first overwritten.
QString BackupFile();

// Rewrites NUser from the playlist, all in one transaction: a failed save leaves the stored
// playlist as it was. A missing user database is created. Failures are silent. After a failed
// read the stored file is first copied to BackupFile(); if that copy fails, nothing is saved.
void SavePlaylist();

// Fills the playlist from NUser, in stored order, and sets PlaylistCount. No stored playlist
// (no file, no table) reads as nothing. False when one is there but cannot be read whole (a
// damaged or locked file, a value that does not convert, more rows than slots);
// PlaylistCount is then left as it was.
bool LoadPlaylist();

// Refills list from the playlist (reading the stored playlist on the first call of a run),
// keeps the selected position, and saves. False, with a message, if the list could not be
// rebuilt. A stored playlist that could not be read is reported, and that call saves nothing;
// nor does it when the stored playlist already holds just what was read.
bool ShowPlaylist(QListWidget* list);

}  // namespace ListControl
