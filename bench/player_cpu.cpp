// CPU and memory of the player while it plays an MP3 for 30 seconds.
//
//   build/bench/player_cpu [seconds]
//
// Sound goes to "fakesink sync=true" (real-time pace, no device needed) unless
// SONAVEIL_AUDIO_SINK names another sink. CPU time counts every thread of the process.
#include <sys/resource.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "playback/gst_media_player.h"

namespace {

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

bool MakeMp3(const QString& path, int seconds) {
  QProcess ffmpeg;
  // A chord with a slow tremolo: something for the decoder to do, unlike silence.
  ffmpeg.start("ffmpeg", {"-v",
                          "error",
                          "-y",
                          "-f",
                          "lavfi",
                          "-i",
                          QString("sine=frequency=440:duration=%1,volume=0.3").arg(seconds),
                          "-f",
                          "lavfi",
                          "-i",
                          QString("sine=frequency=554:duration=%1,volume=0.3").arg(seconds),
                          "-filter_complex",
                          "amix=inputs=2,tremolo=f=2",
                          "-ac",
                          "2",
                          "-ar",
                          "44100",
                          "-c:a",
                          "libmp3lame",
                          "-b:a",
                          "192k",
                          path});
  return ffmpeg.waitForFinished(120000) && ffmpeg.exitCode() == 0;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int seconds = argc > 1 ? QString(argv[1]).toInt() : 30;
  if (qEnvironmentVariableIsEmpty("SONAVEIL_AUDIO_SINK"))
    qputenv("SONAVEIL_AUDIO_SINK", "fakesink sync=true");
  QTemporaryDir dir;
  const QString file = dir.filePath("bench.mp3");
  if (!MakeMp3(file, seconds + 5)) {
    std::fprintf(stderr, "could not make the MP3 (ffmpeg)\n");
    return 1;
  }

  GstMediaPlayer player;
  double cpuAtStart = 0;
  QElapsedTimer wall;
  QObject::connect(&player, &MediaPlayer::Error, &app, [] {
    std::fprintf(stderr, "the player reported an error\n");
    QCoreApplication::exit(1);
  });
  // Measure from the moment it plays, so start-up costs stay out of the number.
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, &app, [&] {
    if (!wall.isValid() && player.playState() == MediaPlayer::wmppsPlaying) {
      cpuAtStart = CpuSeconds();
      wall.start();
      QTimer::singleShot(seconds * 1000, &app, [] { QCoreApplication::exit(0); });
    }
  });
  poll.start(10);
  player.setURL(file);
  const int code = app.exec();
  if (code != 0 || !wall.isValid()) return 1;

  const double cpu = CpuSeconds() - cpuAtStart;
  const double elapsed = wall.elapsed() / 1000.0;
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("played %.1f s: CPU %.2f s = %.2f %% of one core; peak RSS %.1f MiB\n", elapsed, cpu,
              100.0 * cpu / elapsed, usage.ru_maxrss / 1024.0);
  return 0;
}
