#pragma once

#include <QString>

// The main window's lyric box (MainForm().Text2).
namespace Lyrics {

// Shows "歌词" and the lyric in the lyric box.
void ShowLyric(const QString& lyric);

}  // namespace Lyrics
