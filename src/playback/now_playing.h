#pragma once

#include <QString>

class MediaPlayer;
struct SongRecord;

// The texts of the now-playing label.
namespace NowPlaying {

// Minutes and seconds of a Length text; a Length that is empty or not a number is 0 and 0.
void LengthParts(const QString& length, int* minutes, int* seconds);

// Title, singer and length of an entry, one per line.
QString SongText(const SongRecord& song);

// The entry as it plays: a live stream (a network address the player has loaded, with no
// length) that names what it sends now has that title, and its artist where it names one.
// Any other entry as it is. The stored entry is not changed.
SongRecord AsPlaying(const SongRecord& song, const MediaPlayer& player);

// SongText and the player's current time.
QString PlayingText(const SongRecord& song, const QString& positionString);

}  // namespace NowPlaying
