#include "lyrics/synced_lyric.h"

#include <algorithm>
#include <cmath>

int SyncedLyric::LineAt(double seconds) const {
  const auto after = std::upper_bound(lines.begin(), lines.end(), seconds,
                                      [](double s, const Line& line) { return s < line.seconds; });
  return int(after - lines.begin()) - 1;
}

namespace {

bool IsDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// Reads a run of at most `most` digits at `at`; -1 when there is none or the run is longer.
int Digits(QStringView line, qsizetype& at, int most, int* count = nullptr) {
  const qsizetype start = at;
  int value = 0;
  while (at < line.size() && IsDigit(line[at]) && at - start <= most)
    value = value * 10 + (line[at++].unicode() - u'0');
  const int n = int(at - start);
  if (count) *count = n;
  return n == 0 || n > most ? -1 : value;
}

// Reads spaces and one time tag "[m:ss]", "[m:ss.ff]" or "[m:ss:ff]" at `at`, and moves past
// them; nothing when no tag stands there. Each character is looked at once.
std::optional<double> TimeTag(QStringView line, qsizetype& at) {
  qsizetype i = at;
  while (i < line.size() &&
         (line[i] == u' ' || line[i] == u'\t' || line[i] == u'\v' || line[i] == u'\f'))
    ++i;
  if (i >= line.size() || line[i++] != u'[') return std::nullopt;
  const int minutes = Digits(line, i, 3);
  if (minutes < 0 || i >= line.size() || line[i++] != u':') return std::nullopt;
  const int secs = Digits(line, i, 2);
  if (secs < 0 || i >= line.size()) return std::nullopt;
  double seconds = minutes * 60 + secs;
  if (line[i] == u'.' || line[i] == u':') {
    int places = 0;
    const int fraction = Digits(line, ++i, 3, &places);
    if (fraction < 0) return std::nullopt;
    seconds += fraction / std::pow(10.0, places);
  }
  if (i >= line.size() || line[i++] != u']') return std::nullopt;
  at = i;
  return seconds;
}

std::optional<SyncedLyric> Parse(const QString& lyric) {
  SyncedLyric synced;
  QStringView rest(lyric);
  while (!rest.isNull()) {
    // Lines end at CR LF, CR or LF.
    qsizetype end = 0;
    while (end < rest.size() && rest[end] != u'\r' && rest[end] != u'\n') ++end;
    const QStringView raw = rest.first(end);
    if (end == rest.size()) {
      rest = QStringView();
    } else {
      const bool crlf = rest[end] == u'\r' && end + 1 < rest.size() && rest[end + 1] == u'\n';
      rest = rest.sliced(end + (crlf ? 2 : 1));
    }
    QList<double> times;
    qsizetype at = 0;
    while (const std::optional<double> seconds = TimeTag(raw, at)) times << *seconds;
    if (times.isEmpty()) continue;
    const QString text = raw.sliced(at).trimmed().toString();
    for (double seconds : times) synced.lines << SyncedLyric::Line{seconds, text};
  }
  if (synced.lines.isEmpty()) return std::nullopt;
  std::stable_sort(
      synced.lines.begin(), synced.lines.end(),
      [](const SyncedLyric::Line& a, const SyncedLyric::Line& b) { return a.seconds < b.seconds; });
  return synced;
}

}  // namespace

std::optional<SyncedLyric> ParseSyncedLyric(const QString& lyric) {
  // The same lyric is shown again and again (by each tick that shows it, after buffering):
  // the last one read is kept with its result.
  thread_local std::optional<QString> last;
  thread_local std::optional<SyncedLyric> parsed;
  if (last != lyric) {
    parsed = Parse(lyric);
    last = lyric;
  }
  return parsed;
}
