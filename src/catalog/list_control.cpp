#include "catalog/list_control.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <algorithm>

#include "catalog/recordset.h"
#include "platform/app_path.h"
#include "platform/msgbox.h"
#include "state/logging.h"
#include "state/shared_state.h"

namespace ListControl {

namespace {
constexpr char kCreateTable[] =
    "create table if not exists NUser(ID integer, Name text, Path text, Title text, "
    "Web integer, author text, Lyric text)";
constexpr char kInsert[] =
    "insert into NUser(id,name,path,title,web,author,Lyric) values (?,?,?,?,?,?,?)";
constexpr char kReadFailed[] = QT_TRANSLATE_NOOP(
    "Catalog", "播放列表读取错误！原来的列表文件保持不变，下次保存前会备份为 data/user.dll.bak。");

// The stored table holds the playlist exactly as the last read found it (numbered 1..n in
// order): the show that follows that read has nothing to write back.
bool StoredAsRead = false;

// Copies the stored playlist aside, once, when this run could not read it.
bool BackUpUnreadPlaylist() {
  if (!PlaylistNeedsBackup) return true;
  if (QFile::exists(UserDatabaseFile())) {
    const QString temporary = BackupFile() + ".tmp";
    QFile::remove(temporary);
    if (!QFile::copy(UserDatabaseFile(), temporary)) return false;
    QFile::remove(BackupFile());
    if (!QFile::rename(temporary, BackupFile())) return false;
  }
  PlaylistNeedsBackup = false;
  return true;
}

bool WritePlaylist(QString* error) {
  // An empty file is a new database too (a first write that failed leaves one).
  const QFileInfo file(UserDatabaseFile());
  const bool made = !file.exists() || file.size() == 0;
  Connection* connection = SharedConnection(UserDatabaseFile(), /*create=*/true, error);
  if (!connection) return false;
  // One durable commit, also for a file made here (which says which version of it this is).
  Transaction transaction(*connection);
  std::unique_ptr<PreparedStatement> insert =
      transaction.Active() && connection->Execute(kCreateTable) &&
              (!made || connection->SetUserVersion(kSchemaVersion)) &&
              connection->Execute("delete from NUser;")
          ? connection->Prepare(kInsert)
          : nullptr;
  if (!insert) {
    *error = connection->Error();
    return false;
  }
  for (int i = 0; i < std::min<int>(PlaylistCount, PlaylistArray::kSlots); ++i) {
    const SongRecord& song = Playlist[i];
    if (!insert->Run(
            {i + 1, song.Name, song.Path, song.Title, song.Web, song.Author, song.Lyric})) {
      *error = insert->Error();
      return false;
    }
  }
  if (transaction.Commit()) return true;
  *error = connection->Error();
  return false;
}

}  // namespace

QString UserDatabaseFile() { return DataPath() + "/data/user.dll"; }

QString BackupFile() { return UserDatabaseFile() + ".bak"; }

void SavePlaylist() {
  // A stored playlist this run could not read is kept aside before anything overwrites it;
  // once it is, a file that is no database at all makes way for a new one.
  const bool keptAside = PlaylistNeedsBackup;
  if (!BackUpUnreadPlaylist()) {
    qCWarning(lcCatalog) << "playlist not stored: the unread stored playlist could not be "
                            "copied to"
                         << BackupFile();
    return;
  }
  QString error;
  if (WritePlaylist(&error)) return;
  if (keptAside) {
    CloseSharedConnection(UserDatabaseFile());
    QFile::remove(UserDatabaseFile());
    if (WritePlaylist(&error)) return;
  }
  qCWarning(lcCatalog) << "playlist not stored in" << UserDatabaseFile() << ":" << error;
}

bool LoadPlaylist() {
  StoredAsRead = false;
  // Nothing stored yet is no failure: the first run starts with an empty playlist.
  if (!QFile::exists(UserDatabaseFile())) return true;
  QString error;
  Connection* connection = SharedConnection(UserDatabaseFile(), /*create=*/false, &error);
  if (!connection) {
    qCWarning(lcCatalog) << "stored playlist not read:" << error;
    return false;
  }
  Recordset rows;
  if (!rows.Open("select ID,Name,Path,Title,Web,author,Lyric from NUser", *connection))
    return rows.Error().contains("no such table", Qt::CaseInsensitive);
  if (rows.RecordCount() == 0) {
    StoredAsRead = PlaylistCount == 0;
    return true;
  }
  bool numbered = true;
  int i = 0;
  while (!rows.Eof()) {
    bool ok = false;
    const int web = rows.Fields(4).toInt(&ok);
    if (!ok || web < INT16_MIN || web > INT16_MAX) return false;
    if (i > PlaylistArray::kUpperBound) return false;  // more rows than slots
    SongRecord& song = Playlist[i];
    song = SongRecord{};
    song.Name = rows.Fields(1).toString();
    song.Path = rows.Fields(2).toString();
    song.Title = rows.Fields(3).toString();
    song.Web = static_cast<int16_t>(web);
    song.Author = rows.Fields(5).toString();
    song.Lyric = rows.Fields(6).toString();
    numbered = numbered && rows.Fields(0) == QVariant(i + 1);
    if (!rows.MoveNext()) return false;
    ++i;
  }
  PlaylistCount = static_cast<int16_t>(i);
  StoredAsRead = numbered;
  return true;
}

bool ShowPlaylist(QListWidget* list) {
  int remembered = list->currentRow();
  if (remembered == -1) remembered = 0;
  list->clear();
  bool readFailed = false;
  const bool firstShow = !PlaylistLoaded;
  if (firstShow) {
    if (!LoadPlaylist()) {
      // Whatever was read in part is not shown, and nothing is written now.
      PlaylistNeedsBackup = true;
      readFailed = true;
    }
    PlaylistLoaded = true;
  }
  if (PlaylistCount > PlaylistArray::kSlots) {  // a count past the last slot
    MsgBox(QCoreApplication::translate("Catalog", "显示列表错误！"), "Error!", vbOKOnly);
    return false;
  }
  QStringList texts;
  texts.reserve(PlaylistCount);
  for (int i = 0; i < PlaylistCount; ++i) texts << Playlist[i].ShownTitle();
  list->addItems(texts);
  if (list->count() > 0 && remembered < list->count()) list->setCurrentRow(remembered);
  if (readFailed) {
    MsgBox(QCoreApplication::translate("Catalog", kReadFailed), "Error!", vbOKOnly);
    return true;
  }
  if (firstShow && StoredAsRead) return true;
  SavePlaylist();
  return true;
}

}  // namespace ListControl
