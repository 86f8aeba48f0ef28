#pragma once

#include <QString>
#include <cstdint>
#include <memory>

#include "catalog/recordset.h"

class QListWidget;

// The song catalog, data/db.dll: singer types, singers, albums and songs, read through the
// program's one connection to it.
namespace Data {

// The catalog file in the application folder.
QString CatalogFile();

// Runs a query on the catalog, values bound to its ? placeholders. On failure shows
// "查询错误：" and why, and gives nothing.
std::unique_ptr<Recordset> OpenQuery(const QString& query, const QVariantList& values = {});

// Fill target with singers of a type (0 = any) and index letter ("" = any).
bool ListSingers(int16_t singerType, const QString& letter, QListWidget* target);
// Fill target with a singer's albums (0 = every album).
bool ListAlbums(int16_t singer, QListWidget* target);
// Fill target with an album's songs (0 = every song).
bool ListSongs(int16_t album, QListWidget* target);
// Adds "song<TAB>singer" for every song with exactly this name; the caller clears target.
bool SearchSongs(const QString& name, QListWidget* target);
// The playable address of a song; "" when there is none. A relative address is completed
// with the music-file server, and its stored form rewritten once.
QString GetSongUrl(int32_t songId);

// The row id a list entry keeps beside its text, in this role of the entry.
inline constexpr int kItemDataRole = 0x0100;  // Qt::UserRole
int32_t ItemData(const QListWidget* list, int row);

}  // namespace Data
