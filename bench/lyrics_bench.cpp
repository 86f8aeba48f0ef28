// Reading the time tags of long lyrics, as the lyric box does when it shows one.
#include <benchmark/benchmark.h>

#include <QString>

#include "lyrics/synced_lyric.h"

namespace {

// One line of `[00:00]` tags, `characters` long.
QString TagLine(int characters) {
  QString line;
  line.reserve(characters);
  while (line.size() + 7 <= characters) line += "[00:00]";
  return line;
}

// A song-like lyric: a tagged line of text after another.
QString SongLyric(int characters) {
  QString lyric;
  for (int i = 0; lyric.size() < characters; ++i)
    lyric += QString("[%1:%2.%3]一句歌词 line %4\r\n")
                 .arg(i / 60 % 100, 2, 10, QChar('0'))
                 .arg(i % 60, 2, 10, QChar('0'))
                 .arg(i % 100, 2, 10, QChar('0'))
                 .arg(i);
  return lyric;
}

void ParseEach(benchmark::State& state, const QString& lyric) {
  // Alternating two copies that differ in the last character, so each call reads its lyric.
  const QString other = lyric.chopped(1) + "x";
  bool flip = false;
  for (auto _ : state) {
    benchmark::DoNotOptimize(ParseSyncedLyric((flip = !flip) ? lyric : other));
  }
  state.SetItemsProcessed(state.iterations() * lyric.size());
}

void BM_TagLine(benchmark::State& state) { ParseEach(state, TagLine(int(state.range(0)))); }
BENCHMARK(BM_TagLine)->Arg(128 * 1024)->Arg(256 * 1024)->Unit(benchmark::kMillisecond);

void BM_SongLyric(benchmark::State& state) { ParseEach(state, SongLyric(int(state.range(0)))); }
BENCHMARK(BM_SongLyric)->Arg(256 * 1024)->Unit(benchmark::kMillisecond);

// The same lyric again: what each later show of it costs.
void BM_TagLineShownAgain(benchmark::State& state) {
  const QString lyric = TagLine(256 * 1024);
  ParseSyncedLyric(lyric);
  for (auto _ : state) benchmark::DoNotOptimize(ParseSyncedLyric(lyric));
}
BENCHMARK(BM_TagLineShownAgain)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
