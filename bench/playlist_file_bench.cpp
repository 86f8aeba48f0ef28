// Adding a 5000-entry M3U to an empty playlist, as the add-files dialog adds it: from the call
// until the list shows every entry and the stored playlist holds them.
//   playlist_file_bench [rounds=7]
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

#include "catalog/list_control.h"
#include "platform/app_path.h"
#include "platform/msgbox.h"
#include "playback/legacy_text.h"
#include "playback/media.h"
#include "playback/playlist_file.h"
#include "state/shared_state.h"

namespace {

constexpr int kEntries = 5000;

int StoredRows() {
  int rows = -1;
  {
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "bench-check");
    db.setDatabaseName(ListControl::UserDatabaseFile());
    QSqlQuery query(db);
    if (db.open() && query.exec("select count(*) from NUser") && query.next())
      rows = query.value(0).toInt();
  }
  QSqlDatabase::removeDatabase("bench-check");
  return rows;
}

double Median(QList<double> values) {
  std::sort(values.begin(), values.end());
  return values.isEmpty() ? 0 : values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 7;
  QTemporaryDir dir;
  QDir(dir.path()).mkpath("data");
  QDir(dir.path()).mkpath("music");
  SetAppPath(dir.path());
  SetMsgBoxHandler([](const QString& text, const QString&, int) {
    std::fprintf(stderr, "message box: %s\n", qUtf8Printable(text));
    return 1;
  });
  // Songs in the playlist's folder, named relative to it, with #EXTINF titles: the shape of a
  // list a player writes.
  QByteArray m3u = "#EXTM3U\n";
  for (int i = 0; i < kEntries; ++i) {
    const QString name = QString("%1 - 第%2首.mp3").arg(i % 300).arg(i);
    QFile(dir.filePath("music/" + name)).open(QIODevice::WriteOnly);
    m3u += QString("#EXTINF:215,歌手%1 - 歌曲%2\n%3\n").arg(i % 300).arg(i).arg(name).toUtf8();
  }
  const QString list = dir.filePath("music/list.m3u");
  QFile file(list);
  if (!file.open(QIODevice::WriteOnly) || file.write(m3u) != m3u.size()) return 1;
  file.close();

  QListWidget shown;
  shown.resize(242, 174);
  shown.show();
  PlaylistLoaded = true;
  QList<double> expand, add;
  for (int round = 0; round < rounds; ++round) {
    QElapsedTimer timer;
    timer.start();
    const PlaylistFile::Expansion found =
        PlaylistFile::Expand({list}, LegacyText::FallbackEncodings());
    expand << timer.nsecsElapsed() / 1e6;
    if (found.entries.size() != kEntries) return 1;

    Playlist.Clear();
    PlaylistCount = 0;
    QCoreApplication::processEvents();
    timer.restart();
    Media::AddFiles({list}, &shown);
    QCoreApplication::processEvents();  // the list repaints
    add << timer.nsecsElapsed() / 1e6;
    if (shown.count() != kEntries || StoredRows() != kEntries) {
      std::fprintf(stderr, "round %d: %d shown, %d stored\n", round, int(shown.count()),
                   StoredRows());
      return 1;
    }
  }
  std::printf(
      "%d entries, median of %d rounds: reading the M3U %.1f ms; AddFiles until shown "
      "and stored %.1f ms\n",
      kEntries, rounds, Median(expand), Median(add));
  return 0;
}
