#include "support/test_media.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QStringEncoder>
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
             const QString& title, const QString& artist, const QString& lyric) {
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
  if (!lyric.isEmpty())
    args << "-metadata"
         << "LYRICS=" + lyric;
  static const QHash<QString, QStringList> kCodecs{
      {"mp3", {"-c:a", "libmp3lame", "-b:a", "128k", "-id3v2_version", "3"}},
      {"wma", {"-c:a", "wmav2", "-b:a", "128k"}},
      {"flac", {"-c:a", "flac"}},
      {"ogg", {"-c:a", "libvorbis"}},
      {"opus", {"-c:a", "libopus"}},
      {"m4a", {"-c:a", "aac"}},
      {"wv", {"-c:a", "wavpack"}}};
  args << kCodecs.value(format, {"-c:a", "pcm_s16le"});
  args << path;
  const bool made = Run("ffmpeg", args);
  QFile::remove(raw);
  return made ? path : QString();
}

QString Id3Tagged(const QString& name, double seconds, int frequency, const QString& title,
                  const QString& artist, const char* codec, bool id3v1, const QString& lyric) {
  QFile tone(Tone(name + "_untagged", "mp3", seconds, frequency));
  if (!tone.open(QIODevice::ReadOnly)) return QString();
  QByteArray audio = tone.readAll();
  int size = 0;  // of the encoder's own ID3v2 tag, which goes
  for (int i = 6; i < 10; ++i) size = size << 7 | (audio[i] & 0x7f);
  audio.remove(0, 10 + size);
  const bool utf16 = qstrcmp(codec, "UTF-16") == 0;
  const auto text = [&](const QString& value) {  // with the frame's encoding byte in front
    QStringEncoder encoder(utf16 ? "UTF-16LE" : codec);
    return QByteArray(utf16 ? "\x01\xff\xfe" : "\x00", utf16 ? 3 : 1) + QByteArray(encoder(value));
  };
  QByteArray tag = "TAG" + text(title).mid(1).leftJustified(30, 0) +
                   text(artist).mid(1).leftJustified(30, 0) + QByteArray(64, 0) + char(0xff);
  if (!id3v1) {
    tag = QByteArray("ID3\x03\x00\x00\x00\x00\x00\x00", 10);
    // A lyric's frame: encoding, language, an empty description, the text.
    const QByteArray uslt = lyric.isEmpty() ? QByteArray() : text(lyric).insert(1, "chi\0", 4);
    for (const auto& [id, value] : {std::pair{"TIT2", text(title)}, std::pair{"TPE1", text(artist)},
                                    std::pair{"USLT", uslt}}) {
      if (value.isEmpty()) continue;
      tag += id;
      Be32(tag, int(value.size()));
      tag += QByteArray(2, 0) + value;
    }
    for (int i = 0; i < 4; ++i) tag[9 - i] = char(((tag.size() - 10) >> (7 * i)) & 0x7f);
  }
  const QString path = QDir(Folder()).filePath(name + ".mp3");
  QFile out(path);
  const QByteArray file = id3v1 ? audio + tag : tag + audio;
  return out.open(QIODevice::WriteOnly) && out.write(file) == file.size() ? path : QString();
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
