#include "catalog/list_control.h"

#include <QListWidget>
#include <exception>

#include "state/shared_state.h"
#include "catalog/recordset.h"
#include "platform/app_path.h"
#include "platform/msgbox.h"

namespace ListControl {

namespace {
constexpr char kCreateTable[] =
    "create table if not exists NUser(ID integer, Name text, Path text, Title text, "
    "Web integer, author text, Lyric text)";
constexpr char kInsert[] =
    "insert into NUser(id,name,path,title,web,author,Lyric) values (?,?,?,?,?,?,?)";
}  // namespace

QString UserDatabaseFile() { return AppPath() + "/data/user.dll"; }

void SavePlaylist() {
  Connection connection;
  if (!connection.Open(UserDatabaseFile(), /*create=*/true)) return;
  if (!connection.Execute(kCreateTable)) return;
  if (!connection.BeginTransaction()) return;
  bool saved = connection.Execute("delete from NUser;");
  if (saved) {
    std::unique_ptr<PreparedStatement> insert = connection.Prepare(kInsert);
    saved = insert != nullptr;
    for (int i = 0; saved && i < PlaylistCount; ++i) {
      const SongRecord& song = Playlist[i];
      saved =
          insert->Run({i + 1, song.Name, song.Path, song.Title, song.Web, song.Author, song.Lyric});
    }
  }
  if (saved) saved = connection.Commit();
  if (!saved) connection.Rollback();
}

void LoadPlaylist() {
  auto connection = std::make_unique<Connection>();
  if (!connection->Open(UserDatabaseFile())) return;
  Recordset rows;
  if (!rows.Open("select ID,Name,Path,Title,Web,author,Lyric from NUser", std::move(connection)))
    return;
  if (rows.RecordCount() == 0) return;
  try {
    int i = 0;
    while (!rows.Eof()) {
      bool ok = false;
      const int web = rows.Fields(4).toInt(&ok);
      if (!ok || web < INT16_MIN || web > INT16_MAX) return;
      SongRecord& song = Playlist[i];  // past slot 5000 this throws and the load ends
      song = SongRecord{};
      song.Name = rows.Fields(1).toString();
      song.Path = rows.Fields(2).toString();
      song.Title = rows.Fields(3).toString();
      song.Web = static_cast<int16_t>(web);
      song.Author = rows.Fields(5).toString();
      song.Lyric = rows.Fields(6).toString();
      if (!rows.MoveNext()) return;
      ++i;
    }
    PlaylistCount = static_cast<int16_t>(i);
  } catch (const std::exception&) {
    // More rows than slots: what was read stays, the count is left alone.
  }
}

bool ShowPlaylist(QListWidget* list) {
  int remembered = 0;
  try {
    remembered = list->currentRow();
    if (remembered == -1) remembered = 0;
    list->clear();
    if (!PlaylistLoaded) {
      LoadPlaylist();
      PlaylistLoaded = true;
    }
    QStringList texts;
    texts.reserve(PlaylistCount);
    for (int i = 0; i < PlaylistCount; ++i) {
      const SongRecord& song = Playlist[i];
      texts << (song.Title.isEmpty() ? song.Name : song.Title);
    }
    list->addItems(texts);
  } catch (const std::exception&) {
    MsgBox("显示列表错误！", "Error!", vbOKOnly);
    return false;
  }
  if (list->count() > 0 && remembered < list->count()) list->setCurrentRow(remembered);
  SavePlaylist();
  return true;
}

}  // namespace ListControl
