#include "playback/now_playing.h"

#include <QCoreApplication>
#include <cmath>

#include "playback/media_player.h"
#include "state/shared_state.h"

namespace NowPlaying {

void LengthParts(const QString& length, int* minutes, int* seconds) {
  bool ok = false;
  const double total = length.trimmed().toDouble(&ok);
  if (!ok || !std::isfinite(total)) {
    *minutes = 0;
    *seconds = 0;
    return;
  }
  const double inMinutes = total / 60;
  *minutes = static_cast<int>(std::trunc(inMinutes));
  *seconds = static_cast<int>(std::nearbyint((inMinutes - *minutes) * 60));
}

QString SongText(const SongRecord& song) {
  int minutes = 0;
  int seconds = 0;
  LengthParts(song.Length, &minutes, &seconds);
  return QCoreApplication::translate("NowPlaying",
                                     "歌曲标题：%1\r\n艺术家：%2\r\n歌曲长度：%3分%4秒")
      .arg(song.ShownTitle(), song.Author, QString::number(minutes), QString::number(seconds));
}

SongRecord AsPlaying(const SongRecord& song, const MediaPlayer& player) {
  SongRecord playing = song;
  if (!song.Path.contains("://") || song.Path.startsWith("file:") || song.Path != player.URL() ||
      player.currentMedia.duration() > 0)
    return playing;
  const QString title = player.currentMedia.getItemInfo("Title");
  if (title.isEmpty()) return playing;
  playing.Title = title;
  if (const QString artist = player.currentMedia.getItemInfo("Author"); !artist.isEmpty())
    playing.Author = artist;
  return playing;
}

QString PlayingText(const SongRecord& song, const QString& positionString) {
  return SongText(song) + QCoreApplication::translate("NowPlaying", "\r\n当前时间：") +
         positionString;
}

}  // namespace NowPlaying
