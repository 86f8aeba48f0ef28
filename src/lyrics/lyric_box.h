#pragma once

#include <QString>

// The main window's lyric box (MainForm().Text2).
namespace Lyrics {

// Shows "歌词" and the lyric in the lyric box. A lyric with time tags shows its lines without
// the tags, and while its entry plays the line being sung is marked and kept in view; this
// goes on until something else is written into the box.
void ShowLyric(const QString& lyric);

// Marks the line for the player's position now. A timer calls it while a timed lyric shows.
void FollowPlayer();

// The index of the marked line of the shown timed lyric, -1 when none is marked.
int MarkedLine();

}  // namespace Lyrics
