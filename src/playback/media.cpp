#include "playback/media.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QListWidget>
#include <cmath>
#include <optional>

#include "catalog/list_control.h"
#include "platform/file_dialog.h"
#include "platform/msgbox.h"
#include "playback/legacy_text.h"
#include "playback/media_player.h"
#include "playback/playlist_file.h"
#include "state/shared_state.h"

namespace Media {

namespace {

constexpr char kFileFilter[] = QT_TRANSLATE_NOOP(
    "Media",
    "所有支持类型 (*.mp3 *.mid *.wav *.wmv *.wma *.mpeg *.mpg *.flac *.ogg *.opus *.m4a *.wv "
    "*.midi *.kar *.m3u *.m3u8 *.pls)");
constexpr const char* kFileTypes[] = {"mp3",  "mid",  "wav", "wmv",  "wma", "mpeg",
                                      "mpg",  "flac", "ogg", "opus", "m4a", "wv",
                                      "midi", "kar",  "m3u", "m3u8", "pls"};
constexpr char kAddFailed[] = QT_TRANSLATE_NOOP("Media", "本地文件打开错误！");
// What each failed operation tells the user.
constexpr char kPlayFailed[] = QT_TRANSLATE_NOOP("Media", "文件播放错误！");
constexpr char kPauseFailed[] = QT_TRANSLATE_NOOP("Media", "文件暂停错误！");
constexpr char kStopFailed[] = QT_TRANSLATE_NOOP("Media", "文件停止错误！");
constexpr char kPositionFailed[] = QT_TRANSLATE_NOOP("Media", "获取当前位置错误！");
constexpr char kLengthFailed[] = QT_TRANSLATE_NOOP("Media", "获取播放长度错误！");
constexpr char kSeekFailed[] = QT_TRANSLATE_NOOP("Media", "设置当前时间错误！");
constexpr char kVolumeFailed[] = QT_TRANSLATE_NOOP("Media", "获得音量错误！");
constexpr char kSetVolumeFailed[] = QT_TRANSLATE_NOOP("Media", "设置音量错误！");
constexpr char kInfoFailed[] = QT_TRANSLATE_NOOP("Media", "获得信息时出错！");
constexpr char kDeleteFailed[] = QT_TRANSLATE_NOOP("Media", "删除歌曲错误！");

bool IsPlaying(const MediaPlayer& player) {
  return player.playState() == MediaPlayer::wmppsPlaying;
}

bool RowIsSelected(const QListWidget* list, int row) {
  const QListWidgetItem* item = list->item(row);
  return item && item->isSelected();
}

// Runs an operation, which gives nothing when it fails (no such entry); a failure shows its
// message and gives the failure value.
template <typename T, typename F>
T Guarded(const char* message, T failure, F&& operation) {
  if (const std::optional<T> result = operation()) return *result;
  MsgBox(QCoreApplication::translate("Media", message), "Error!", vbOKOnly);
  return failure;
}

// The entry whose address the player has loaded: the one last handed to it, else the first
// with that address (rows may have moved since); -1 when the playlist no longer holds it.
int LoadedEntry(const MediaPlayer& player) {
  return FindEntry(player.URL(), static_cast<int>(PlayingIndex));
}

// Fills the next free slot; false when the playlist is full.
bool Append(const QString& path, int16_t web) {
  SongRecord* song = Playlist.Slot(PlaylistCount);
  if (!song) return false;
  *song = SongRecord{};
  song->Path = path;
  song->Name = path.mid(path.lastIndexOf('/') + 1);
  song->Web = web;
  ++PlaylistCount;
  return true;
}

}  // namespace

int32_t RoundHalfEven(double value) { return static_cast<int32_t>(std::nearbyint(value)); }

bool AddLocalFiles(QWidget* dialogParent, QListWidget* list) {
  return AddFiles(
      FileDialog::OpenFiles(dialogParent, QCoreApplication::translate("Media", "打开本地文件"),
                            QCoreApplication::translate("Media", kFileFilter)),
      list);
}

bool IsMediaFile(const QString& path) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  for (const char* type : kFileTypes)
    if (suffix == type) return true;
  return false;
}

bool AddFiles(const QStringList& files, QListWidget* list) {
  const PlaylistFile::Expansion found =
      PlaylistFile::Expand(files, LegacyText::FallbackEncodings());
  qsizetype added = 0;
  for (; added < found.entries.size(); ++added) {
    const PlaylistFile::Entry& entry = found.entries[added];
    if (!Append(entry.path, entry.network ? 0 : 1)) break;
    SongRecord& song = Playlist[PlaylistCount - 1];
    if (!entry.name.isEmpty()) song.Name = entry.name;
    song.Title = entry.title;
  }
  // Stored once, with everything that fitted.
  ListControl::ShowPlaylist(list);
  if (const QString problems = PlaylistFile::ProblemText(found); !problems.isEmpty())
    MsgBox(problems, QCoreApplication::translate("Media", "提示！"), vbOKOnly);
  // A single file that does not fit is left out without a word.
  if (added < found.entries.size() && found.entries.size() > 1) {
    MsgBox(QCoreApplication::translate("Media", kAddFailed), "Error!", vbOKOnly);
    return false;
  }
  return true;
}

