#pragma once

#include <QString>

struct SongRecord;

// The texts of the now-playing label.
namespace NowPlaying {

// Minutes and seconds of a Length text; a Length that is empty or not a number is 0 and 0.
void LengthParts(const QString& length, int* minutes, int* seconds);

// Title, singer and length of an entry, one per line.
QString SongText(const SongRecord& song);

// SongText and the player's current time.
QString PlayingText(const SongRecord& song, const QString& positionString);

}  // namespace NowPlaying
