#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QThreadPool>
#include <atomic>
#include <optional>

// What local files say of themselves, read with TagLib: no pipeline, no sound system. Every
// function here may run on any thread. A path is a local path, or a file:// address whose
// bytes name the file (a name that is not UTF-8).
//
// Text that declares no character set (ID3v1, ID3v2 frames marked ISO-8859-1) is read as
// LegacyText::Decode reads it with the encodings given, as the player reads such tags.
namespace SongTags {

struct Tags {
  QString title;
  QString artist;
  double seconds = 0;  // 0 when the file does not say
};

// The file's title, artist and length; nothing when it is no media file TagLib can read.
std::optional<Tags> Read(const QString& path, const QStringList& encodings);

// The lyric kept in the file: ID3v2 USLT, or a LYRICS or UNSYNCEDLYRICS comment (Vorbis,
// FLAC and the like); "" when there is none.
QString EmbeddedLyric(const QString& path, const QStringList& encodings);

// The lyric of a ".lrc" file beside the file with the same base name, either name in any
// case; UTF-8 with or without a byte-order mark, else in the first of encodings that reads it
// whole. "" when there is none (or it is too large to be a lyric).
QString LyricFileBeside(const QString& path, const QStringList& encodings);

}  // namespace SongTags

// Reads the tags of added files on a thread of its own and hands each batch back whole, on
// the thread it lives on; batches are read in the order given.
class TagReader : public QObject {
  Q_OBJECT

 public:
  struct File {
    QString path;
    int row;  // where it stood in the playlist when it was given
  };
  struct Result {
    File file;
    SongTags::Tags tags;
  };

  explicit TagReader(QObject* parent = nullptr);
  // Cuts short the batch being read and waits for it; nothing more is handed back.
  ~TagReader() override;

  void Read(const QList<File>& files, const QStringList& encodings);

 signals:
  // The files of one batch that could be read.
  void BatchRead(const QList<TagReader::Result>& results);

 private:
  QThreadPool pool_;
  std::atomic<bool> stopping_ = false;
};
