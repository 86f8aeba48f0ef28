#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

class MediaPlayer;
class QListWidget;
class QWidget;

// The media operations: the only code that drives the player and the only code that adds
// entries to the playlist or removes them. Each operation but AddSongToList reports its own
// failure with a message and returns false (or -1 for numbers). Those that change the
// playlist redraw and store it through the playlist box they are given.
namespace Media {

// Lets the user choose local files and appends them (Web = 1).
bool AddLocalFiles(QWidget* dialogParent, QListWidget* list);
// Appends local files in the given order, as AddLocalFiles does with the chosen ones; a
// playlist file adds its entries (see PlaylistFile::Expand), all stored at once. Files left
// out are reported in one message.
bool AddFiles(const QStringList& files, QListWidget* list);
// A local file of a type AddLocalFiles offers (playlist files too), judged by its name.
bool IsMediaFile(const QString& path);
// Appends a catalog or search song with its title and singer. False, adding nothing, when
// the playlist is full.
bool AddSongToList(const QString& url, const QString& title, const QString& author,
                   QListWidget* list);
// Plays the entry at CurrentIndex (or resumes what is paused).
bool PlayMedia(MediaPlayer& player);
void PauseMedia(MediaPlayer& player);
bool StopMedia(MediaPlayer& player);
// Whole seconds; 0 when not playing.
int32_t GetMediaPosition(MediaPlayer& player);
// Whole seconds, also written into the entry's Length; 0 when not playing.
int32_t GetMediaLength(MediaPlayer& player, int16_t& index);
bool SetMediaPosition(MediaPlayer& player, int32_t seconds);
int32_t GetVolume(MediaPlayer& player);
bool SetVolume(MediaPlayer& player, int32_t volume);
// Copies the player's length (and, for a local file, its title and artist) into the entry
// whose address the player has loaded, whichever row is selected, then redraws and stores
// the list.
bool GetMediaInfo(MediaPlayer& player, QListWidget* list);
// Removes the entry at CurrentIndex. When its row is selected, leaving is called first (its
// lyric transfer is of no use any more) and the entry is stopped if it is the one playing.
void DeleteSong(MediaPlayer& player, QListWidget* list, const std::function<void()>& leaving);
// Empties the playlist; as DeleteSong when the current row is selected.
void DeleteAllSongs(MediaPlayer& player, QListWidget* list, const std::function<void()>& leaving);

// Round to the nearest whole number, halves to even.
int32_t RoundHalfEven(double value);

}  // namespace Media
