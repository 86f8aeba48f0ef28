#include "playback/media_player.h"

#include <cmath>

QString FormatPosition(double seconds) {
  const long total = seconds > 0 ? static_cast<long>(std::floor(seconds)) : 0;
  return QString("%1:%2").arg(total / 60, 2, 10, QChar('0')).arg(total % 60, 2, 10, QChar('0'));
}

QString MediaPlayer::Controls::currentPositionString() const {
  return FormatPosition(p.Position());
}
