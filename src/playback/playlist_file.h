#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

// Playlist files (M3U, M3U8, PLS) and what a list of files, addresses and playlist files
// comes to when it is added: the add-files dialog, a drop and the command line share this.
namespace PlaylistFile {

struct Entry {
  QString path;          // local path or network address
  QString name;          // the name shown for it; "" for the last part of path
  QString title;         // the playlist's title for it (#EXTINF, TitleN); "" when none
  bool network = false;  // an http(s):// or mms:// address
  QByteArray onDisk;     // a local name as the playlist's bytes spell it, when that differs
};

struct Expansion {
  QList<Entry> entries;  // in order, playlist files replaced by their entries
  QStringList missing;   // local files that are not there
  QStringList refused;   // names that are not UTF-8 and cannot be kept: their bytes are lost
                         // (a file dialog's answer), or it is a playlist file
  QStringList tooDeep;   // playlist files listed by lists listed too deep, not read
  QStringList tooLarge;  // playlist files larger than a playlist can sensibly be, not read
};

// A file of a playlist type, judged by its name.
bool IsPlaylist(const QString& path);

// Reads the entries of a playlist file from device a line at a time and hands them to take in
// order, until take returns false. suffix ("m3u", "m3u8", "pls") says its format; relative
// paths are taken from folder. M3U8, and a file that starts with UTF-8's byte-order mark, are
// UTF-8; the lines of other M3U and PLS files are read as LegacyText::Decode reads them with
// encodings.
void Parse(QIODevice& device, const QString& folder, const QString& suffix,
           const QStringList& encodings, const std::function<bool(const Entry&)>& take);

// items are local paths, file:// and network addresses and playlist files (whose entries come
// in their place, with those of playlists they list). Local files must exist.
//
// Each playlist file is read once, however often it is listed (a list may list itself), and
// no deeper than three lists down; none is read when it is larger than 16 MB. Entries stop
// at one more than the playlist holds, so that a caller can tell that they did not fit.
//
// A file whose name is not UTF-8 (GBK bytes from an archive made on Windows) is added when its
// bytes are known (a file:// address spells them, as a file manager's drop does, and so does a
// playlist file): its path is then a file:// address keeping the bytes, which the player opens
// and the store keeps, and its name is the bytes read as LegacyText::Decode reads them. A path
// that Qt already turned into text has lost them: it is refused.
Expansion Expand(const QStringList& items, const QStringList& encodings);

// The files under folder, to any depth, whose paths are not UTF-8, as file:// addresses that
// keep their bytes: Qt's folder walks pass over them.
QStringList FilesWithUndecodableNames(const QString& folder);

// The one message about what Expand left out; "" when nothing was.
QString ProblemText(const Expansion& expansion);

}  // namespace PlaylistFile
