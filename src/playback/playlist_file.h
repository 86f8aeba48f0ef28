#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

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
};

// A file of a playlist type, judged by its name.
bool IsPlaylist(const QString& path);

// The entries of a playlist file's contents. suffix ("m3u", "m3u8", "pls") says its format;
// relative paths are taken from folder. M3U8 is UTF-8; M3U and PLS are read as
// LegacyText::Decode reads them with encodings.
QList<Entry> Parse(const QByteArray& contents, const QString& folder, const QString& suffix,
                   const QStringList& encodings);

// items are local paths, file:// and network addresses and playlist files (whose entries come
// in their place, with those of playlists they list). Local files must exist.
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
