// Adding 5000 tagged MP3s as the add-files dialog and a drop add them: how long the UI thread is
// held at a time, and how much CPU it takes until every title and singer read from the files is
// in the stored playlist. See bench/README.md.
#include <sys/resource.h>
#include <taglib/fileref.h>
#include <taglib/tag.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTimer>
#include <algorithm>
#include <cstdio>

#include "catalog/list_control.h"
#include "platform/app_path.h"
#include "playback/media_player.h"
#include "playback/playback_controller.h"
#include "state/shared_state.h"

namespace {

constexpr int kFiles = 5000;

// A player that plays nothing: only the playlist's side is measured.
class SilentPlayer : public MediaPlayer {
 public:
  void setURL(const QString& url) override { url_ = url; }
  QString URL() const override { return url_; }
  int playState() const override { return wmppsUndefined; }

 protected:
  void DoPlay() override {}
  void DoPause() override {}
  void DoStop() override {}
  double Position() const override { return 0; }
  void Seek(double) override {}
  double Duration() const override { return 0; }
  QString ItemInfo(const QString&) const override { return QString(); }
  int Volume() const override { return 50; }
  void SetVolume(int) override {}

 private:
  QString url_;
};

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

QString Title(int i) { return QString("歌曲%1").arg(i, 4, 10, QChar('0')); }

// kFiles copies of a 3 s MP3, each with its own title, made once.
QStringList MakeFiles(const QString& folder) {
  QDir().mkpath(folder);
  const QString tone = folder + "/tone.mp3";
  if (!QFile::exists(tone))
    QProcess::execute("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i", "sine=d=3", "-c:a",
                                 "libmp3lame", "-b:a", "128k", "-id3v2_version", "3", tone});
  QStringList files;
  for (int i = 0; i < kFiles; ++i) {
    const QString file = QString("%1/t%2.mp3").arg(folder).arg(i, 4, 10, QChar('0'));
    if (!QFile::exists(file)) {
      QFile::copy(tone, file);
      TagLib::FileRef ref(QFile::encodeName(file).constData());
      ref.tag()->setTitle(TagLib::String(Title(i).toStdString(), TagLib::String::UTF8));
      ref.tag()->setArtist(TagLib::String("白云飞", TagLib::String::UTF8));
      ref.save();
    }
    files << file;
  }
  return files;
}

int StoredTitles() {
  QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "check");
  db.setDatabaseName(ListControl::UserDatabaseFile());
  int count = -1;
  if (db.open()) {
    QSqlQuery query("select count(*) from NUser where Title like '歌曲%' and author='白云飞'", db);
    if (query.next()) count = query.value(0).toInt();
  }
  return count;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const QString work = QDir::currentPath() + "/add-bench";
  const QStringList files = MakeFiles(work + "/media");
  QDir(work + "/app/data").removeRecursively();
  QDir().mkpath(work + "/app/data");
  SetAppPath(work + "/app");
  PlaylistLoaded = true;
  SilentPlayer player;
  QListWidget list;
  PlaybackController controller(player, list, /*makeCurrent=*/nullptr);

  // The UI thread's longest pause: a timer that wants to run every millisecond.
  QElapsedTimer clock, sinceTick;
  qint64 longestMs = 0, addMs = 0, firstMs = -1;
  QTimer probe;
  probe.setTimerType(Qt::PreciseTimer);
  QObject::connect(&probe, &QTimer::timeout, [&] {
    const qint64 pause = sinceTick.restart();
    if (firstMs < 0)
      firstMs = pause;  // the add itself
    else
      longestMs = std::max(longestMs, pause);
    if (Playlist[kFiles - 1].Title == Title(kFiles - 1)) app.quit();
  });
  QTimer::singleShot(0, [&] {
    const double cpu = CpuSeconds();
    clock.start();
    sinceTick.start();
    probe.start(1);
    controller.AddFiles(files);
    addMs = clock.elapsed();
    QObject::connect(&app, &QCoreApplication::aboutToQuit, [&, cpu] {
      std::printf(
          "%d MP3s added: the add itself held the UI thread %lld ms (first tick after %lld "
          "ms); every tag read and stored after %lld ms, %.2f s of CPU; longest UI-thread "
          "stall after the add %lld ms\n",
          kFiles, addMs, firstMs, clock.elapsed(), CpuSeconds() - cpu, longestMs);
    });
  });
  app.exec();
  const int stored = StoredTitles();
  std::printf("stored with their tags: %d of %d\n", stored, kFiles);
  return stored == kFiles ? 0 : 1;
}
