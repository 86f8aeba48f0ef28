// Reading the time tags of long lyrics, as the lyric box does when it shows one, and showing
// stored lyrics in a lyric box of the main window's size.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QString>

#include "lyrics/lyric_box.h"
#include "lyrics/synced_lyric.h"
#include "support/fake_media_player.h"

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

// From ShowLyric until the box has painted itself, alternating two lyrics of one shape, so that
// each show reads its lyric afresh.
void ShowEach(benchmark::State& state, const QString& lyric) {
  QPlainTextEdit box;
  QFont font = box.font();
  font.setPixelSize(12);
  box.setFont(font);
  box.setReadOnly(true);
  box.resize(177, 121);
  box.show();
  FakeMediaPlayer player;
  LyricBox shown(box, player);
  const QString other = lyric.chopped(1) + "x";
  bool flip = false;
  for (auto _ : state) {
    shown.ShowLyric((flip = !flip) ? lyric : other);
    box.repaint();
  }
}

// One line of 256 K characters and no break: Chinese, and Latin letters.
void BM_ShowUnbrokenLine(benchmark::State& state) {
  ShowEach(state, QString(256 * 1024, state.range(0) ? u'长' : u'a'));
}
BENCHMARK(BM_ShowUnbrokenLine)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// The same line behind a time tag; 256 K characters of tags (37 K timed lines); a song-like
// timed lyric of 256 K characters.
void BM_ShowTimedLines(benchmark::State& state) {
  ShowEach(state, state.range(0) ? TagLine(256 * 1024) : "[00:01]" + QString(256 * 1024, u'长'));
}
BENCHMARK(BM_ShowTimedLines)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
void BM_ShowSongLyric(benchmark::State& state) { ShowEach(state, SongLyric(256 * 1024)); }
BENCHMARK(BM_ShowSongLyric)->Unit(benchmark::kMillisecond);

// 256 K empty lines (a lyric page of 256 K ideographic spaces, each read as a line break), and
// lines of 2 K characters to 512 K.
void BM_ShowManyLines(benchmark::State& state) {
  ShowEach(state, state.range(0) ? (QString(2047, u'长') + '\n').repeated(256)
                                 : QString("\r\n").repeated(256 * 1024));
}
BENCHMARK(BM_ShowManyLines)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
