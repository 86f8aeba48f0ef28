#include "catalog/data.h"

#include <QListWidget>

#include "platform/app_path.h"
#include "platform/endpoints.h"
#include "platform/msgbox.h"

namespace Data {

namespace {

static_assert(kItemDataRole == Qt::UserRole);

// Clears target and adds one entry per row: column 0 as its text, column 1 as its item data.
bool FillList(Recordset& rows, QListWidget* target) {
  target->clear();
  while (!rows.Eof()) {
    bool ok = false;
    const int32_t id = rows.Fields(1).toInt(&ok);
    if (!ok) return false;
    auto* item = new QListWidgetItem(rows.Fields(0).toString());
    item->setData(kItemDataRole, id);
    target->addItem(item);
    if (!rows.MoveNext()) return false;
  }
  rows.Close();
  return true;
}

bool RunList(const QString& statement, QListWidget* target, const QString& failure) {
  // A failed query leaves the list empty, not showing the answer to an earlier one.
  target->clear();
  std::unique_ptr<Recordset> rows = OpenQuery(statement);
  if (!rows || !FillList(*rows, target)) {
    MsgBox(failure, "Error!", vbOKOnly);
    return false;
  }
  return true;
}

QString WithTrailingSlash(QString base) {
  if (!base.endsWith('/')) base += '/';
  return base;
}

}  // namespace

QString CatalogFile() { return DataPath() + "/data/db.dll"; }

std::unique_ptr<Recordset> OpenQuery(const QString& query) {
  auto connection = std::make_unique<Connection>();
  auto rows = std::make_unique<Recordset>();
  QString error;
  if (!connection->Open(CatalogFile())) {
    error = connection->Error();
  } else if (!rows->Open(query, std::move(connection))) {
    error = rows->Error();
  } else {
    return rows;
  }
  MsgBox("查询错误：" + error, QString(), vbOKOnly);
  return nullptr;
}

bool ListSingers(int16_t singerType, const QString& letter, QListWidget* target) {
  const QString type = QString::number(singerType);
  QString statement;
  if (!letter.isEmpty() && singerType != 0)
    statement = "select NClass,NClassID from NNClass where Abcd=" + SqlText(letter) +
                " and SClassID=" + type + " order by NClass";
  else if (!letter.isEmpty())
    statement =
        "select NClass,NClassID from NNClass where Abcd=" + SqlText(letter) + " order by NClass";
  else if (singerType != 0)
    statement = "select NClass,NClassID from NNClass where SClassID=" + type + " order by NClass";
  else
    statement = "select NClass,NClassID from NNClass";
  return RunList(statement, target, "查找歌手失败！");
}

bool ListAlbums(int16_t singer, QListWidget* target) {
  const QString statement =
      singer != 0
          ? "select name,SpecialID from NSpecial where NClassID=" + QString::number(singer) +
                " order by name"
          : QString("select name,SpecialID from NSpecial order by name");
  return RunList(statement, target, "查找专辑失败！");
}

bool ListSongs(int16_t album, QListWidget* target) {
  const QString statement =
      album != 0
          ? "select MusicName,ID from NMusicList where SpecialID=" + QString::number(album) + " "
          : QString("select MusicName,ID from NMusicList");
  return RunList(statement, target, "查找专辑失败！");
}

bool SearchSongs(const QString& name, QListWidget* target) {
  QString statement;
  if (!name.isEmpty())
    statement =
        "select NMusicList.ID,NMusicList.MusicName,NNClass.NClass from NMusicList,NNClass where "
        "NMusicList.MusicName = " +
        SqlText(name) + " and NMusicList.NClassID = NNClass.NClassID ;";
  std::unique_ptr<Recordset> rows = OpenQuery(statement);
  if (!rows) {
    MsgBox("查找专辑失败！", "Error!", vbOKOnly);
    return false;
  }
  if (rows->RecordCount() == 0)
    MsgBox("查找不到任何数据！（不支持模糊查找，请输入准确名称！）", "查找提醒", vbOKOnly);
  // A row that cannot be read ends the list quietly; what was added stays.
  for (int n = 0; !rows->Eof(); ++n) {
    bool ok = false;
    const int32_t id = rows->Fields(0).toInt(&ok);
    if (!ok) break;
    auto* item =
        new QListWidgetItem(rows->Fields(1).toString() + '\t' + rows->Fields(2).toString());
    item->setData(kItemDataRole, id);
    target->addItem(item);
    if (!rows->MoveNext()) break;
  }
  rows->Close();
  return true;
}

QString GetSongUrl(int32_t songId) {
  const QString statement =
      songId != 0 ? "select URL from NMusicList where ID=" + QString::number(songId) : QString();
  std::unique_ptr<Recordset> rows = OpenQuery(statement);
  if (!rows) return QString();
  if (rows->Eof()) return QString();
  bool ok = false;
  const QString stored = rows->Fields("url", &ok).toString();
  if (!ok) return QString();
  if (stored.startsWith(QLatin1String("http"), Qt::CaseSensitive)) return stored;

  QString rewritten = stored;
  rewritten.replace(QLatin1String("newmusic/"), QLatin1String("q731_com_music/"),
                    Qt::CaseSensitive);
  const QString url = WithTrailingSlash(Endpoints().musicFileServer) + "musicfiles/" + rewritten;
  // Stored once: later reads find the rewritten form and write nothing.
  if (rewritten != stored) {
    if (!rows->SetField(0, rewritten) || !rows->MoveNext()) return url;
  }
  return url;
}

int32_t ItemData(const QListWidget* list, int row) {
  const QListWidgetItem* item = list->item(row);
  return item ? item->data(kItemDataRole).toInt() : 0;
}

}  // namespace Data
