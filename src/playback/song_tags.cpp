#include "playback/song_tags.h"

#include <dirent.h>
#include <strings.h>
#include <taglib/fileref.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/tpropertymap.h>

#include <QFile>
#include <QStringDecoder>
#include <memory>
#include <mutex>

#include "playback/legacy_text.h"

namespace SongTags {

namespace {

// A .lrc larger than this is not a lyric.
constexpr qint64 kMaxLyricFileBytes = 1024 * 1024;

// The encodings of the file being read on this thread: TagLib's handlers are the process's.
thread_local QStringList readingEncodings;

TagLib::String FromQString(const QString& text) {
  return TagLib::String(text.toStdString(), TagLib::String::UTF8);
}

QString ToQString(const TagLib::String& text) { return QString::fromUtf8(text.toCString(true)); }

TagLib::String DecodeLegacy(const TagLib::ByteVector& data) {
  QByteArray bytes(data.data(), static_cast<qsizetype>(data.size()));
  if (const qsizetype end = bytes.indexOf('\0'); end >= 0) bytes.truncate(end);
  return FromQString(LegacyText::Decode(bytes, readingEncodings).trimmed());
}

class LegacyId3v1 : public TagLib::ID3v1::StringHandler {
 public:
  TagLib::String parse(const TagLib::ByteVector& data) const override { return DecodeLegacy(data); }
};

class LegacyId3v2 : public TagLib::ID3v2::Latin1StringHandler {
 public:
  TagLib::String parse(const TagLib::ByteVector& data) const override { return DecodeLegacy(data); }
};

// Opens a file with the legacy handlers in place for this thread's encodings.
std::unique_ptr<TagLib::FileRef> Open(const QString& path, const QStringList& encodings,
                                      bool audioProperties) {
  static std::once_flag installed;
  std::call_once(installed, [] {
    static const LegacyId3v1 id3v1;
    static const LegacyId3v2 id3v2;
    TagLib::ID3v1::Tag::setStringHandler(&id3v1);
    TagLib::ID3v2::Tag::setLatin1StringHandler(&id3v2);
  });
  readingEncodings = encodings;
  const QByteArray name = path.startsWith("file://")
                              ? QByteArray::fromPercentEncoding(path.mid(7).toUtf8())
                              : QFile::encodeName(path);
  auto file = std::make_unique<TagLib::FileRef>(name.constData(), audioProperties,
                                                TagLib::AudioProperties::Fast);
  if (file->isNull()) return nullptr;
  return file;
}

QString DecodeLyricFile(QByteArray bytes, const QStringList& encodings) {
  if (bytes.startsWith("\xef\xbb\xbf")) bytes.remove(0, 3);
  if (bytes.isValidUtf8()) return QString::fromUtf8(bytes);
  for (const QString& name : encodings) {
    QStringDecoder decoder(name.toLatin1().constData(), QStringDecoder::Flag::Stateless);
    if (!decoder.isValid()) continue;
    const QString text = decoder.decode(bytes);
    if (!decoder.hasError()) return text;
  }
  return QString::fromLatin1(bytes);
}

}  // namespace

std::optional<Tags> Read(const QString& path, const QStringList& encodings) {
  const std::unique_ptr<TagLib::FileRef> file = Open(path, encodings, /*audioProperties=*/true);
  if (!file || !file->file()) return std::nullopt;
  Tags tags;
  // The properties gather every kind of tag a file carries (a WAV file's RIFF INFO too).
  const TagLib::PropertyMap properties = file->file()->properties();
  const auto first = [&](const char* key) {
    const TagLib::StringList values = properties[key];
    return values.isEmpty() ? QString() : ToQString(values.front()).trimmed();
  };
  tags.title = first("TITLE");
  tags.artist = first("ARTIST");
  if (const TagLib::AudioProperties* audio = file->audioProperties())
    tags.seconds = audio->lengthInMilliseconds() / 1000.0;
  return tags;
}

QString EmbeddedLyric(const QString& path, const QStringList& encodings) {
  const std::unique_ptr<TagLib::FileRef> file = Open(path, encodings, /*audioProperties=*/false);
  if (!file || !file->file()) return QString();
  // An ID3v2 lyric with a description is "LYRICS:description".
  const TagLib::PropertyMap properties = file->file()->properties();
  for (const auto& [key, values] : properties) {
    const bool lyric = key == "LYRICS" || key.startsWith("LYRICS:") || key == "UNSYNCEDLYRICS";
    if (lyric && !values.isEmpty() && !values.front().isEmpty()) return ToQString(values.front());
  }
  return QString();
}

QString LyricFileBeside(const QString& path, const QStringList& encodings) {
  const QByteArray name = path.startsWith("file://")
                              ? QByteArray::fromPercentEncoding(path.mid(7).toUtf8())
                              : QFile::encodeName(path);
  const qsizetype slash = name.lastIndexOf('/');
  const QByteArray folder = slash < 0 ? QByteArray(".") : name.left(std::max<qsizetype>(slash, 1));
  const QByteArray file = name.mid(slash + 1);
  const qsizetype dot = file.lastIndexOf('.');
  const QByteArray wanted = (dot > 0 ? file.left(dot) : file) + ".lrc";
  QByteArray found;
  if (DIR* dir = opendir(folder.constData())) {
    while (const dirent* entry = readdir(dir)) {
      if (strcasecmp(entry->d_name, wanted.constData()) == 0) {
        found = folder + "/" + entry->d_name;
        break;
      }
    }
    closedir(dir);
  }
  if (found.isEmpty()) return QString();
  QFile lyric(QFile::decodeName(found));
  if (!lyric.open(QIODevice::ReadOnly) || lyric.size() > kMaxLyricFileBytes) return QString();
  return DecodeLyricFile(lyric.readAll(), encodings);
}

}  // namespace SongTags

TagReader::TagReader(QObject* parent) : QObject(parent) { pool_.setMaxThreadCount(1); }

TagReader::~TagReader() {
  stopping_ = true;
  pool_.clear();
  pool_.waitForDone();
}

void TagReader::Read(const QList<File>& files, const QStringList& encodings) {
  if (files.isEmpty()) return;
  pool_.start([this, files, encodings] {
    QList<Result> results;
    results.reserve(files.size());
    for (const File& file : files) {
      if (stopping_) return;
      if (const std::optional<SongTags::Tags> tags = SongTags::Read(file.path, encodings))
        results.append({file, *tags});
    }
    // Delivered on this object's thread; dropped if the object is gone by then.
    QMetaObject::invokeMethod(
        this, [this, results] { emit BatchRead(results); }, Qt::QueuedConnection);
  });
}
