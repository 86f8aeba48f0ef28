#include "lyrics/synced_lyric.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>

int SyncedLyric::LineAt(double seconds) const {
  const auto after = std::upper_bound(lines.begin(), lines.end(), seconds,
                                      [](double s, const Line& line) { return s < line.seconds; });
  return int(after - lines.begin()) - 1;
}

std::optional<SyncedLyric> ParseSyncedLyric(const QString& lyric) {
  static const QRegularExpression timeTag(R"(\s*\[(\d{1,3}):(\d{1,2})(?:[.:](\d{1,3}))?\])");
  static const QRegularExpression lineEnd(R"(\r\n|\r|\n)");
  SyncedLyric synced;
  for (const QString& raw : lyric.split(lineEnd)) {
    QList<double> times;
    qsizetype rest = 0;
    for (QRegularExpressionMatch m = timeTag.match(raw, rest, QRegularExpression::NormalMatch,
                                                   QRegularExpression::AnchorAtOffsetMatchOption);
         m.hasMatch(); m = timeTag.match(raw, rest, QRegularExpression::NormalMatch,
                                         QRegularExpression::AnchorAtOffsetMatchOption)) {
      const QString fraction = m.captured(3);
      double seconds = m.captured(1).toInt() * 60 + m.captured(2).toInt();
      if (!fraction.isEmpty()) seconds += fraction.toInt() / std::pow(10.0, fraction.size());
      times << seconds;
      rest = m.capturedEnd();
    }
    const QString text = raw.mid(rest).trimmed();
    for (double seconds : times) synced.lines << SyncedLyric::Line{seconds, text};
  }
  if (synced.lines.isEmpty()) return std::nullopt;
  std::stable_sort(
      synced.lines.begin(), synced.lines.end(),
      [](const SyncedLyric::Line& a, const SyncedLyric::Line& b) { return a.seconds < b.seconds; });
  return synced;
}
