#include "playback/playlist_file.h"

#include <dirent.h>
#include <sys/stat.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QUrl>

#include "playback/legacy_text.h"
#include "state/shared_state.h"

namespace PlaylistFile {

namespace {

// Playlists listing playlists are followed this deep, no further.
constexpr int kMaxDepth = 3;
// A list of every slot's file with long paths is a fraction of this.
constexpr qint64 kMaxListBytes = 16 << 20;
// One more than the playlist holds, so that the caller can tell when they do not fit.
constexpr qsizetype kMaxEntries = PlaylistArray::kSlots + 1;
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

// A playlist file's lines, each as its bytes and as text. A file that is UTF-8 as a whole is
// read as UTF-8; any other in the code page, every line of it.
class LineReader {
 public:
  LineReader(QIODevice& device, const QString& suffix, const QStringList& encodings)
      : device_(device),
        encodings_(encodings),
        utf8_(suffix == "m3u8" || device.peek(kMaxListBytes).isValidUtf8()) {}

  bool Next() {
    if (device_.atEnd()) return false;
    bytes = device_.readLine().trimmed();
    if (first_ && bytes.startsWith("\xef\xbb\xbf")) {
      bytes.remove(0, 3);
      utf8_ = true;
    }
    first_ = false;
    text = utf8_ ? QString::fromUtf8(bytes) : LegacyText::DecodeInCodePage(bytes, encodings_);
    return true;
  }

  QByteArray bytes;
  QString text;

 private:
  QIODevice& device_;
  const QStringList& encodings_;
  bool utf8_;
  bool first_ = true;
};

// A file that its bytes name, and its text does not.
bool OnlyItsBytesName(const Entry& entry) {
  return !entry.onDisk.isEmpty() && entry.onDisk != QFile::encodeName(entry.path) &&
         IsFileOnDisk(entry.onDisk);
}

class Expander {
 public:
  explicit Expander(const QStringList& encodings) : encodings_(encodings) {}

  bool Full() const { return found.entries.size() >= kMaxEntries; }

  void Add(const Entry& entry, int depth) {
    if (Full()) return;
    if (entry.network) {
      found.entries << entry;
    } else if (IsPlaylist(entry.path) && QFileInfo(entry.path).isFile()) {
      AddList(entry.path, depth);
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
  void AddList(const QString& path, int depth) {
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    if (opened_.contains(canonical)) return;
    if (depth >= kMaxDepth) {
      found.tooDeep << path;
      return;
    }
    if (info.size() > kMaxListBytes) {
      found.tooLarge << path;
      return;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
      found.missing << path;
      return;
    }
    opened_.insert(canonical);
    Parse(file, info.absolutePath(), info.suffix().toLower(), encodings_, [&](const Entry& listed) {
      Add(listed, depth + 1);
      return !Full();
    });
  }

  const QStringList& encodings_;
  QSet<QString> opened_;  // the lists read in this expansion
};

}  // namespace

bool IsPlaylist(const QString& path) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  return suffix == "m3u" || suffix == "m3u8" || suffix == "pls";
}

void Parse(QIODevice& device, const QString& folder, const QString& suffix,
           const QStringList& encodings, const std::function<bool(const Entry&)>& take) {
  LineReader line(device, suffix, encodings);
  if (suffix == "pls") {
    static const QRegularExpression key("^\\s*(File|Title)(\\d+)\\s*=",
                                        QRegularExpression::CaseInsensitiveOption);
    QMap<int, std::pair<QByteArray, QString>> files;  // number -> bytes, text
    QMap<int, QString> titles;
    while (line.Next()) {
      const QRegularExpressionMatch m = key.match(line.text);
      if (!m.hasMatch()) continue;
      const QString value = line.text.mid(m.capturedLength()).trimmed();
      if (m.captured(1).compare("File", Qt::CaseInsensitive) == 0)
        files[m.captured(2).toInt()] = {line.bytes.mid(line.bytes.indexOf('=') + 1).trimmed(),
                                        value};
      else
        titles[m.captured(2).toInt()] = value;
    }
    for (auto it = files.cbegin(); it != files.cend(); ++it)
      if (!take(Locate(it->second, it->first, folder, titles.value(it.key())))) return;
    return;
  }
  QString title;
  while (line.Next()) {
    const QString text = line.text.trimmed();
    if (text.startsWith("#EXTINF:", Qt::CaseInsensitive)) {
      title = text.section(',', 1).trimmed();
    } else if (!text.isEmpty() && !text.startsWith('#')) {
      if (!take(Locate(text, line.bytes, folder, title))) return;
      title.clear();
    }
  }
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
    if (expander.Full()) break;
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
    lines << QCoreApplication::translate("PlaylistFile", "%n 个文件不存在，已跳过。", nullptr,
                                         int(expansion.missing.size()));
  const auto named = [&](const QString& heading, const QStringList& names) {
    if (names.isEmpty()) return;
    lines << heading;
    lines += names.mid(0, kNamesShown);
    if (names.size() > kNamesShown)
      lines << QCoreApplication::translate("PlaylistFile", "……共 %1 个").arg(names.size());
  };
  named(QCoreApplication::translate("PlaylistFile",
                                    "以下文件的名称不是 UTF-8 编码，无法播放，请改名后再添加："),
        expansion.refused);
  named(QCoreApplication::translate("PlaylistFile", "以下播放列表嵌套超过 %1 层，未读取：")
            .arg(kMaxDepth),
        expansion.tooDeep);
  named(QCoreApplication::translate("PlaylistFile", "以下播放列表文件大于 %1 MB，未读取：")
            .arg(kMaxListBytes >> 20),
        expansion.tooLarge);
  return lines.join('\n');
}

}  // namespace PlaylistFile