bool AddSongToList(const QString& url, const QString& title, const QString& author,
                   QListWidget* list) {
  if (!Append(url, 0)) return false;
  SongRecord& song = Playlist[PlaylistCount - 1];
  song.Title = title;
  song.Author = author;
  ListControl::ShowPlaylist(list);
  return true;
}

bool PlayMedia(MediaPlayer& player) {
  return Guarded(kPlayFailed, false, [&]() -> std::optional<bool> {
    if (CurrentIndex < PlaylistCount) {
      const SongRecord* song = Playlist.Slot(CurrentIndex);
      if (!song) return std::nullopt;
      if (!Paused) player.setURL(song->Path);
      player.controls.play();
      PlayingIndex = CurrentIndex;
    }
    return true;
  });
}

void PauseMedia(MediaPlayer& player) {
  Guarded(kPauseFailed, false, [&] {
    if (IsPlaying(player)) player.controls.pause();
    return std::optional(true);
  });
}

bool StopMedia(MediaPlayer& player) {
  return Guarded(kStopFailed, false, [&] {
    player.controls.stop();
    return std::optional(true);
  });
}

int32_t GetMediaPosition(MediaPlayer& player) {
  return Guarded(kPositionFailed, -1, [&] {
    return std::optional(IsPlaying(player) ? RoundHalfEven(player.controls.currentPosition()) : 0);
  });
}

int32_t GetMediaLength(MediaPlayer& player, int16_t& index) {
  return Guarded(kLengthFailed, -1, [&]() -> std::optional<int32_t> {
    if (!IsPlaying(player)) return 0;
    const int32_t length = RoundHalfEven(player.currentMedia.duration());
    SongRecord* song = Playlist.Slot(index);
    if (!song) return std::nullopt;
    song->Length = QString::number(length);
    return length;
  });
}

bool SetMediaPosition(MediaPlayer& player, int32_t seconds) {
  return Guarded(kSeekFailed, false, [&] {
    if (IsPlaying(player)) player.controls.setCurrentPosition(seconds);
    return std::optional(true);
  });
}

int32_t GetVolume(MediaPlayer& player) {
  return Guarded(kVolumeFailed, -1,
                 [&] { return std::optional(static_cast<int32_t>(player.settings.volume())); });
}

bool SetVolume(MediaPlayer& player, int32_t volume) {
  return Guarded(kSetVolumeFailed, false, [&] {
    player.settings.setVolume(volume);
    return std::optional(true);
  });
}

bool GetMediaInfo(MediaPlayer& player, QListWidget* list) {
  return Guarded(kInfoFailed, false, [&] {
    // The selected row may be another entry than the one playing: the information goes to
    // the entry that was loaded.
    const int loaded = IsPlaying(player) ? LoadedEntry(player) : -1;
    if (loaded >= 0) {
      SongRecord& song = Playlist[loaded];
      if (song.Web == 1) {
        song.Author = player.currentMedia.getItemInfo("Author");
        song.Length = QString::number(player.currentMedia.duration());
        song.Title = player.currentMedia.getItemInfo("Title");
      } else if (song.Web == 0) {
        song.Length = QString::number(player.currentMedia.duration());
      }
    }
    ListControl::ShowPlaylist(list);
    return std::optional(true);
  });
}

namespace {
// The current row, when selected, is about to go: its lyric transfer ends and, when stop is
// set, the player stops.
void LeaveCurrentRow(MediaPlayer& player, const QListWidget* list, bool stop,
                     const std::function<void()>& leaving) {
  if (!RowIsSelected(list, CurrentIndex)) return;
  if (leaving) leaving();
  if (stop) StopMedia(player);
}
}  // namespace

void DeleteSong(MediaPlayer& player, QListWidget* list, const std::function<void()>& leaving) {
  Guarded(kDeleteFailed, false, [&]() -> std::optional<bool> {
    // Nothing there to delete: an empty list, or a current index past its end.
    if (CurrentIndex < 0 || CurrentIndex >= PlaylistCount) return false;
    LeaveCurrentRow(player, list, CurrentIndex == PlayingIndex, leaving);
    for (int i = CurrentIndex; i < PlaylistCount - 1; ++i) Playlist[i] = Playlist[i + 1];
    Playlist[PlaylistCount - 1] = SongRecord{};
    --PlaylistCount;
    ListControl::ShowPlaylist(list);  // redraws and stores
    return true;
  });
}

void DeleteAllSongs(MediaPlayer& player, QListWidget* list, const std::function<void()>& leaving) {
  LeaveCurrentRow(player, list, /*stop=*/true, leaving);
  for (int i = 0; i < PlaylistCount; ++i) Playlist[i] = SongRecord{};
  PlaylistCount = 0;
  ListControl::ShowPlaylist(list);
}

}  // namespace Media
