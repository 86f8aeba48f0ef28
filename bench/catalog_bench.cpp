// Catalog and playlist store timings on a large generated catalog:
// 1,000,000 songs, 100,000 albums, 50,000 singers, and a full playlist of 5001 entries.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>
#include <cstdio>

#include "state/shared_state.h"
#include "catalog/data.h"
#include "catalog/list_control.h"
#include "catalog/recordset.h"
#include "platform/app_path.h"
#include "platform/msgbox.h"

namespace {

constexpr int kSingers = 50'000;
constexpr int kAlbums = 100'000;
constexpr int kSongs = 1'000'000;

bool Generate(const QString& file) {
  QFile::remove(file);
  Connection db;
  if (!db.Open(file, true)) return false;
  const char* schema[] = {
      "create table SClass(ID integer primary key, Name text not null)",
      "create table NNClass(NClassID integer primary key, NClass text not null collate nocase,"
      " Abcd text not null collate nocase, SClassID integer not null)",
      "create table NSpecial(SpecialID integer primary key, name text not null collate nocase,"
      " NClassID integer not null)",
      "create table NMusicList(ID integer primary key, MusicName text not null collate nocase,"
      " URL text not null, SpecialID integer not null, NClassID integer not null)",
  };
  for (const char* statement : schema)
    if (!db.Execute(statement)) return false;
  db.BeginTransaction();
  auto type = db.Prepare("insert into SClass values (?,?)");
  for (int i = 1; i <= 10; ++i) type->Run({i, QString("类型%1").arg(i)});
  auto singer = db.Prepare("insert into NNClass values (?,?,?,?)");
  for (int i = 1; i <= kSingers; ++i)
    singer->Run({i, QString("歌手%1").arg(i), QString(QChar('A' + i % 26)), 1 + i % 10});
  auto album = db.Prepare("insert into NSpecial values (?,?,?)");
  for (int i = 1; i <= kAlbums; ++i)
    album->Run({i, QString("专辑%1").arg(i), 1 + (i - 1) % kSingers});
  auto song = db.Prepare("insert into NMusicList values (?,?,?,?,?)");
  for (int i = 1; i <= kSongs; ++i) {
    const int albumId = 1 + (i - 1) % kAlbums;
    song->Run({i, QString("歌曲%1").arg(i % 200'000),
               i % 2 ? QString("newmusic/%1/%2.wma").arg(albumId).arg(i)
                     : QString("http://mediaserver.test/music/%1/%2.wma").arg(albumId).arg(i),
               albumId, 1 + (albumId - 1) % kSingers});
  }
  if (!db.Commit()) return false;
  const char* indexes[] = {
      "create index NNClass_Abcd on NNClass(Abcd, SClassID, NClass)",
      "create index NNClass_Abcd_Name on NNClass(Abcd, NClass)",
      "create index NNClass_SClassID on NNClass(SClassID, NClass)",
      "create index NSpecial_NClassID on NSpecial(NClassID, name)",
      "create index NSpecial_name on NSpecial(name)",
      "create index NMusicList_SpecialID on NMusicList(SpecialID)",
      "create index NMusicList_MusicName on NMusicList(MusicName)",
      "create index NMusicList_NClassID on NMusicList(NClassID)",
  };
  for (const char* statement : indexes)
    if (!db.Execute(statement)) return false;
  return true;
}

void FillPlaylist() {
  for (int i = 0; i < PlaylistArray::kSlots; ++i) {
    SongRecord& song = Playlist[i];
    song.Name = QString("第%1首.wma").arg(i);
    song.Path = QString("http://mediaserver.test/music/%1.wma").arg(i);
    song.Title = QString("歌曲 %1").arg(i);
    song.Author = QString("歌手 %1").arg(i % 300);
    song.Lyric = QString("歌词第一行\r\n歌词第二行 %1").arg(i);
    song.Web = static_cast<int16_t>(i % 2);
  }
  PlaylistCount = PlaylistArray::kSlots;
}

void BM_SavePlaylist5001(benchmark::State& state) {
  FillPlaylist();
  for (auto _ : state) ListControl::SavePlaylist();
}
BENCHMARK(BM_SavePlaylist5001)->Unit(benchmark::kMillisecond);

void BM_SaveAndLoadPlaylist5001(benchmark::State& state) {
  FillPlaylist();
  for (auto _ : state) {
    ListControl::SavePlaylist();
    ListControl::LoadPlaylist();
  }
  if (PlaylistCount != PlaylistArray::kSlots) state.SkipWithError("load lost entries");
}
BENCHMARK(BM_SaveAndLoadPlaylist5001)->Unit(benchmark::kMillisecond);

void BM_ShowPlaylist5001(benchmark::State& state) {
  FillPlaylist();
  PlaylistLoaded = true;
  QListWidget list;
  for (auto _ : state) ListControl::ShowPlaylist(&list);
  if (list.count() != PlaylistArray::kSlots) state.SkipWithError("list incomplete");
}
BENCHMARK(BM_ShowPlaylist5001)->Unit(benchmark::kMillisecond);

void BM_ListSingers(benchmark::State& state) {
  QListWidget list;
  for (auto _ : state) Data::ListSingers(2, "B", &list);
  state.counters["rows"] = list.count();
}
BENCHMARK(BM_ListSingers)->Unit(benchmark::kMillisecond);

void BM_ListAlbums(benchmark::State& state) {
  QListWidget list;
  for (auto _ : state) Data::ListAlbums(12345, &list);
  state.counters["rows"] = list.count();
}
BENCHMARK(BM_ListAlbums)->Unit(benchmark::kMillisecond);

void BM_ListSongs(benchmark::State& state) {
  QListWidget list;
  for (auto _ : state) Data::ListSongs(23456, &list);
  state.counters["rows"] = list.count();
}
BENCHMARK(BM_ListSongs)->Unit(benchmark::kMillisecond);

void BM_SearchSongs(benchmark::State& state) {
  QListWidget list;
  for (auto _ : state) {
    list.clear();
    Data::SearchSongs("歌曲4242", &list);
  }
  state.counters["rows"] = list.count();
}
BENCHMARK(BM_SearchSongs)->Unit(benchmark::kMillisecond);

void BM_GetSongUrl(benchmark::State& state) {
  int32_t id = 500'001;
  for (auto _ : state) benchmark::DoNotOptimize(Data::GetSongUrl(id += 2));
}
BENCHMARK(BM_GetSongUrl)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  // The generated catalog is kept beside the program and reused by later runs.
  const QString folder = QCoreApplication::applicationDirPath() + "/bench-app";
  QDir().mkpath(folder + "/data");
  SetAppPath(folder);
  SetMsgBoxHandler([](const QString& text, const QString&, int) {
    std::fprintf(stderr, "message box: %s\n", text.toUtf8().constData());
    return 1;
  });
  const QString catalog = folder + "/data/db.dll";
  if (!QFile::exists(catalog)) {
    std::fprintf(stderr, "generating the catalog (once)...\n");
    if (!Generate(catalog)) {
      std::fprintf(stderr, "could not generate the catalog\n");
      return 1;
    }
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
