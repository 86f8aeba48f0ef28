#include "support/test_media.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

namespace TestMedia {

namespace {

bool Run(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.start(program, arguments);
  if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
      process.exitCode() != 0) {
    std::fprintf(stderr, "%s failed: %s\n", qUtf8Printable(program),
                 process.readAllStandardError().constData());
    return false;
  }
  return true;
}

void Be16(QByteArray& out, int v) {
  out.append(char((v >> 8) & 0xff));
  out.append(char(v & 0xff));
}

void Be32(QByteArray& out, int v) {
  Be16(out, (v >> 16) & 0xffff);
  Be16(out, v & 0xffff);
}

}  // namespace

QString Folder() {
  static QTemporaryDir dir;
  return dir.path();
}

QString Tone(const QString& name, const QString& format, double seconds, int frequency,
             const QString& title, const QString& artist) {
  const QString path = QDir(Folder()).filePath(name + "." + format);
  if (QFile::exists(path)) return path;
  const QString raw = QDir(Folder()).filePath(name + ".raw.wav");
  if (!Run("sox", {"-n", "-r", "44100", "-c", "2", "-b", "16", raw, "synth",
                   QString::number(seconds), "sine", QString::number(frequency), "vol", "0.5"}))
    return QString();
  QStringList args{"-v", "error", "-y", "-i", raw};
  if (!title.isEmpty())
    args << "-metadata"
         << "title=" + title;
  if (!artist.isEmpty())
    args << "-metadata"
         << "artist=" + artist;
  if (format == "mp3")
    args << "-c:a"
         << "libmp3lame"
         << "-b:a"
         << "128k"
         << "-id3v2_version"
         << "3";
  else if (format == "wma")
    args << "-c:a"
         << "wmav2"
         << "-b:a"
         << "128k";
  else
    args << "-c:a"
         << "pcm_s16le";
  args << path;
  const bool made = Run("ffmpeg", args);
  QFile::remove(raw);
  return made ? path : QString();
}

QString Midi(const QString& name, int quarterNotes) {
  const QString path = QDir(Folder()).filePath(name + ".mid");
  QByteArray track;
  // Tempo: 500000 microseconds a quarter note (120 bpm); piano.
  track.append("\x00\xff\x51\x03\x07\xa1\x20", 7);
  track.append("\x00\xc0\x00", 3);
  static const int kNotes[] = {60, 64, 67, 72};
  for (int i = 0; i < quarterNotes; ++i) {
    const char note = static_cast<char>(kNotes[i % 4]);
    track.append('\x00');
    track.append('\x90');
    track.append(note);
    track.append('\x64');
    // Delta of 480 ticks (one quarter) as a variable-length number: 0x83 0x60.
    track.append('\x83');
    track.append('\x60');
    track.append('\x80');
    track.append(note);
    track.append('\x40');
  }
  track.append("\x00\xff\x2f\x00", 4);
  QByteArray file("MThd");
  Be32(file, 6);
  Be16(file, 0);    // format 0
  Be16(file, 1);    // one track
  Be16(file, 480);  // ticks per quarter note
  file.append("MTrk");
  Be32(file, static_cast<int>(track.size()));
  file.append(track);
  QFile out(path);
  if (!out.open(QIODevice::WriteOnly) || out.write(file) != file.size()) return QString();
  return path;
}

}  // namespace TestMedia
