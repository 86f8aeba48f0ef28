#include "catalog/data.h"

#include <QCoreApplication>
#include <QListWidget>

#include "platform/app_path.h"
#include "platform/endpoints.h"
#include "platform/msgbox.h"
#include "state/logging.h"

namespace Data {

namespace {

constexpr char kAlbumsFailed[] = QT_TRANSLATE_NOOP("Catalog", "查找专辑失败！");

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

bool RunList(const QString& statement, const QVariantList& values, QListWidget* target,
             const char* failure) {
  // A failed query leaves the list empty, not showing the answer to an earlier one.
  target->clear();
  std::unique_ptr<Recordset> rows = OpenQuery(statement, values);
  if (!rows || !FillList(*rows, target)) {
    MsgBox(QCoreApplication::translate("Catalog", failure), "Error!", vbOKOnly);
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

std::unique_ptr<Recordset> OpenQuery(const QString& query, const QVariantList& values) {
  QString error;
  Connection* connection = SharedConnection(CatalogFile(), /*create=*/false, &error);
  auto rows = std::make_unique<Recordset>();
  if (connection && rows->Open(query, *connection, values)) return rows;
  if (connection) error = rows->Error();
  qCWarning(lcCatalog) << "catalog query failed:" << query << error;
  MsgBox(QCoreApplication::translate("Catalog", "查询错误：") + error, QString(), vbOKOnly);
  return nullptr;
}

bool ListSingers(int16_t singerType, const QString& letter, QListWidget* target) {
  QString statement;
  QVariantList values;
  if (!letter.isEmpty() && singerType != 0) {
    statement = "select NClass,NClassID from NNClass where Abcd=? and SClassID=? order by NClass";
    values = {letter, singerType};
  } else if (!letter.isEmpty()) {
    statement = "select NClass,NClassID from NNClass where Abcd=? order by NClass";
    values = {letter};
  } else if (singerType != 0) {
    statement = "select NClass,NClassID from NNClass where SClassID=? order by NClass";
    values = {singerType};
  } else {
    statement = "select NClass,NClassID from NNClass";
  }
  return RunList(statement, values, target, QT_TRANSLATE_NOOP("Catalog", "查找歌手失败！"));
}

bool ListAlbums(int16_t singer, QListWidget* target) {
  if (singer == 0)
    return RunList("select name,SpecialID from NSpecial order by name", {}, target, kAlbumsFailed);
  return RunList("select name,SpecialID from NSpecial where NClassID=? order by name", {singer},
                 target, kAlbumsFailed);
}

bool ListSongs(int16_t album, QListWidget* target) {
  if (album == 0) return RunList("select MusicName,ID from NMusicList", {}, target, kAlbumsFailed);
  // (The statement has always ended in a blank.)
  return RunList("select MusicName,ID from NMusicList where SpecialID=? ", {album}, target,
                 kAlbumsFailed);
}

bool SearchSongs(const QString& name, QListWidget* target) {
  // An empty name is no statement at all, which fails as such.
  const QString statement =
      name.isEmpty()
          ? QString()
          : QString(
                "select NMusicList.ID,NMusicList.MusicName,NNClass.NClass from NMusicList,"
                "NNClass where NMusicList.MusicName = ? and NMusicList.NClassID = "
                "NNClass.NClassID ;");
  std::unique_ptr<Recordset> rows =
      OpenQuery(statement, name.isEmpty() ? QVariantList{} : QVariantList{name});
  if (!rows) {
    MsgBox(QCoreApplication::translate("Catalog", kAlbumsFailed), "Error!", vbOKOnly);
    return false;
  }
  if (rows->RecordCount() == 0)
    MsgBox(QCoreApplication::translate("Catalog",
                                       "查找不到任何数据！（不支持模糊查找，请输入准确名称！）"),
           QCoreApplication::translate("Catalog", "查找提醒"), vbOKOnly);
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
      songId != 0 ? QString("select URL from NMusicList where ID=?") : QString();
  std::unique_ptr<Recordset> rows =
      OpenQuery(statement, songId != 0 ? QVariantList{songId} : QVariantList{});
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
