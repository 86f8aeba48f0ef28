#include "lyrics/lyric_lookup.h"

#include <limits>
#include <utility>

#include "lyrics/frm_lrc.h"
#include "lyrics/lyric_box.h"
#include "lyrics/lyric_text.h"
#include "platform/endpoints.h"
#include "playback/legacy_text.h"
#include "playback/media_player.h"
#include "playback/song_tags.h"
#include "state/shared_state.h"

namespace {

constexpr char kFindingId[] = QT_TRANSLATE_NOOP("LyricLookup", "正在查找音乐id...");
constexpr char kFindingLyric[] = QT_TRANSLATE_NOOP("LyricLookup", "正在查找歌词...");
constexpr char kNoLyric[] = QT_TRANSLATE_NOOP("LyricLookup", "暂无歌词");
// A shorter lyric counts as none.
constexpr qsizetype kMinLyricChars = 10;
constexpr int kChunkChars = 1024;
constexpr int kTickMs = 1000;

// The whole response, as the transfer hands it out; nothing once it grows past limit
// characters.
std::optional<QString> ReadResponse(Inet& inet, qsizetype limit) {
  QString page;
  for (QString chunk = inet.GetChunk(kChunkChars, 0); !chunk.isEmpty();
       chunk = inet.GetChunk(kChunkChars, 0)) {
    page += chunk;
    if (page.size() > limit) return std::nullopt;
  }
  return page;
}

}  // namespace

LyricLookup::LyricLookup(LyricBox& box, MediaPlayer& player, QWidget* dialogParent, QObject* parent)
    : QObject(parent), box_(box), player_(player), dialogParent_(dialogParent), transfer_(this) {
  timer_.setObjectName("Timer1");
  timer_.setInterval(kTickMs);
  connect(&timer_, &QTimer::timeout, this, &LyricLookup::Tick);
  transfer_.setObjectName("inetLrc");
  connect(&transfer_, &Inet::StateChanged, this, &LyricLookup::TransferEnded);
  connect(&player_, &MediaPlayer::PlayStateChange, this, &LyricLookup::PlayerStateChanged);
  timer_.start();
}

void LyricLookup::Ask(Phase phase, const SongRecord& song) {
  const QString site = Endpoints().lyricsSite;
  pending_ = Request{phase, song.Path};
  if (phase == Phase::kSearch) {
    transfer_.Execute(LyricText::SearchAddress(site, song.Author, song.Title), "get");
  } else {
    // The transfer reports only its end; the box says at once what is going on.
    box_.ShowStatus(tr(kFindingLyric));
    transfer_.Execute(LyricText::LyricAddress(site, song.LyricId), "get");
  }
}

// Applies a completed response to entry; true when the lookup can go on.
bool LyricLookup::Apply(const Request& request, SongRecord& song, bool current) {
  if (request.phase == Phase::kSearch) {
    if (current) box_.ShowStatus(tr(kFindingId));
    const std::optional<QString> page =
        ReadResponse(transfer_, std::numeric_limits<qsizetype>::max());
    const std::optional<QString> id = page ? LyricText::LyricIdFrom(*page) : std::nullopt;
    if (!id) return false;
    song.LyricId = *id;
    return true;
  }
  if (current) box_.ShowStatus(tr(kFindingLyric));
  const std::optional<QString> page = ReadResponse(transfer_, LyricText::kMaxLyricPageChars);
  const std::optional<QString> lyric = page ? LyricText::LyricFrom(*page) : std::nullopt;
  if (!lyric || lyric->size() < kMinLyricChars) return false;
  song.Lyric = *lyric;
  emit EntryChanged();
  return true;
}

void LyricLookup::Tick() {
  if (SongRecord* song = Playlist.Slot(CurrentIndex)) {
    if (song->Lyric.size() >= kMinLyricChars) {
      box_.ShowLyric(song->Lyric);
    } else if (player_.playState() != MediaPlayer::wmppsPlaying) {
      // Until the entry plays the lookup waits; the player's start wakes it.
      timer_.stop();
      waitingToPlay_ = true;
      return;
    } else if (song->LyricId.isEmpty() && LyricFromDisk(*song)) {
      box_.ShowLyric(song->Lyric);
    } else if (!transfer_.StillExecuting() && !song->Name.isEmpty()) {
      Ask(song->LyricId.isEmpty() ? Phase::kSearch : Phase::kLyric, *song);
    }
  }
  timer_.stop();
}

bool LyricLookup::LyricFromDisk(SongRecord& song) {
  const bool local = !song.Path.contains("://") || song.Path.startsWith("file://");
  if (!local || song.Path.isEmpty()) return false;
  const QStringList encodings = LegacyText::FallbackEncodings();
  QString lyric = SongTags::LyricFileBeside(song.Path, encodings);
  if (lyric.size() < kMinLyricChars) lyric = SongTags::EmbeddedLyric(song.Path, encodings);
  if (lyric.size() < kMinLyricChars) return false;
  song.Lyric = lyric;
  return true;
}

void LyricLookup::PlayerStateChanged(int state) {
  if (state == MediaPlayer::wmppsPlaying && std::exchange(waitingToPlay_, false)) timer_.start();
}

void LyricLookup::TransferEnded(int state) {
  if (!pending_) return;
  const Request request = *pending_;
  pending_.reset();
  const int index = FindEntry(request.path, CurrentIndex);
  const bool current = index >= 0 && index == CurrentIndex;
  bool goOn = false;
  if (index >= 0) {
    SongRecord& song = Playlist[index];
    if (state == Inet::icResponseCompleted) {
      goOn = Apply(request, song, current);
      if (!goOn && current) box_.ShowStatus(tr(kNoLyric));
    } else if (current && request.phase == Phase::kLyric) {
      box_.ShowStatus(tr(kFindingLyric));
    }
  }
  // The current entry, if it is another one, waited for this transfer to end.
  if (goOn || !current) timer_.start();
}

void LyricLookup::SearchAgain() {
  if (!LrcForm(dialogParent_)->ShowModal()) return;
  if (SongRecord* song = Playlist.Slot(CurrentIndex)) {
    song->LyricId.clear();
    song->Lyric.clear();
    emit EntryChanged();
  }
  transfer_.Cancel();
  pending_.reset();
  // A slot past the end of the list is no song to search for.
  if (!transfer_.StillExecuting() && CurrentIndex >= 0 && CurrentIndex < PlaylistCount)
    Ask(Phase::kSearch, Playlist[CurrentIndex]);
  timer_.stop();
}
