#pragma once

#include <QList>
#include <QString>
#include <optional>

// A lyric whose lines carry time tags ("[01:02.50]line"), in the order they are sung.
struct SyncedLyric {
  struct Line {
    double seconds;
    QString text;
  };
  QList<Line> lines;

  // The index of the line being sung at seconds; -1 before the first line.
  int LineAt(double seconds) const;
};

// Reads the time tags of a lyric. A line with several tags is sung at each of them; tag-only
// lines such as "[ar:...]" and lines without a time are left out. Nothing when no line
// carries a time, so a plain lyric stays plain. Takes time in proportion to the lyric's length;
// asked again for the lyric it read last, it gives the same result without reading it again.
std::optional<SyncedLyric> ParseSyncedLyric(const QString& lyric);
