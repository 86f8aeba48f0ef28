#include "lyrics/lyric_lookup.h"

#include <QPlainTextEdit>
#include <QTimer>
#include <limits>
#include <optional>
#include <stdexcept>

#include "lyrics/frm_lrc.h"
#include "lyrics/lyric_box.h"
#include "lyrics/lyric_text.h"
#include "platform/endpoints.h"
#include "playback/media_player.h"
#include "state/main_controls.h"
#include "state/shared_state.h"
#include "web/inet.h"

namespace Lyrics {

namespace {

constexpr char kFindingId[] = "正在查找音乐id...";
constexpr char kFindingLyric[] = "正在查找歌词...";
constexpr char kNoLyric[] = "暂无歌词";
// A shorter lyric counts as none.
constexpr qsizetype kMinLyricChars = 10;
constexpr int kChunkChars = 1024;

enum class Phase { kSearch, kLyric };

// The request inetLrc is carrying: which page, for the entry with which address.
struct Request {
  Phase phase;
  QString path;
};

std::optional<Request>& Pending() {
  static std::optional<Request> pending;
  return pending;
}

void ShowStatus(const QString& text) {
  if (MainForm().Text2) MainForm().Text2->setPlainText(text);
}

void StartTimer1() {
  if (MainForm().Timer1) MainForm().Timer1->start();
}

void StopTimer1() {
  if (MainForm().Timer1) MainForm().Timer1->stop();
}

void Ask(Phase phase, const SongRecord& song) {
  Inet* inet = MainForm().inetLrc;
  if (!inet) return;
  const QString site = Endpoints().lyricsSite;
  Pending() = Request{phase, song.Path};
  if (phase == Phase::kSearch) {
    inet->Execute(LyricText::SearchAddress(site, song.Author, song.Title), "get");
  } else {
    // The transfer reports only its end; the box says at once what is going on.
    ShowStatus(kFindingLyric);
    inet->Execute(LyricText::LyricAddress(site, song.LyricId), "get");
  }
}

// The whole response, as inetLrc hands it out; nothing once it grows past limit characters.
std::optional<QString> ReadResponse(Inet& inet, qsizetype limit) {
  QString page;
  for (QString chunk = inet.GetChunk(kChunkChars, 0); !chunk.isEmpty();
       chunk = inet.GetChunk(kChunkChars, 0)) {
    page += chunk;
    if (page.size() > limit) return std::nullopt;
  }
  return page;
}

// Applies a completed response to entry; true when the lookup can go on.
bool Apply(const Request& request, SongRecord& song, bool current, Inet& inet) {
  if (request.phase == Phase::kSearch) {
    if (current) ShowStatus(kFindingId);
    const std::optional<QString> page = ReadResponse(inet, std::numeric_limits<qsizetype>::max());
    const std::optional<QString> id = page ? LyricText::LyricIdFrom(*page) : std::nullopt;
    if (!id) return false;
    song.LyricId = *id;
    return true;
  }
  if (current) ShowStatus(kFindingLyric);
  const std::optional<QString> page = ReadResponse(inet, LyricText::kMaxLyricPageChars);
  const std::optional<QString> lyric = page ? LyricText::LyricFrom(*page) : std::nullopt;
  if (!lyric || lyric->size() < kMinLyricChars) return false;
  song.Lyric = *lyric;
  return true;
}

}  // namespace

void Timer1_Timer() {
  const MainControls& form = MainForm();
  try {
    const SongRecord& song = Playlist[CurrentIndex];
    if (song.Lyric.size() >= kMinLyricChars) {
      ShowLyric(song.Lyric);
    } else {
      // Until the entry plays the timer keeps trying.
      if (!form.WMP || form.WMP->playState() != MediaPlayer::wmppsPlaying) return;
      if (form.inetLrc && !form.inetLrc->StillExecuting() && !song.Name.isEmpty())
        Ask(song.LyricId.isEmpty() ? Phase::kSearch : Phase::kLyric, song);
    }
  } catch (const std::out_of_range&) {
  }
  StopTimer1();
}

void inetLrc_StateChanged(int State) {
  if (!Pending() || !MainForm().inetLrc) return;
  const Request request = *Pending();
  Pending().reset();
  const int index = FindEntry(request.path, CurrentIndex);
  const bool current = index >= 0 && index == CurrentIndex;
  bool goOn = false;
  if (index >= 0) {
    SongRecord& song = Playlist[index];
    if (State == Inet::icResponseCompleted) {
      goOn = Apply(request, song, current, *MainForm().inetLrc);
      if (!goOn && current) ShowStatus(kNoLyric);
    } else if (current && request.phase == Phase::kLyric) {
      ShowStatus(kFindingLyric);
    }
  }
  // The current entry, if it is another one, waited for this transfer to end.
  if (goOn || !current) StartTimer1();
}

void reLrc_Click() {
  if (!LrcForm()->ShowModal()) return;
  try {
    SongRecord& song = Playlist[CurrentIndex];
    song.LyricId.clear();
    song.Lyric.clear();
  } catch (const std::out_of_range&) {
  }
  Inet* inet = MainForm().inetLrc;
  if (inet) inet->Cancel();
  Pending().reset();
  try {
    // A slot past the end of the list is no song to search for.
    if (inet && !inet->StillExecuting() && CurrentIndex < PlaylistCount)
      Ask(Phase::kSearch, Playlist[CurrentIndex]);
  } catch (const std::out_of_range&) {
  }
  StopTimer1();
}

}  // namespace Lyrics
