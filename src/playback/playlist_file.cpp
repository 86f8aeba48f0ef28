#include "playback/playlist_file.h"

#include <dirent.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>
#include <QUrl>

#include "playback/legacy_text.h"

namespace PlaylistFile {

namespace {

// Playlists listing playlists are followed this deep, no further (one may list itself).
constexpr int kMaxDepth = 3;
// The message names this many refused files at most.
constexpr int kNamesShown = 10;

bool IsFileOnDisk(const QByteArray& path) {
  struct stat info;
  return ::stat(path.constData(), &info) == 0 && S_ISREG(info.st_mode);
}

QString FileAddress(const QByteArray& path) {
  return "file://" + QString::fromLatin1(path.toPercentEncoding("/"));
}

bool IsNetworkAddress(const QString& text) {
  static const QRegularExpression scheme("^(https?|mms|mmsh)://",
                                         QRegularExpression::CaseInsensitiveOption);
  return scheme.match(text).hasMatch();
}

// One location written in a playlist: an address, a file:// address, or a path (absolute, or
// relative to the playlist's folder; Windows-made lists separate folders with "\").
Entry Locate(QString text, QByteArray raw, const QString& folder, const QString& title) {
  Entry entry;
  entry.title = title;
  if (IsNetworkAddress(text)) {
    entry.path = text;
    entry.network = true;
    return entry;
  }
  if (text.startsWith("file:", Qt::CaseInsensitive)) {
    const QUrl url(text);
    entry.path = url.toLocalFile();
    entry.onDisk = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    return entry;
  }
  if (!text.contains('/') && text.contains('\\')) {
    text.replace('\\', '/');
    raw.clear();  // a "\" byte may be half of a character: the bytes are not cut
  }
  const bool relative = !text.startsWith('/');
  entry.path = QDir::cleanPath(relative ? folder + '/' + text : text);
  if (!raw.isEmpty()) entry.onDisk = relative ? QFile::encodeName(folder) + '/' + raw : raw;
  return entry;
}

QString Decoded(const QByteArray& contents, const QString& suffix, const QStringList& encodings) {
  if (contents.startsWith("\xef\xbb\xbf")) return QString::fromUtf8(contents.mid(3));
  if (suffix == "m3u8") return QString::fromUtf8(contents);
  return LegacyText::Decode(contents, encodings);
}

// A file that its bytes name, and its text does not.
bool OnlyItsBytesName(const Entry& entry) {
  return !entry.onDisk.isEmpty() && entry.onDisk != QFile::encodeName(entry.path) &&
         IsFileOnDisk(entry.onDisk);
}

class Expander {
 public:
  explicit Expander(const QStringList& encodings) : encodings_(encodings) {}

  void Add(const Entry& entry, int depth) {
    if (entry.network) {
      found.entries << entry;
    } else if (IsPlaylist(entry.path) && QFileInfo(entry.path).isFile()) {
      if (depth >= kMaxDepth) return;
      QFile file(entry.path);
      if (!file.open(QIODevice::ReadOnly)) {
        found.missing << entry.path;
        return;
      }
      const QFileInfo info(entry.path);
      for (const Entry& listed :
           Parse(file.readAll(), info.absolutePath(), info.suffix().toLower(), encodings_))
        Add(listed, depth + 1);
    } else if (QFileInfo(entry.path).isFile()) {
      found.entries << entry;
    } else if (OnlyItsBytesName(entry) && !IsPlaylist(entry.path)) {
      Entry kept = entry;
      kept.path = FileAddress(entry.onDisk);
      kept.name =
          LegacyText::Decode(entry.onDisk.mid(entry.onDisk.lastIndexOf('/') + 1), encodings_);
      found.entries << kept;
    } else if (OnlyItsBytesName(entry)) {
      found.refused << LegacyText::Decode(entry.onDisk, encodings_);
    } else if (entry.path.contains(QChar::ReplacementCharacter)) {
      // Qt's text for a name that is not UTF-8: no file has it, and its bytes are lost.
      found.refused << entry.path;
    } else {
      found.missing << entry.path;
    }
  }

  Expansion found;

