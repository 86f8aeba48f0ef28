#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

class MediaPlayer;
class QWidget;

// The media operations: the only code that drives the player and the only code that adds
// entries to the playlist or removes them. Each operation but AddSongToList reports its own
// failure with a message and returns false (or -1 for numbers).
namespace Media {

// Lets the user choose local files and appends them (Web = 1).
bool AddLocalFiles(QWidget* dialogParent);
// Appends local files in the given order, as AddLocalFiles does with the chosen ones; a
// playlist file adds its entries (see PlaylistFile::Expand), all stored at once. Files left
// out are reported in one message.
bool AddFiles(const QStringList& files);
// A local file of a type AddLocalFiles offers (playlist files too), judged by its name.
bool IsMediaFile(const QString& path);
// Appends a catalog or search song. Title and singer come from the catalog lists or the
// search list, as AddSource says. Throws std::out_of_range when the playlist is full; the
// caller handles it.
bool AddSongToList(const QString& url);
// Plays the entry at CurrentIndex (or resumes what is paused) and starts the lyric timer.
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
bool GetMediaInfo(MediaPlayer& player);
// Removes the entry at CurrentIndex; stops it first when it is the one playing.
void DeleteSong();
// Empties the playlist.
void DeleteAllSongs();

// Round to the nearest whole number, halves to even.
int32_t RoundHalfEven(double value);

}  // namespace Media
