#include "playback/controller.h"

#include "playback/media_player.h"

namespace Controller {

std::optional<QString> OpenStateText(int state) {
  switch (state) {
    case 0:
      return QString("已经关闭");
    case 1:
      return QString("正在装入ASX文件");
    case 2:
      return QString("正在装入NSC文件");
    case 3:
      return QString("正在寻找Media Server");
    case 4:
      return QString("正在与Media Server建立连接");
    case 5:
      return QString("正在打开或侦听流信息 ");
    case 6:
      return QString("流信息已经打开");
    default:
      return std::nullopt;
  }
}

QString BufferingText(bool start, const QString& lyric) {
  const QString lyricText = "歌词：\r\n" + lyric;
  return start ? "正在缓冲，请稍后...\r\n" + lyricText : lyricText;
}

bool AtEndOfSong(int playState, double duration, double position) {
  return playState == MediaPlayer::wmppsPlaying && duration > 0 && position > duration - 1;
}

std::optional<QString> MediaServerBaseFrom(const QString& script) {
  const QStringList pieces = script.split('"');
  if (pieces.size() < 2) return std::nullopt;
  QString base = pieces[1];
  while (base.startsWith(' ')) base.remove(0, 1);
  while (base.endsWith(' ')) base.chop(1);
  return base;
}

std::optional<QString> RepairedPath(const QString& path, const QString& placeholder,
                                    const QString& serverBase) {
  if (placeholder.isEmpty() || serverBase.isEmpty()) return std::nullopt;
  QString repaired = path;
  repaired.replace(placeholder, serverBase, Qt::CaseSensitive);
  if (repaired == path) return std::nullopt;
  return repaired;
}

}  // namespace Controller