 private:
  const QStringList& encodings_;
};

}  // namespace

bool IsPlaylist(const QString& path) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  return suffix == "m3u" || suffix == "m3u8" || suffix == "pls";
}

QList<Entry> Parse(const QByteArray& contents, const QString& folder, const QString& suffix,
                   const QStringList& encodings) {
  const QStringList lines = Decoded(contents, suffix, encodings).split('\n');
  // A line feed is never part of a character in the code pages read here, so the file's
  // lines and the text's lines match.
  const QList<QByteArray> rawLines = contents.split('\n');
  const auto raw = [&](qsizetype i, qsizetype from) {
    return rawLines.size() == lines.size() ? rawLines[i].mid(from).trimmed() : QByteArray();
  };
  QList<Entry> entries;
  if (suffix == "pls") {
    static const QRegularExpression key("^\\s*(File|Title)(\\d+)\\s*=",
                                        QRegularExpression::CaseInsensitiveOption);
    QMap<int, std::pair<qsizetype, QString>> files;  // number -> line, title
    QMap<int, QString> titles;
    for (qsizetype i = 0; i < lines.size(); ++i) {
      const QRegularExpressionMatch m = key.match(lines[i]);
      if (!m.hasMatch()) continue;
      const QString value = lines[i].mid(m.capturedLength()).trimmed();
      if (m.captured(1).compare("File", Qt::CaseInsensitive) == 0)
        files[m.captured(2).toInt()] = {i, value};
      else
        titles[m.captured(2).toInt()] = value;
    }
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
      const auto [line, value] = it.value();
      const qsizetype from = rawLines.value(line).indexOf('=') + 1;
      entries << Locate(value, raw(line, from), folder, titles.value(it.key()));
    }
    return entries;
  }
  QString title;
  for (qsizetype i = 0; i < lines.size(); ++i) {
    const QString line = lines[i].trimmed();
    if (line.startsWith("#EXTINF:", Qt::CaseInsensitive)) {
      title = line.section(',', 1).trimmed();
    } else if (!line.isEmpty() && !line.startsWith('#')) {
      entries << Locate(line, raw(i, 0), folder, title);
      title.clear();
    }
  }
  return entries;
}

Expansion Expand(const QStringList& items, const QStringList& encodings) {
  Expander expander(encodings);
  for (const QString& item : items) {
    Entry entry;
    if (IsNetworkAddress(item) || item.startsWith("file:", Qt::CaseInsensitive))
      entry = Locate(item, QByteArray(), QString(), QString());
    else
      entry.path = QFileInfo(item).absoluteFilePath();
    expander.Add(entry, 0);
  }
  return expander.found;
}

QStringList FilesWithUndecodableNames(const QString& folder) {
  QStringList files;
  QList<QByteArray> folders{QFile::encodeName(folder)};
  while (!folders.isEmpty()) {
    const QByteArray path = folders.takeFirst();
    DIR* dir = ::opendir(path.constData());
    if (!dir) continue;
    while (const dirent* item = ::readdir(dir)) {
      if (item->d_name[0] == '.') continue;  // hidden, as Qt's walks leave them
      const QByteArray child = path + '/' + item->d_name;
      struct stat info;
      if (::lstat(child.constData(), &info) != 0) continue;
      if (S_ISDIR(info.st_mode))
        folders << child;
      else if (!child.isValidUtf8() && IsFileOnDisk(child))
        files << FileAddress(child);
    }
    ::closedir(dir);
  }
  return files;
}

QString ProblemText(const Expansion& expansion) {
  QStringList lines;
  if (!expansion.missing.isEmpty())
    lines << QString("%1 个文件不存在，已跳过。").arg(expansion.missing.size());
  if (!expansion.refused.isEmpty()) {
    lines << "以下文件的名称不是 UTF-8 编码，无法播放，请改名后再添加：";
    lines += expansion.refused.mid(0, kNamesShown);
    if (expansion.refused.size() > kNamesShown)
      lines << QString("……共 %1 个").arg(expansion.refused.size());
  }
  return lines.join('\n');
}

}  // namespace PlaylistFile
